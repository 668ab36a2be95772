// Scenes converted by vykconv draw the same picture as their originals,
// as vykshot shows them.
#include "support/mesh_files.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "../app/x11_session.h" // after gtest.h: Xlib defines None and Bool

#include <sys/stat.h>
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

// Mesh files converted to scene text in another directory: maps named from
// there, embedded ones written beside as PNG, and the same picture, in the
// material's or the texture's colour.
TEST(VykconvPictures, MeshFilesKeepTheirMaps)
{
    vyktest::TempDir dir;
    const vyktest::TempDir& src = dir;
    assimptest::objFiles(src);
    dir.write("tri.gltf", assimptest::gltf(dir, R"(,"translation":[0,0,-3])", {0, 200, 0}));
    ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
    const struct {
        const char *in, *out, *line, *png;
        int channel; // the colour's strongest
    } cases[] = {
        {"quad.obj", "out/q.vyk", "texture ../maps/tex.bmp", nullptr, 0},
        {"tri.gltf", "out/t.vyk", "texture t_0.png", "out/t_0.png", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        vyktest::RunResult r = vyktest::run({vyktest::programPath("vykconv"), dir.file(c.in), dir.file(c.out)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(vyktest::readFile(dir.file(c.out)).find(c.line), std::string::npos);
        EXPECT_TRUE(!c.png || vyktest::fileExists(dir.file(c.png)));
        for (const std::string f : {c.in, c.out}) {
            r = vyktest::run(
                {vyktest::programPath("vykshot"), "--size", "200x150", "-o", dir.file(f + ".png"), dir.file(f)});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        int worst = 0;
        double mean = 0;
        ASSERT_TRUE(compare(dir.file(std::string(c.in) + ".png"), dir.file(std::string(c.out) + ".png"), worst, mean));
        EXPECT_LE(worst, 16);
        // Off the highlight some pixels show the colour.
        const apptest::Image img = apptest::readImage(dir.file(std::string(c.in) + ".png"));
        long coloured = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const std::array<int, 3> p = img.at(x, y);
                coloured += p[c.channel] > p[(c.channel + 1) % 3] + 60 && p[c.channel] > p[(c.channel + 2) % 3] + 60;
            }
        EXPECT_GT(coloured, 20);
    }
}

} // namespace
