// Scenes converted by vykconv draw the same picture as their originals,
// as vykshot shows them.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include "textures/png.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace
{

// Per channel: the largest difference and the mean one; nothing when the
// pictures differ in size or do not load.
bool compare(const std::string& a, const std::string& b, int& worst, double& mean)
{
    libgr::grImage2D x, y;
    if (!libgr::pngLoad(x, a.c_str()) || !libgr::pngLoad(y, b.c_str()) || x.width != y.width || x.height != y.height ||
        x.bitsPerPixel() != y.bitsPerPixel())
        return false;
    const uint32_t bytes = x.width * (x.bitsPerPixel() / 8);
    long total = 0;
    worst = 0;
    for (uint32_t r = 0; r < x.height; ++r)
        for (uint32_t i = 0; i < bytes; ++i) {
            const int d = std::abs(int(x.row(r)[i]) - int(y.row(r)[i]));
            worst = std::max(worst, d);
            total += d;
        }
    mean = double(total) / (double(x.height) * bytes);
    return true;
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
        int worst = 0;
        double mean = 0;
        ASSERT_TRUE(compare(dir.file("a.png"), dir.file("b.png"), worst, mean));
        // Coordinates written to 6 significant digits move an edge by far
        // less than a pixel: a few pixels may change by a few levels.
        EXPECT_LE(worst, 16);
        EXPECT_LT(mean, 0.01);
    }
}

} // namespace
