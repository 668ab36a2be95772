// The real vykview binary on a private X server, driven with real input
// events (XTEST through xdotool): the window, keys and mouse, and the ways
// the program ends. Its usage and failures are in command_line_gl_test.cpp.
#include "support/paths.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "support/x11_session.h" // after gtest.h: Xlib defines None and Bool

#include <signal.h>

#include <memory>
#include <string>

namespace
{

using namespace vyktest;

const std::string kViewer = programPath("vykview");
const std::array<int, 3> kClear{46, 46, 46};
const std::string kQuad = quadSection({{2, 1.5f, 0}}, {220, 120, 40});

// One viewer window on its own X server, placed on screen and focused.
class ViewerSession : public ::testing::Test
{
  protected:
    std::unique_ptr<XServer> x = std::make_unique<XServer>();
    TempDir dir;
    std::unique_ptr<Process> viewer;
    std::string window;
    std::string options; // before the files

    // Starts vykview in the temporary directory (relative names stay
    // relative, so the title shows them as typed) and waits for its first
    // frame: the clear colour in the corner, and the model in the middle
    // unless the scene has none.
    bool start(const std::vector<std::string>& files, bool model = true)
    {
        if (!x->ok())
            return false;
        std::string cmd = "cd " + quote(dir.path()) + " && exec " + quote(kViewer) + options;
        for (const auto& f : files)
            cmd += " " + quote(f);
        viewer = std::make_unique<Process>(std::vector<std::string>{"/bin/sh", "-c", cmd},
                                           std::vector<std::string>{x->env()});
        window = findWindow(*x, files[0] + " - vykview");
        if (window.empty())
            return false;
        xdo("windowfocus --sync " + window);
        return !grabUntil(*x, window, dir, [&](const Image& img) {
                    return img.at(0, 0) == kClear && (img.at(400, 300) != kClear) == model;
                }).empty();
    }
    void xdo(const std::string& args) { shell(*x, "xdotool " + args); }
    Image grab() { return grabWindow(*x, window, dir); }
    // Grabs until the picture equals (or differs from) `ref`.
    Image grabWhile(const Image& ref, bool untilEqual)
    {
        return grabUntil(
            *x, window, dir, [&](const Image& img) { return (differingPixels(img, ref) == 0) == untilEqual; }, 10);
    }
    // Grabs until the window is `w` pixels wide; returns its height then.
    int heightAtWidth(int w)
    {
        return grabUntil(
                   *x, window, dir, [&](const Image& img) { return img.width == w; }, 10)
            .height;
    }
    void quit(const char* key = "q", const std::string& out = "")
    {
        xdo(std::string("key ") + key);
        const RunResult r = viewer->wait(15);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, out);
    }
};

// Two files: a right drag turns the model and Enter restores the first frame
// (the morph clock waits for space); f toggles full screen and back; space
// starts and stops the morph; s and S change the shininess; Escape quits.
TEST_F(ViewerSession, KeysAndMouse)
{
    dir.write("a.vyk", quadSection({{2, 2, 0}}, {230, 0, 0}));
    dir.write("b.vyk", quadSection({{2, 2, 0}}, {0, 0, 230}));
    ASSERT_TRUE(start({"a.vyk", "b.vyk"})) << viewer->errSoFar();
    const Image first = grab();
    const std::string to = "mousemove --window " + window;
    xdo(to + " 400 300 mousedown 3 " + to + " 420 300 " + to + " 450 310 mouseup 3");
    EXPECT_GT(differingPixels(grabWhile(first, false), first), 1000);
    xdo("key Return");
    EXPECT_EQ(differingPixels(grabWhile(first, true), first), 0);
    xdo("key f");
    EXPECT_EQ(heightAtWidth(1280), 1024); // the whole screen of the test server
    xdo("key f");
    EXPECT_EQ(heightAtWidth(800), 600);
    xdo("key space");
    EXPECT_GT(differingPixels(grabWhile(first, false), first), 1000);
    xdo("key space");
    sleepSeconds(0.5); // let the last redisplay land
    const Image stopped = grab();
    sleepSeconds(1.0);
    EXPECT_EQ(differingPixels(grab(), stopped), 0);
    xdo("key --delay 50 s s s S");
    quit("Escape", "shininess: 11\nshininess: 12\nshininess: 13\nshininess: 12\n");
}

// The colour that leads beside the highlight: 0 red, 1 green, 2 blue.
int leadingChannel(const Image& img)
{
    const std::array<int, 3> c = img.at(550, 350);
    return c[1] > c[0] && c[1] > c[2] ? 1 : c[2] > c[0] && c[2] > c[1] ? 2 : 0;
}

long covered(const Image& img)
{
    long n = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x0 = 0; x0 < img.width; ++x0)
            n += img.at(x0, y) != kClear;
    return n;
}

// Every kind of save shows without a restart, with the camera where the
// user left it; a broken save leaves the last good picture and the watch
// goes on; F12 saves what the window shows, under a new name each time.
TEST_F(ViewerSession, ReloadsEachSaveAndSavesScreenshots)
{
    // Colours of three digits each, so that every version has one length.
    auto quad = [](rgb_t c, const std::string& extra = "") {
        std::string s = quadSection({{2, 1.5f, 0}}, c);
        return s.insert(s.size() - 4, extra);
    };
    dir.write("tex.bmp", bmpFile(2, 2, {0, 255, 0}));
    dir.write("quad.vyk", quad({220, 100, 100}));
    ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
    const Image first = grab();
    xdo("click --window " + window + " 5"); // wheel: the camera moves
    const long size = covered(grabWhile(first, false));
    ASSERT_GT(size, covered(first)); // nearer

    const std::string next = quote(dir.file("next.vyk")), scene = quote(dir.file("quad.vyk"));
    const struct {
        const char* save;
        std::string command, file, text;
        int shows;
    } saves[] = {
        {"in place", "cat " + next + " 1<>" + scene, "next.vyk", quad({100, 220, 100}), 1},
        {"truncate, then write", ": >" + scene + "; sleep 0.05; cat " + next + " >>" + scene, "next.vyk",
         quad({100, 100, 220}), 2},
        {"rename", "mv " + next + " " + scene, "next.vyk", quad({220, 100, 100}), 0},
        {"broken", "cat " + next + " >" + scene, "next.vyk", "begin polygon_surface,4,4\n", 0},
        {"good after broken", "cat " + next + " >" + scene, "next.vyk", quad({255, 255, 255}, "texture tex.bmp\n"), 1},
        {"texture", "cp " + quote(dir.file("blue.bmp")) + " " + quote(dir.file("tex.bmp")), "blue.bmp",
         bmpFile(2, 2, {0, 0, 255}), 2},
    };
    for (const auto& s : saves) {
        dir.write(s.file, s.text);
        const Image before = grab();
        ASSERT_EQ(shell(*x, s.command).status, 0) << s.save;
        if (std::string(s.save) == "broken") {
            vyktest::sleepSeconds(1.0);
            EXPECT_EQ(differingPixels(grab(), before), 0);
            EXPECT_NE(viewer->errSoFar().find("quad.vyk: load error; the last good scene stays.\n"), std::string::npos);
            continue;
        }
        const Image after = grabUntil(
            *x, window, dir, [&](const Image& img) { return leadingChannel(img) == s.shows; }, 10);
        EXPECT_EQ(leadingChannel(after), s.shows) << s.save;
        EXPECT_EQ(covered(after), size) << s.save;
    }
    EXPECT_TRUE(viewer->running());

    for (const char* name : {"vykview-0001.png", "vykview-0002.png"}) {
        xdo("key F12");
        for (int i = 0; i < 50 && !vyktest::fileExists(dir.file(name)); ++i)
            vyktest::sleepSeconds(0.1);
        EXPECT_EQ(differingPixels(readImage(dir.file(name)), grab(), 1), 0) << name;
        EXPECT_NE(viewer->errSoFar().find(std::string("screenshot: ") + name + "\n"), std::string::npos);
    }
    quit();
}

// A mesh saved as a file that crashes the importer leaves the viewer
// running with the last good picture, and the title says why: the crash
// ends only the importer's child process.
TEST_F(ViewerSession, ImporterCrashOnReloadKeepsTheLastGoodScene)
{
    dir.write("mesh.off", "OFF\n3 1 0\n-1 -1 0\n1 -1 0\n0 1 0\n3 0 1 2\n");
    ASSERT_TRUE(start({"mesh.off"})) << viewer->errSoFar();
    const Image before = grab();
    const std::string crash = sourcePath("tests/data/importer_crash.off");
    ASSERT_EQ(shell(*x, "cat " + quote(crash) + " >" + quote(dir.file("mesh.off"))).status, 0);
    for (int i = 0; i < 100 && viewer->errSoFar().find("scene stays") == std::string::npos; ++i)
        vyktest::sleepSeconds(0.1);
    EXPECT_NE(
        viewer->errSoFar().find("mesh.off: the importer crashed.\nmesh.off: load error; the last good scene stays.\n"),
        std::string::npos)
        << viewer->errSoFar();
    EXPECT_FALSE(findWindow(*x, "mesh.off: load error; the last good scene stays. - vykview").empty());
    EXPECT_TRUE(viewer->running());
    EXPECT_EQ(differingPixels(grab(), before), 0);
    quit();
}

// Without models the window shows only the clear colour, and with
// --no-watch it stays so when the file changes.
TEST_F(ViewerSession, NoWatchKeepsTheClearedWindow)
{
    options = " --no-watch";
    dir.write("empty.vyk", "begin environment\nend\n"); // loads, without models
    ASSERT_TRUE(start({"empty.vyk"}, false)) << viewer->errSoFar();
    dir.write("empty.vyk", kQuad);
    vyktest::sleepSeconds(1.0);
    EXPECT_EQ(covered(grab()), 0);
    quit();
}

// A window manager's close request, or the end of the X server, ends the
// program without a hang or a crash; the model makes GL objects and
// textures exist when the window goes.
TEST_F(ViewerSession, WindowManagerCloseOrEndOfTheXServerEndsTheProgram)
{
    dir.write("quad.vyk", kQuad);
    for (const bool close : {true, false}) {
        x = std::make_unique<XServer>();
        ASSERT_TRUE(start({"quad.vyk"})) << viewer->errSoFar();
        if (close)
            ASSERT_TRUE(sendDeleteWindow(*x, std::stoul(window)));
        else
            x.reset();
        const RunResult r = viewer->wait(15);
        EXPECT_FALSE(r.timedOut);
        EXPECT_TRUE(close ? r.status == 0 : r.status != 128 + SIGABRT && r.status != 128 + SIGSEGV) << r.err;
    }
}

} // namespace
