// Scenes converted by vykconv draw the same picture as their originals,
// as vykshot shows them.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include "textures/png.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace
{

struct Difference {
    int maxChannel = 0;
    double meanChannel = 0;
    long pixelsOver = 0; // pixels with a channel off by more than 16
};

Difference compare(const std::string& a, const std::string& b, bool& sameSize)
{
    libgr::grImage2D x, y;
    Difference d;
    sameSize = false;
    if (!libgr::pngLoad(x, a.c_str()) || !libgr::pngLoad(y, b.c_str()))
        return d;
    if (x.width != y.width || x.height != y.height || x.bitsPerPixel() != y.bitsPerPixel())
        return d;
    sameSize = true;
    const uint32_t bytes = x.width * (x.bitsPerPixel() / 8);
    long total = 0;
    for (uint32_t r = 0; r < x.height; ++r) {
        const unsigned char* p = x.row(r);
        const unsigned char* q = y.row(r);
        for (uint32_t i = 0; i < bytes; i += x.bitsPerPixel() / 8) {
            int worst = 0;
            for (uint32_t c = 0; c < x.bitsPerPixel() / 8; ++c) {
                int diff = std::abs(int(p[i + c]) - int(q[i + c]));
                worst = std::max(worst, diff);
                total += diff;
            }
            d.maxChannel = std::max(d.maxChannel, worst);
            if (worst > 16)
                ++d.pixelsOver;
        }
    }
    d.meanChannel = double(total) / (double(x.height) * bytes);
    return d;
}

TEST(VykconvPictures, ConvertedExamplesLookTheSame)
{
    vyktest::TempDir dir;
    // The converted scenes lie beside the examples' images, as their
    // texture paths are relative to the scene file.
    ASSERT_EQ(symlink(vyktest::sourcePath("examples/images").c_str(), dir.file("images").c_str()), 0);
    for (const char* name : {"demo.vyk", "globe.vyk", "torus.vyk", "panel.vyk", "morph_c.vyk", "bracket.stl"}) {
        SCOPED_TRACE(name);
        const std::string original = vyktest::sourcePath(std::string("examples/") + name);
        const std::string converted = dir.file(std::string(name) + ".vyk");
        vyktest::RunResult r = vyktest::run({vyktest::programPath("vykconv"), original, converted});
        ASSERT_EQ(r.status, 0) << r.err;
        r = vyktest::run({vyktest::programPath("vykshot"), "--size", "400x300", "-o", dir.file("a.png"), original});
        ASSERT_EQ(r.status, 0) << r.err;
        r = vyktest::run({vyktest::programPath("vykshot"), "--size", "400x300", "-o", dir.file("b.png"), converted});
        ASSERT_EQ(r.status, 0) << r.err;
        bool sameSize = false;
        Difference d = compare(dir.file("a.png"), dir.file("b.png"), sameSize);
        ASSERT_TRUE(sameSize);
        // Coordinates written to 6 significant digits move an edge by far
        // less than a pixel: a few pixels may change by a few levels.
        EXPECT_LE(d.maxChannel, 16);
        EXPECT_EQ(d.pixelsOver, 0);
        EXPECT_LT(d.meanChannel, 0.01);
    }
}

} // namespace
