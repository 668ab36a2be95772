#pragma once

// The 1M-triangle STL models the load, frame and pick benchmarks share: a
// wavy 1000 x 500 quad grid centred on the origin, written once per process
// as binary and as text (about 50 MB and 232 MB) to /tmp, removed at exit.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace vykbench
{

const uint32_t kTriangles = 1000000;

// Corners of triangle t, x y z three times.
inline void corners(uint32_t t, float c[9])
{
    const uint32_t quad = t / 2, x = quad % 1000, y = quad / 1000;
    const float x0 = x * 0.01f - 5.0f, y0 = y * 0.01f - 2.5f, x1 = x0 + 0.01f, y1 = y0 + 0.01f;
    const float z = 0.05f * float(x % 7) + 0.02f * float(y % 5);
    const float a[9] = {x0, y0, z, x1, y0, z, x1, y1, z + 0.01f};
    const float b[9] = {x0, y0, z, x1, y1, z + 0.01f, x0, y1, z};
    const float* v = t % 2 ? b : a;
    for (int i = 0; i < 9; ++i)
        c[i] = v[i];
}

inline std::string tempName(const std::string& what)
{
    return "/tmp/vykbench-" + std::to_string(getpid()) + "-" + what;
}

struct BigStl {
    std::string binary = tempName("binary.stl"), text = tempName("text.stl");
    BigStl()
    {
        FILE* f = std::fopen(binary.c_str(), "wb");
        char header[80] = "vykbench";
        std::fwrite(header, 1, 80, f);
        std::fwrite(&kTriangles, 4, 1, f);
        float rec[12];
        const uint16_t attribute = 0;
        for (uint32_t t = 0; t < kTriangles; ++t) {
            rec[0] = rec[1] = 0;
            rec[2] = 1;
            corners(t, rec + 3);
            std::fwrite(rec, 4, 12, f);
            std::fwrite(&attribute, 2, 1, f);
        }
        std::fclose(f);

        f = std::fopen(text.c_str(), "wb");
        std::fprintf(f, "solid vykbench\n");
        float c[9];
        for (uint32_t t = 0; t < kTriangles; ++t) {
            corners(t, c);
            std::fprintf(f,
                         "  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n"
                         "      vertex %e %e %e\n      vertex %e %e %e\n      vertex %e %e %e\n"
                         "    endloop\n  endfacet\n",
                         c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
        }
        std::fprintf(f, "endsolid vykbench\n");
        std::fclose(f);
    }
    ~BigStl()
    {
        std::remove(binary.c_str());
        std::remove(text.c_str());
    }
    BigStl(const BigStl&) = delete;
    BigStl& operator=(const BigStl&) = delete;
};

// The files, made on first use.
inline const BigStl& bigStl()
{
    static BigStl files;
    return files;
}

} // namespace vykbench
