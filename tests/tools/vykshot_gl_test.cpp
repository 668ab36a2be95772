// vykshot run as a user runs it: pictures of real scene files, messages and
// exit statuses, and scene files that load but make nonsense.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "support/xserver.h"

#include <gtest/gtest.h>

#include "../app/scene_files.h"
#include "../app/x11_session.h"

#include <string>
#include <vector>

namespace
{

const std::string kShot = vyktest::programPath("vykshot");
const std::string kUsage = "usage: vykshot [--size WxH] [--elapsed MS] -o OUT.png FILE...\n";
const std::array<int, 3> kBackground{46, 46, 46};

class VykshotTest : public ::testing::Test
{
  protected:
    vyktest::XServer x;
    vyktest::TempDir dir;
    void SetUp() override { ASSERT_TRUE(x.ok()); }

    // Runs vykshot in the temporary directory on `files` with `options`.
    vyktest::RunResult shot(const std::vector<std::string>& options, const std::vector<std::string>& files,
                            const std::string& out = "out.png")
    {
        std::string cmd = "cd " + apptest::quote(dir.path()) + " && exec " + apptest::quote(kShot);
        for (const auto& o : options)
            cmd += " " + apptest::quote(o);
        cmd += " -o " + apptest::quote(out);
        for (const auto& f : files)
            cmd += " " + apptest::quote(f);
        return apptest::shell(x, cmd, 120);
    }
    apptest::Image picture(const std::string& out = "out.png") { return apptest::readImage(dir.file(out)); }
    void sky(const std::string& base, int posySize = 2)
    {
        for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
            const uint32_t n = std::string(face) == "posy" ? posySize : 2;
            dir.write(base + "_" + face + ".bmp", apptest::bmpFile(n, n, {20, 60, 220}));
        }
    }
};

TEST(VykshotProgram, OptionsAndUsage)
{
    const std::string size = "vykshot: --size needs WxH, each 1 to 16384.\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{"--help"}, 0, kUsage, ""},
        {{"--version"}, 0, "vykshot " VYK_VERSION "\n", ""},
        {{"--size", "0x600", "-o", "a.png", "a.vyk"}, 1, "", size},
        {{"--size", "800", "-o", "a.png", "a.vyk"}, 1, "", size},
        {{"--elapsed", "-5", "-o", "a.png", "a.vyk"},
         1,
         "",
         "vykshot: --elapsed needs milliseconds, 0 to 4294967295.\n"},
        {{"--frobnicate", "-o", "a.png", "a.vyk"}, 1, "", "vykshot: unknown option --frobnicate.\n"},
        {{"a.vyk"}, 1, "", kUsage},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kShot};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const vyktest::RunResult r = vyktest::run(argv, 30, {"DISPLAY="});
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

// The corners show the clear colour, or the sky box where there is an
// environment; the middle half of a view without one shows the model, if any.
TEST_F(VykshotTest, PicturesOfScenes)
{
    sky("sky");
    dir.write("quad.vyk", apptest::quadSection(2, 2, 0, {200, 40, 40}));
    dir.write("scene.vyk", apptest::environmentSection("sky") + apptest::quadSection(1, 1, 0, {200, 40, 40}));
    dir.write("empty.vyk", "begin environment\nend\n");
    const struct {
        std::string file;
        bool sky, model;
    } cases[] = {
        {"quad.vyk", false, true},
        {"scene.vyk", true, true},
        {"empty.vyk", false, false},
        {vyktest::sourcePath("examples/demo.vyk"), true, true},
        {vyktest::sourcePath("examples/globe.vyk"), true, true},
        {vyktest::sourcePath("examples/torus.vyk"), false, true},
        {vyktest::sourcePath("examples/panel.vyk"), false, true},
        {vyktest::sourcePath("examples/bracket.stl"), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const vyktest::RunResult r = shot({"--size", "400x300"}, {c.file});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const apptest::Image img = picture();
        ASSERT_EQ(img.width, 400);
        ASSERT_EQ(img.height, 300);
        for (auto [cx, cy] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}}) {
            if (c.sky)
                EXPECT_NE(img.at(cx, cy), kBackground) << cx << "," << cy;
            else
                EXPECT_EQ(img.at(cx, cy), kBackground) << cx << "," << cy;
        }
        if (c.sky)
            continue; // the model is not told from the sky by colour
        long model = 0;
        for (int y = 75; y < 225; ++y)
            for (int x0 = 100; x0 < 300; ++x0)
                model += img.at(x0, y) != kBackground;
        EXPECT_EQ(model > 3000, c.model) << model;
    }
}

TEST_F(VykshotTest, MorphBetweenTwoFilesFollowsTheClock)
{
    dir.write("a.vyk", apptest::quadSection(2, 2, 0, {230, 0, 0}));
    dir.write("b.vyk", apptest::quadSection(2, 2, 0, {0, 0, 230}));
    auto take = [&](const std::vector<std::string>& files, const char* ms) {
        const std::string out = files[0] + ms + ".png";
        const vyktest::RunResult r = shot({"--elapsed", ms}, files, out);
        EXPECT_EQ(r.status, 0) << r.err;
        return picture(out);
    };
    const apptest::Image start = take({"a.vyk", "b.vyk"}, "0"), half = take({"a.vyk", "b.vyk"}, "500"),
                         second = take({"a.vyk", "b.vyk"}, "1000");
    ASSERT_FALSE(start.empty() || half.empty() || second.empty());
    const auto a = start.at(250, 300), h = half.at(250, 300), b = second.at(250, 300); // away from the highlight
    EXPECT_GT(a[0], a[2] + 50);                                                        // first file: red
    EXPECT_GT(b[2], b[0] + 50);                                                        // second file: blue
    EXPECT_TRUE(h[0] < a[0] && h[0] > b[0] && h[2] > a[2] && h[2] < b[2]) << h[0] << "," << h[2]; // between
    // Step 1 at rate 0 is the second file's models, as the first step of the
    // files in the other order; two full cycles later the clock is back at 0.
    EXPECT_EQ(apptest::differingPixels(second, take({"b.vyk", "a.vyk"}, "0")), 0);
    EXPECT_EQ(apptest::differingPixels(take({"a.vyk", "b.vyk"}, "4000"), start), 0);
}

// Without an X server vykshot draws through EGL; with one but EGL's vendor
// list hidden, through a hidden window on it. The pictures agree; with
// neither there is one line and status 1.
TEST_F(VykshotTest, SamePictureWithoutAnXServer)
{
    const std::string noEgl = "__EGL_VENDOR_LIBRARY_FILENAMES=/dev/null";
    auto take = [&](std::vector<std::string> argv, const std::vector<std::string>& files, const std::string& out) {
        argv.insert(argv.begin(), "/usr/bin/env");
        argv.insert(argv.end(), {kShot, "--size", "400x300", "--elapsed", "1500", "-o", dir.file(out)});
        argv.insert(argv.end(), files.begin(), files.end());
        return vyktest::run(argv);
    };
    const std::string globe = vyktest::sourcePath("examples/globe.vyk");
    const std::vector<std::string> scenes[] = {
        {globe}, {vyktest::sourcePath("examples/morph_a.vyk"), vyktest::sourcePath("examples/morph_b.vyk")}};
    for (const auto& files : scenes) {
        SCOPED_TRACE(files[0]);
        vyktest::RunResult r = take({"-u", "DISPLAY"}, files, "egl.png");
        ASSERT_EQ(r.status, 0) << r.err;
        r = take({x.env(), noEgl}, files, "glx.png");
        ASSERT_EQ(r.status, 0) << r.err;
        const apptest::Image egl = picture("egl.png");
        ASSERT_FALSE(egl.empty());
        EXPECT_EQ(apptest::differingPixels(egl, picture("glx.png"), 3), 0);
    }
    const vyktest::RunResult r = take({"-u", "DISPLAY", noEgl}, {globe}, "none.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "no OpenGL context: neither EGL nor an X display is available.\n");
}

TEST_F(VykshotTest, LoadFailuresEndWithStatusOne)
{
    dir.write("good.vyk", apptest::quadSection(1, 1, 0, {100, 100, 100}));
    dir.write("comments.vyk", "# nothing here\n");
    const struct {
        std::vector<std::string> files;
        const char* err;
    } cases[] = {
        {{"missing.vyk"}, "missing.vyk: file open error.\nmissing.vyk: load error.\n"},
        {{"good.vyk", "comments.vyk", "missing.vyk"}, "comments.vyk: load error.\n"},
        {{"good.vyk", "picture.png"}, "file extension not recognized.\npicture.png: load error.\n"},
    };
    for (const auto& c : cases) {
        const vyktest::RunResult r = shot({}, c.files, "fail.png");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(vyktest::fileExists(dir.file("fail.png")));
    }
}

// Files that load but make nonsense: the picture is still written, the
// program ends normally and its first line on stderr says what was wrong.
TEST_F(VykshotTest, NonsenseScenesNeitherCrashNorHang)
{
    const std::string quad = apptest::quadSection(1, 1, 0, {100, 100, 100});
    const std::string first = "position -0.5,-0.5,0\n";
    auto withFirst = [&](const std::string& p) { return std::string(quad).replace(quad.find(first), first.size(), p); };
    // inf - inf is NaN; 1e400 is infinite once stored as a float
    dir.write("nan.vyk", withFirst("position 1e400-1e400,-0.5,0\n"));
    dir.write("inf.vyk", withFirst("position 1e400,-0.5,0\n"));
    dir.write("point.vyk", apptest::quadSection(0, 0, 0, {100, 100, 100}));
    dir.write("quad.vyk", quad);
    const std::string frame = "tangent 1,0,0\nbinormal 0,1,0\nnormal 0,0,1\n";
    dir.write("triangle.vyk", "begin polygon_surface,3,3\nposition 0,0,0\nposition 1,0,0\nposition 0,1,0\n"
                              "element 0\nelement 1\nelement 2\n" +
                                  frame + frame + frame + "end\n");
    sky("odd", 4);
    dir.write("oddsky.vyk", apptest::environmentSection("odd") + quad);
    const std::string notFinite = "vykview_t::fitScene(): 1 positions are not finite; ignored.\n";
    const struct {
        std::vector<std::string> files;
        std::string err;
    } cases[] = {
        {{"nan.vyk"}, notFinite},
        {{"inf.vyk"}, notFinite},
        {{"point.vyk"}, "vykview_t::fitScene(): the scene has no extent; the view frames a unit box.\n"},
        {{"quad.vyk", "triangle.vyk"}, "morphpair_t::build(): B has 3 vertices, fewer than A's 4; A is drawn alone.\n"},
        {{"oddsky.vyk"}, "odd_posy.bmp: cube face is 4x4, not a square of the first face's size 2x2.\n"},
    };
    for (const auto& c : cases) {
        const vyktest::RunResult r = shot({"--size", "160x120"}, c.files, "bad.png");
        EXPECT_FALSE(r.timedOut) << c.files[0];
        EXPECT_EQ(r.status, 0) << c.files[0] << "\n" << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err);
        EXPECT_FALSE(picture("bad.png").empty()) << c.files[0];
    }
}

} // namespace
