// The real vykview binary on a private X server: usage line, the window,
// and the ways the program ends.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "support/xserver.h"

#include <gtest/gtest.h>

#include "scene_files.h"
#include "x11_session.h"

#include <signal.h>

#include <memory>
#include <string>

namespace
{

using apptest::quote;

const std::string kViewer = vyktest::programPath("vykview");

// A scene that loads without models: an environment section without a name.
const char kEmptyScene[] = "begin environment\nend\n";

// Starts vykview in `dir` with the given arguments (relative names stay
// relative, so the title shows them as typed).
std::unique_ptr<vyktest::Process> startViewer(const vyktest::XServer& x, const vyktest::TempDir& dir,
                                              const std::string& args)
{
    return std::make_unique<vyktest::Process>(
        std::vector<std::string>{"/bin/sh", "-c",
                                 "cd " + quote(dir.path()) + " && exec " + quote(kViewer) + " " + args},
        std::vector<std::string>{x.env()});
}

TEST(VykviewProgram, UsageLineWithoutFiles)
{
    // No display at all: the usage line must not need one.
    const vyktest::RunResult r = vyktest::run({kViewer}, 30, {"DISPLAY="});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "usage: " + kViewer + " file.vyk ...\n");
    EXPECT_EQ(r.out, "");
}

TEST(VykviewProgram, OpensOneClearedWindowAndRunsUntilKilled)
{
    vyktest::XServer x;
    ASSERT_TRUE(x.ok());
    vyktest::TempDir dir;
    dir.write("anything.vyk", kEmptyScene);
    auto viewer = startViewer(x, dir, "anything.vyk");
    const auto ids = apptest::findWindows(x, "anything.vyk - vykview");
    ASSERT_EQ(ids.size(), 1u) << viewer->errSoFar();
    const vyktest::RunResult geo = apptest::shell(x, "xdotool getwindowgeometry " + ids[0]);
    EXPECT_NE(geo.out.find("Geometry: 800x600"), std::string::npos) << geo.out;
    apptest::placeWindow(x, ids[0]);
    const apptest::Image shot = apptest::grabUntil(x, ids[0], dir, [](const apptest::Image& img) {
        return img.at(400, 300) == std::array<int, 3>{46, 46, 46};
    });
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    for (int y = 0; y < 600; y += 37)
        for (int x0 = 0; x0 < 800; x0 += 41)
            ASSERT_EQ(shot.at(x0, y), (std::array<int, 3>{46, 46, 46})) << x0 << "," << y;
    vyktest::sleepSeconds(1.0);
    EXPECT_TRUE(viewer->running());
    viewer->signal(SIGTERM);
    const vyktest::RunResult r = viewer->wait(10);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, "");
}

TEST(VykviewProgram, WindowManagerCloseEndsTheProgram)
{
    vyktest::XServer x;
    ASSERT_TRUE(x.ok());
    vyktest::TempDir dir;
    // A model, so that GL objects and textures exist when the window goes.
    dir.write("a.vyk", apptest::quadSection(1, 1, 0, {200, 100, 0}));
    auto viewer = startViewer(x, dir, "a.vyk");
    const auto ids = apptest::findWindows(x, "a.vyk - vykview");
    ASSERT_EQ(ids.size(), 1u);
    vyktest::sleepSeconds(0.5);
    ASSERT_TRUE(apptest::sendDeleteWindow(x, std::stoul(ids[0])));
    const vyktest::RunResult r = viewer->wait(15);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(VykviewProgram, EndOfTheXServerEndsTheProgram)
{
    auto x = std::make_unique<vyktest::XServer>();
    ASSERT_TRUE(x->ok());
    vyktest::TempDir dir;
    dir.write("a.vyk", apptest::quadSection(1, 1, 0, {200, 100, 0}));
    auto viewer = startViewer(*x, dir, "a.vyk");
    ASSERT_EQ(apptest::findWindows(*x, "a.vyk - vykview").size(), 1u);
    x.reset();
    const vyktest::RunResult r = viewer->wait(15);
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(r.status, 128 + SIGABRT) << r.err;
    EXPECT_NE(r.status, 128 + SIGSEGV) << r.err;
}

TEST(VykviewProgram, RefusesOpenGLBelow33)
{
    vyktest::XServer x;
    ASSERT_TRUE(x.ok());
    vyktest::TempDir dir;
    const std::string scene = dir.write("a.vyk", apptest::quadSection(1, 1, 0, {200, 100, 0}));
    // Mesa offers the context as OpenGL 3.0.
    for (const std::string& program : {kViewer, vyktest::programPath("vykshot")}) {
        std::vector<std::string> argv{program};
        if (program != kViewer)
            argv.insert(argv.end(), {"-o", dir.file("x.png")});
        argv.push_back(scene);
        const vyktest::RunResult r = vyktest::run(argv, 30, {x.env(), "MESA_GL_VERSION_OVERRIDE=3.0"});
        EXPECT_FALSE(r.timedOut) << program;
        EXPECT_EQ(r.status, 1) << program;
        EXPECT_EQ(r.err, "OpenGL 3.3 or later required.\n") << program;
    }
}

TEST(VykviewProgram, LoadFailureEndsWithStatusOne)
{
    vyktest::XServer x;
    ASSERT_TRUE(x.ok());
    vyktest::TempDir dir;
    dir.write("good.vyk", apptest::quadSection(1, 1, 0, {200, 100, 0}));
    // The second file fails; the third is never read.
    const vyktest::RunResult r = apptest::shell(
        x, "cd " + quote(dir.path()) + " && exec " + quote(kViewer) + " good.vyk missing.vyk alsomissing.vyk", 30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "missing.vyk: file open error.\nmissing.vyk: load error.\n");
    EXPECT_EQ(r.out, "");
}

} // namespace
