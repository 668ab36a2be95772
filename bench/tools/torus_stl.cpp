// torus_stl TRIANGLES binary|text OUT: writes a tessellated torus of about
// TRIANGLES triangles (a grid of 2 x ring x tube quads halves) as STL, the
// model bench/compare.sh loads into vykshot and its peer viewer.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

struct corner_t {
    float x, y, z;
};

corner_t at(uint32_t i, uint32_t j, uint32_t ring, uint32_t tube)
{
    const double u = 2 * M_PI * (i % ring) / ring, v = 2 * M_PI * (j % tube) / tube;
    const double r = 1.0 + 0.35 * std::cos(v);
    return {float(r * std::cos(u)), float(r * std::sin(u)), float(0.35 * std::sin(v))};
}

corner_t normalOf(const corner_t& a, const corner_t& b, const corner_t& c)
{
    const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    corner_t n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (len > 0)
        n = {n.x / len, n.y / len, n.z / len};
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[2], "binary") != 0 && std::strcmp(argv[2], "text") != 0)) {
        std::fprintf(stderr, "usage: %s TRIANGLES binary|text OUT.stl\n", argv[0]);
        return 1;
    }
    const double wanted = std::strtod(argv[1], nullptr);
    // A ring twice as long as the tube is round gives even quads.
    const uint32_t tube = std::max<uint32_t>(3, uint32_t(std::sqrt(wanted / 4)));
    const uint32_t ring = std::max<uint32_t>(3, uint32_t(wanted / 2 / tube));
    const uint32_t count = 2 * ring * tube;
    const bool text = argv[2][0] == 't';
    FILE* f = std::fopen(argv[3], "wb");
    if (!f) {
        std::perror(argv[3]);
        return 1;
    }
    // A large buffer: the files reach gigabytes.
    std::vector<char> buffer(1 << 22);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    if (text) {
        std::fprintf(f, "solid torus\n");
    } else {
        char header[80] = "torus";
        std::fwrite(header, 1, 80, f);
        std::fwrite(&count, 4, 1, f);
    }
    for (uint32_t i = 0; i < ring; ++i)
        for (uint32_t j = 0; j < tube; ++j) {
            const corner_t q[4] = {at(i, j, ring, tube), at(i + 1, j, ring, tube), at(i + 1, j + 1, ring, tube),
                                   at(i, j + 1, ring, tube)};
            const corner_t tri[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
            for (const auto& t : tri) {
                const corner_t n = normalOf(t[0], t[1], t[2]);
                if (text) {
                    std::fprintf(f, "  facet normal %e %e %e\n    outer loop\n", n.x, n.y, n.z);
                    for (const corner_t& c : t)
                        std::fprintf(f, "      vertex %e %e %e\n", c.x, c.y, c.z);
                    std::fprintf(f, "    endloop\n  endfacet\n");
                } else {
                    const uint16_t attribute = 0;
                    std::fwrite(&n, 12, 1, f);
                    std::fwrite(t, 12, 3, f);
                    std::fwrite(&attribute, 2, 1, f);
                }
            }
        }
    if (text)
        std::fprintf(f, "endsolid torus\n");
    if (std::fclose(f) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
