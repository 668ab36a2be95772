// vykshot run as a user runs it: pictures of the examples against their
// reference pictures, the morph clock, and scene files that load but make
// nonsense. Its usage and failures are in command_line_gl_test.cpp.
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "support/x11_session.h" // after gtest.h: Xlib defines None and Bool

#include <filesystem>
#include <string>
#include <vector>

namespace
{

using namespace vyktest;

const std::string kShot = programPath("vykshot");

class VykshotTest : public ::testing::Test
{
  protected:
    XServer x;
    TempDir dir;
    void SetUp() override { ASSERT_TRUE(x.ok()); }

    // Runs vykshot in the temporary directory on `files` with `options`,
    // after env(1) with `env`.
    RunResult shot(const std::vector<std::string>& options, const std::vector<std::string>& files,
                   const std::string& out = "out.png", const std::string& env = "")
    {
        std::string cmd = "cd " + quote(dir.path()) + " && exec env " + env + " " + quote(kShot);
        for (const auto& o : options)
            cmd += " " + quote(o);
        cmd += " -o " + quote(out);
        for (const auto& f : files)
            cmd += " " + quote(f);
        return shell(x, cmd, 120);
    }
    Image picture(const std::string& out = "out.png") { return readImage(dir.file(out)); }
};

// Every example drawn as the README shows it (examples/pictures, made by
// vykshot on llvmpipe). Rendering on llvmpipe repeats to the bit; the
// tolerance leaves room for another Mesa version, not for a shading fault.
// A failure leaves a difference image in the build directory.
TEST_F(VykshotTest, ExamplesMatchTheirReferencePictures)
{
    const std::string ex = sourcePath("examples/");
    const struct {
        const char* picture;
        std::vector<std::string> files;
        const char* elapsed;
    } cases[] = {
        {"demo", {ex + "demo.vyk"}, "0"},
        {"globe", {ex + "globe.vyk"}, "0"},
        {"torus", {ex + "torus.vyk"}, "0"},
        {"panel", {ex + "panel.vyk"}, "0"},
        {"bracket", {ex + "bracket.stl"}, "0"},
        {"morph_ab_500ms", {ex + "morph_a.vyk", ex + "morph_b.vyk", ex + "morph_c.vyk"}, "500"},
    };
    const std::string diffs = programPath("picture-diffs");
    std::filesystem::create_directories(diffs);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        const RunResult r = shot({"--size", "400x300", "--elapsed", c.elapsed}, c.files);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string diff = diffs + "/" + c.picture + ".png";
        std::filesystem::remove(diff); // none left from an earlier run
        EXPECT_LE(differingPixels(picture(), readImage(ex + "pictures/" + c.picture + ".png"), 8, diff), 40)
            << "differences in red: " << diff;
    }
}

// A surface without maps is drawn from its compact form, and with
// VYK_FULL_RECORDS from the full records: the same statuses and messages,
// and pictures apart by rounding alone (no channel by more than 2, at most
// 0.1% of the pixels by more than 1), at two sizes.
TEST_F(VykshotTest, CompactFormDrawsAsTheFullRecords)
{
    std::vector<std::string> files{sourcePath("examples/bracket.stl")};
    for (const std::string folder : {"tests/data", "tests/data/scenes"})
        for (const auto& entry : std::filesystem::directory_iterator(sourcePath(folder)))
            if (entry.path().extension() == ".stl" || entry.path().extension() == ".STL")
                files.push_back(entry.path().string());
    for (const std::string& file : files)
        for (const char* size : {"400x300", "1021x767"}) {
            SCOPED_TRACE(file + " " + size);
            const RunResult compact = shot({"--size", size}, {file}, "compact.png");
            const RunResult full = shot({"--size", size}, {file}, "full.png", "VYK_FULL_RECORDS=1");
            EXPECT_EQ(compact.status, full.status);
            EXPECT_EQ(compact.err, full.err);
            if (full.status != 0)
                continue;
            const Image a = picture("compact.png"), b = picture("full.png");
            EXPECT_EQ(differingPixels(a, b, 2), 0);
            EXPECT_LE(differingPixels(a, b, 1), long(b.rgb.size() / 3 / 1000));
        }
}

// Step 0 at rate 0 is the first file's model, step 1 the second's; two full
// cycles later the clock is back at 0. The blend between is in the morph's
// reference picture.
TEST_F(VykshotTest, MorphBetweenTwoFilesFollowsTheClock)
{
    dir.write("a.vyk", quadSection({{2, 2, 0}}, {230, 0, 0}));
    dir.write("b.vyk", quadSection({{2, 2, 0}}, {0, 0, 230}));
    for (const auto& [elapsed, lead] : {std::pair{"0", 0}, {"1000", 2}, {"4000", 0}}) {
        const RunResult r = shot({"--elapsed", elapsed}, {"a.vyk", "b.vyk"});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto p = picture().at(250, 300); // away from the highlight
        EXPECT_GT(p[lead], p[2 - lead] + 50) << elapsed;
    }
}

// Without an X server vykshot draws through EGL; with one but EGL's vendor
// list hidden, through a hidden window on it. The pictures agree; with
// neither there is one line and status 1.
TEST_F(VykshotTest, SamePictureWithoutAnXServer)
{
    const std::string noEgl = "__EGL_VENDOR_LIBRARY_FILENAMES=/dev/null";
    const std::vector<std::string> options = {"--size", "400x300", "--elapsed", "1500"};
    const std::string globe = sourcePath("examples/globe.vyk");
    const std::vector<std::string> scenes[] = {
        {globe}, {sourcePath("examples/morph_a.vyk"), sourcePath("examples/morph_b.vyk")}};
    for (const auto& files : scenes) {
        SCOPED_TRACE(files[0]);
        RunResult r = shot(options, files, "egl.png", "-u DISPLAY");
        ASSERT_EQ(r.status, 0) << r.err;
        r = shot(options, files, "glx.png", noEgl);
        ASSERT_EQ(r.status, 0) << r.err;
        const Image egl = picture("egl.png");
        ASSERT_FALSE(egl.empty());
        EXPECT_EQ(differingPixels(egl, picture("glx.png"), 3), 0);
    }
    const RunResult r = shot(options, {globe}, "none.png", "-u DISPLAY " + noEgl);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "no OpenGL context: neither EGL nor an X display is available.\n");
}

// Files that load but make nonsense: the picture is still written, the
// program ends normally and its first line on stderr says what was wrong.
TEST_F(VykshotTest, NonsenseScenesNeitherCrashNorHang)
{
    const std::string quad = quadSection({{1, 1, 0}}, {100, 100, 100});
    const std::string first = "position -0.5,-0.5,0\n";
    auto withFirst = [&](const std::string& p) { return std::string(quad).replace(quad.find(first), first.size(), p); };
    // inf - inf is NaN; 1e400 is infinite once stored as a float
    dir.write("nan.vyk", withFirst("position 1e400-1e400,-0.5,0\n"));
    dir.write("inf.vyk", withFirst("position 1e400,-0.5,0\n"));
    dir.write("point.vyk", quadSection({{0, 0, 0}}, {100, 100, 100}));
    dir.write("quad.vyk", quad);
    dir.write("two.vyk", quad + quad);
    dir.write("triangle.stl", kOneFacetStl);
    // An STL reader finds the bounds while it reads: its count must be the same.
    dir.write("inf.stl", std::string(kOneFacetStl).replace(kOneFacetStl.find("0 1 0"), 5, "0 1e400 0"));
    writeCubeFaces(
        dir.file("odd"),
        [](int) {
            return rgb_t{20, 60, 220};
        },
        2, 2);
    dir.write("oddsky.vyk", "begin environment\ncubetex odd.bmp\nend\n" + quad);
    const std::string notFinite = "vykview_t::fitScene(): 1 positions are not finite; ignored.\n";
    const struct {
        std::vector<std::string> files;
        std::string err;
    } cases[] = {
        {{"nan.vyk"}, notFinite},
        {{"inf.vyk"}, notFinite},
        {{"inf.stl"}, notFinite},
        {{"point.vyk"}, "vykview_t::fitScene(): the scene has no extent; the view frames a unit box.\n"},
        {{"two.vyk", "quad.vyk"}, "0, [1:2]: too few models in opposite model.\n"},
        {{"quad.vyk", "triangle.stl"}, "morphpair_t::build(): B has 3 vertices, fewer than A's 4; A is drawn alone.\n"},
        {{"oddsky.vyk"}, "odd_posy.bmp: cube face is 4x4, not a square of the first face's size 2x2.\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = shot({"--size", "160x120"}, c.files, "bad.png");
        EXPECT_FALSE(r.timedOut) << c.files[0];
        EXPECT_EQ(r.status, 0) << c.files[0] << "\n" << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err);
        EXPECT_FALSE(picture("bad.png").empty()) << c.files[0];
    }
}

} // namespace
