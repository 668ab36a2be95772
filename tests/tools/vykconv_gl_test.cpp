// Scenes converted by vykconv draw the same picture as their originals,
// as vykshot shows them.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "../app/x11_session.h" // after gtest.h: Xlib defines None and Bool

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace
{

// Per channel: the largest difference and the mean one; false when the
// pictures differ in size or do not load.
bool compare(const std::string& a, const std::string& b, int& worst, double& mean)
{
    const apptest::Image x = apptest::readImage(a), y = apptest::readImage(b);
    if (x.empty() || x.width != y.width || x.height != y.height)
        return false;
    long total = 0;
    worst = 0;
    for (size_t i = 0; i < x.rgb.size(); ++i) {
        const int d = std::abs(int(x.rgb[i]) - int(y.rgb[i]));
        worst = std::max(worst, d);
        total += d;
    }
    mean = double(total) / double(x.rgb.size());
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
