// The real vykview driven with real input events (XTEST through xdotool) on a
// private X server.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "support/xserver.h"

#include <gtest/gtest.h>

#include "scene_files.h"
#include "x11_session.h"

#include <memory>
#include <string>

namespace
{

using apptest::quote;

const std::string kViewer = vyktest::programPath("vykview");

// One viewer window on its own X server, placed on screen, first frame drawn.
class ViewerSession : public ::testing::Test
{
  protected:
    vyktest::XServer x;
    vyktest::TempDir dir;
    std::unique_ptr<vyktest::Process> viewer;
    std::string window;

    bool start(const std::vector<std::string>& files)
    {
        if (!x.ok())
            return false;
        std::string cmd = "cd " + quote(dir.path()) + " && exec " + quote(kViewer);
        for (const auto& f : files)
            cmd += " " + quote(f);
        viewer = std::make_unique<vyktest::Process>(std::vector<std::string>{"/bin/sh", "-c", cmd},
                                                    std::vector<std::string>{x.env()});
        const auto ids = apptest::findWindows(x, files[0] + " - vykview");
        if (ids.size() != 1)
            return false;
        window = ids[0];
        apptest::placeWindow(x, window);
        xdo("windowfocus --sync " + window);
        // Wait for a drawn frame: something other than the clear colour.
        return !firstFrame().empty();
    }
    void xdo(const std::string& args) { apptest::shell(x, "xdotool " + args); }
    apptest::Image grab() { return apptest::grabWindow(x, window, dir); }
    apptest::Image firstFrame()
    {
        // A window is black until its first frame lands: wait for the clear
        // colour in the corner and the model in the middle.
        return apptest::grabUntil(x, window, dir, [](const apptest::Image& img) {
            return img.at(0, 0) == std::array<int, 3>{46, 46, 46} && img.at(400, 300) != std::array<int, 3>{46, 46, 46};
        });
    }
    // Grabs until the picture equals (or differs from) `ref`.
    apptest::Image grabWhile(const apptest::Image& ref, bool untilEqual)
    {
        return apptest::grabUntil(
            x, window, dir,
            [&](const apptest::Image& img) { return (apptest::differingPixels(img, ref) == 0) == untilEqual; }, 10);
    }
};

const std::string kQuad = apptest::quadSection(2, 1.5f, 0, {220, 120, 40});

TEST_F(ViewerSession, ShininessKeysThenQuit)
{
    dir.write("quad.vyk", kQuad);
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    xdo("key --delay 50 s s s");
    xdo("key q");
    const vyktest::RunResult r = viewer->wait(15);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "shininess: 11\nshininess: 12\nshininess: 13\n");
}

TEST_F(ViewerSession, EscapeQuits)
{
    dir.write("quad.vyk", kQuad);
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    xdo("key Escape");
    const vyktest::RunResult r = viewer->wait(15);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(ViewerSession, RightDragTurnsTheModelAndEnterRestoresTheView)
{
    dir.write("quad.vyk", kQuad);
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    const apptest::Image first = grab();
    xdo("mousemove --window " + window + " 400 300 mousedown 3 mousemove --window " + window +
        " 420 300 mousemove --window " + window + " 450 310 mouseup 3");
    const apptest::Image turned = grabWhile(first, false);
    EXPECT_GT(apptest::differingPixels(turned, first), 1000);
    xdo("key Return");
    const apptest::Image restored = grabWhile(first, true);
    EXPECT_EQ(apptest::differingPixels(restored, first), 0);
    xdo("key q");
    EXPECT_EQ(viewer->wait(15).status, 0);
}

TEST_F(ViewerSession, SpaceWithOneFileChangesNothing)
{
    dir.write("quad.vyk", kQuad);
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    const apptest::Image first = grab();
    xdo("key space");
    vyktest::sleepSeconds(1.5);
    EXPECT_EQ(apptest::differingPixels(grab(), first), 0);
    EXPECT_TRUE(viewer->running());
}

TEST_F(ViewerSession, SpaceStartsAndStopsTheMorph)
{
    dir.write("a.vyk", apptest::quadSection(2, 2, 0, {230, 0, 0}));
    dir.write("b.vyk", apptest::quadSection(2, 2, 0, {0, 0, 230}));
    ASSERT_TRUE(start({"a.vyk", "b.vyk"})) << viewer->errSoFar();
    const apptest::Image first = grab();
    vyktest::sleepSeconds(1.0);
    EXPECT_EQ(apptest::differingPixels(grab(), first), 0); // the clock waits for space
    xdo("key space");
    const apptest::Image moving = grabWhile(first, false);
    EXPECT_GT(apptest::differingPixels(moving, first), 1000);
    xdo("key space");
    vyktest::sleepSeconds(0.5); // let the last redisplay land
    const apptest::Image stopped = grab();
    vyktest::sleepSeconds(1.0);
    EXPECT_EQ(apptest::differingPixels(grab(), stopped), 0);
    xdo("key q");
    EXPECT_EQ(viewer->wait(15).status, 0);
}

TEST_F(ViewerSession, FTogglesFullScreen)
{
    dir.write("quad.vyk", kQuad);
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    auto geometry = [&] {
        for (int i = 0; i < 40; ++i) {
            const std::string out = apptest::shell(x, "xdotool getwindowgeometry " + window).out;
            const auto at = out.find("Geometry: ");
            if (at != std::string::npos)
                return out.substr(at + 10, out.find('\n', at) - at - 10);
            vyktest::sleepSeconds(0.1);
        }
        return std::string();
    };
    auto waitFor = [&](const std::string& size) {
        std::string g;
        for (int i = 0; i < 50 && (g = geometry()) != size; ++i)
            vyktest::sleepSeconds(0.1);
        return g;
    };
    xdo("key f");
    EXPECT_EQ(waitFor("1280x1024"), "1280x1024"); // the whole screen of the test server
    xdo("key f");
    EXPECT_EQ(waitFor("800x600"), "800x600");
    xdo("key q");
    EXPECT_EQ(viewer->wait(15).status, 0);
}

} // namespace
