// vykshot run as a user runs it: pictures of real scene files, messages and
// exit statuses, and scene files that load but make nonsense.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "support/xserver.h"

#include <gtest/gtest.h>

#include "../app/scene_files.h"
#include "../app/x11_session.h"

#include <signal.h>

#include <string>
#include <vector>

namespace
{

using apptest::rgb_t;

const std::string kShot = vyktest::programPath("vykshot");
const std::array<int, 3> kBackground{46, 46, 46};

class VykshotTest : public ::testing::Test
{
  protected:
    vyktest::XServer x;
    vyktest::TempDir dir;

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
};

TEST(VykshotProgram, HelpPrintsUsageOnStdout)
{
    const vyktest::RunResult r = vyktest::run({kShot, "--help"}, 30, {"DISPLAY="});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "usage: vykshot [--size WxH] [--elapsed MS] -o OUT.png FILE...\n");
    EXPECT_EQ(r.err, "");
}

TEST(VykshotProgram, BadOptionsAreRefused)
{
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"--size", "0x600", "-o", "a.png", "a.vyk"}, "vykshot: --size needs WxH, each 1 to 16384.\n"},
        {{"--size", "800", "-o", "a.png", "a.vyk"}, "vykshot: --size needs WxH, each 1 to 16384.\n"},
        {{"--elapsed", "-5", "-o", "a.png", "a.vyk"}, "vykshot: --elapsed needs milliseconds, 0 to 4294967295.\n"},
        {{"--frobnicate", "-o", "a.png", "a.vyk"}, "vykshot: unknown option --frobnicate.\n"},
        {{"a.vyk"}, "usage: vykshot [--size WxH] [--elapsed MS] -o OUT.png FILE...\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kShot};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const vyktest::RunResult r = vyktest::run(argv, 30, {"DISPLAY="});
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(VykshotTest, WithoutEnvironmentTheBackgroundIsTheClearColour)
{
    ASSERT_TRUE(x.ok());
    dir.write("quad.vyk", apptest::quadSection(2, 2, 0, {200, 40, 40}));
    const vyktest::RunResult r = shot({"--size", "320x240"}, {"quad.vyk"});
    ASSERT_EQ(r.status, 0) << r.err;
    const apptest::Image img = picture();
    ASSERT_EQ(img.width, 320);
    ASSERT_EQ(img.height, 240);
    EXPECT_EQ(img.at(0, 0), kBackground);
    EXPECT_EQ(img.at(319, 239), kBackground);
    EXPECT_NE(img.at(100, 120), kBackground); // the quad
}

TEST_F(VykshotTest, EnvironmentFillsTheCornersWithTheSkyBox)
{
    ASSERT_TRUE(x.ok());
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        dir.write(std::string("sky_") + face + ".bmp", apptest::bmpFile(2, 2, {20, 60, 220}));
    dir.write("scene.vyk", apptest::environmentSection("sky") + apptest::quadSection(1, 1, 0, {200, 40, 40}));
    const vyktest::RunResult r = shot({}, {"scene.vyk"});
    ASSERT_EQ(r.status, 0) << r.err;
    const apptest::Image img = picture();
    ASSERT_EQ(img.width, 800);
    for (auto [cx, cy] : {std::pair{0, 0}, {799, 0}, {0, 599}, {799, 599}}) {
        const auto p = img.at(cx, cy);
        EXPECT_GT(p[2], 150) << cx << "," << cy;
        EXPECT_LT(p[0], 80) << cx << "," << cy;
    }
}

TEST_F(VykshotTest, MorphBetweenTwoFilesFollowsTheClock)
{
    ASSERT_TRUE(x.ok());
    dir.write("a.vyk", apptest::quadSection(2, 2, 0, {230, 0, 0}));
    dir.write("b.vyk", apptest::quadSection(2, 2, 0, {0, 0, 230}));
    std::array<int, 3> at[3];
    const char* times[3] = {"0", "500", "1000"};
    for (int i = 0; i < 3; ++i) {
        const std::string out = std::string("m") + times[i] + ".png";
        const vyktest::RunResult r = shot({"--elapsed", times[i]}, {"a.vyk", "b.vyk"}, out);
        ASSERT_EQ(r.status, 0) << r.err;
        const apptest::Image img = picture(out);
        ASSERT_FALSE(img.empty());
        at[i] = img.at(250, 300); // on the quad, away from the highlight
    }
    EXPECT_GT(at[0][0], at[0][2] + 50); // first file: red
    EXPECT_GT(at[2][2], at[2][0] + 50); // second file: blue
    EXPECT_LT(at[1][0], at[0][0]);      // half way: between the two
    EXPECT_GT(at[1][0], at[2][0]);
    EXPECT_GT(at[1][2], at[0][2]);
    EXPECT_LT(at[1][2], at[2][2]);
}

TEST_F(VykshotTest, TooFewModelsInTheNextFile)
{
    ASSERT_TRUE(x.ok());
    const std::string q = apptest::quadSection(1, 1, 0, {100, 100, 100});
    dir.write("three.vyk", q + q + q);
    dir.write("two.vyk", q + q);
    const vyktest::RunResult r = shot({}, {"three.vyk", "two.vyk"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "0, [2:3]: too few models in opposite model.\n");
}

TEST_F(VykshotTest, LoadFailuresEndWithStatusOne)
{
    ASSERT_TRUE(x.ok());
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

TEST_F(VykshotTest, EnvironmentOnlyFileShowsAnEmptyView)
{
    ASSERT_TRUE(x.ok());
    dir.write("empty.vyk", "begin environment\nend\n");
    const vyktest::RunResult r = shot({"--size", "64x48"}, {"empty.vyk"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const apptest::Image img = picture();
    ASSERT_EQ(img.width, 64);
    for (int y = 0; y < 48; ++y)
        for (int x0 = 0; x0 < 64; ++x0)
            ASSERT_EQ(img.at(x0, y), kBackground);
}

// Files that load but make nonsense: the picture is still written, the
// program ends normally and a line on stderr says what was wrong.
TEST_F(VykshotTest, NonsenseScenesNeitherCrashNorHang)
{
    ASSERT_TRUE(x.ok());
    const std::string quad = apptest::quadSection(1, 1, 0, {100, 100, 100});
    const std::string firstPosition = "position -0.5,-0.5,0\n";
    ASSERT_NE(quad.find(firstPosition), std::string::npos);
    std::string nan = quad, inf = quad;
    // inf - inf is NaN; 1e400 is infinite once stored as a float
    nan.replace(nan.find(firstPosition), firstPosition.size(), "position 1e400-1e400,-0.5,0\n");
    inf.replace(inf.find(firstPosition), firstPosition.size(), "position 1e400,-0.5,0\n");
    std::string point = apptest::quadSection(0, 0, 0, {100, 100, 100});
    const std::string triangle =
        "begin polygon_surface,3,3\nposition 0,0,0\nposition 1,0,0\nposition 0,1,0\n"
        "element 0\nelement 1\nelement 2\n"
        "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\nbinormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
        "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nend\n";
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        dir.write(
            std::string("odd_") + face + ".bmp",
            apptest::bmpFile(std::string(face) == "posy" ? 4 : 2, std::string(face) == "posy" ? 4 : 2, {10, 200, 10}));
    dir.write("nan.vyk", nan);
    dir.write("inf.vyk", inf);
    dir.write("point.vyk", point);
    dir.write("quad.vyk", apptest::quadSection(1, 1, 0, {100, 100, 100}));
    dir.write("triangle.vyk", triangle);
    dir.write("oddsky.vyk", apptest::environmentSection("odd") + apptest::quadSection(1, 1, 0, {9, 9, 9}));
    const struct {
        const char* name;
        std::vector<std::string> files;
    } cases[] = {
        {"NaN position", {"nan.vyk"}},
        {"infinite position", {"inf.vyk"}},
        {"zero extent", {"point.vyk"}},
        {"morph pair with fewer vertices in B", {"quad.vyk", "triangle.vyk"}},
        {"cube face of another size", {"oddsky.vyk"}},
    };
    for (const auto& c : cases) {
        const vyktest::RunResult r = shot({"--size", "160x120"}, c.files, "bad.png");
        EXPECT_FALSE(r.timedOut) << c.name;
        EXPECT_EQ(r.status, 0) << c.name << "\n" << r.err;
        EXPECT_NE(r.err, "") << c.name;
        EXPECT_FALSE(picture("bad.png").empty()) << c.name;
    }
}

// The example scenes, as the README shows them.
TEST_F(VykshotTest, ExampleScenes)
{
    ASSERT_TRUE(x.ok());
    const struct {
        const char* file;
        bool sky;
    } cases[] = {
        {"demo.vyk", true}, {"globe.vyk", true}, {"torus.vyk", false}, {"panel.vyk", false}, {"bracket.stl", false},
    };
    for (const auto& c : cases) {
        const vyktest::RunResult r =
            shot({"--size", "400x300"}, {vyktest::sourcePath(std::string("examples/") + c.file)});
        ASSERT_EQ(r.status, 0) << c.file << "\n" << r.err;
        EXPECT_EQ(r.err, "") << c.file;
        const apptest::Image img = picture();
        ASSERT_EQ(img.width, 400) << c.file;
        for (auto [cx, cy] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}}) {
            if (c.sky)
                EXPECT_NE(img.at(cx, cy), kBackground) << c.file << " " << cx << "," << cy;
            else
                EXPECT_EQ(img.at(cx, cy), kBackground) << c.file << " " << cx << "," << cy;
        }
        long model = 0; // pixels of the model in the middle half of the view
        for (int y = 75; y < 225; ++y)
            for (int x0 = 100; x0 < 300; ++x0)
                model += img.at(x0, y) != kBackground;
        EXPECT_GT(model, 3000) << c.file;
    }
}

TEST_F(VykshotTest, ExampleMorphShowsTheSecondFileAfterOneSecond)
{
    ASSERT_TRUE(x.ok());
    const std::string a = vyktest::sourcePath("examples/morph_a.vyk");
    const std::string b = vyktest::sourcePath("examples/morph_b.vyk");
    auto take = [&](const std::vector<std::string>& files, const char* ms, const std::string& out) {
        const vyktest::RunResult r = shot({"--size", "400x300", "--elapsed", ms}, files, out);
        EXPECT_EQ(r.status, 0) << r.err;
        return picture(out);
    };
    const apptest::Image start = take({a, b}, "0", "a0.png");
    const apptest::Image half = take({a, b}, "500", "a500.png");
    const apptest::Image second = take({a, b}, "1000", "a1000.png");
    // Step 1 at rate 0 is the second file's models with their own textures,
    // exactly as the first step of the files in the other order.
    const apptest::Image bFirst = take({b, a}, "0", "b0.png");
    ASSERT_FALSE(start.empty() || half.empty() || second.empty() || bFirst.empty());
    EXPECT_EQ(apptest::differingPixels(second, bFirst), 0);
    EXPECT_GT(apptest::differingPixels(start, second), 1000);
    EXPECT_GT(apptest::differingPixels(half, start), 1000);
    EXPECT_GT(apptest::differingPixels(half, second), 1000);
    // Two full cycles later the clock is back at the start.
    EXPECT_EQ(apptest::differingPixels(take({a, b}, "4000", "a4000.png"), start), 0);
}

} // namespace
