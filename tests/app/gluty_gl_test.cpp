// The registry against a real GLUT window: single init, flags, trampolines.
#include "app/gluty.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

class Recorder : public dorv::glutyAPI4
{
  public:
    std::vector<std::string> calls;
    void init() override
    {
        calls.push_back("init");
        dorv::glutyRegistry::instance()->setKeyRepeat(true);
    }
    void display() override { calls.push_back("display"); }
    void keyboard(unsigned char k, int, int) override { calls.push_back(std::string("key ") + char(k)); }
    void specialUp(int k, int, int) override { calls.push_back("specialUp " + std::to_string(k)); }
    void mouse(int b, int s, int, int) override { log("mouse ", b, s); }
    void mouseWheel(int w, int d, int, int) override { log("wheel ", w, d); }
    void log(const std::string& what, int a, int b)
    {
        calls.push_back(what + std::to_string(a) + " " + std::to_string(b));
    }
};

TEST(GlutyRegistryGL, InitRunsOnceAndItsKeyRepeatStays)
{
    int argc = 1;
    char name[] = "glutytest";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    dorv::glutyRegistry* reg = dorv::glutyRegistry::instance();
    EXPECT_EQ(reg->createWindow(nullptr, "nothing"), -1);
    EXPECT_TRUE(reg->windows.empty());
    Recorder r;
    const int window = reg->createWindow(&r, "glutytest");
    ASSERT_GT(window, 0);
    reg->installCallbacks();
    reg->installCallbacks();
    EXPECT_EQ(r.calls, std::vector<std::string>{"init"});
    EXPECT_EQ(glutDeviceGet(GLUT_DEVICE_KEY_REPEAT), GLUT_KEY_REPEAT_ON);

    // The trampolines reach the current window's object.
    r.calls.clear();
    dorv::glutyRegistry::onDisplay();
    dorv::glutyRegistry::onKeyboard('s', 0, 0);
    const int presses[][2] = {{3, GLUT_DOWN}, {3, GLUT_UP},    {4, GLUT_DOWN}, {4, GLUT_UP}, {5, GLUT_UP},
                              {6, GLUT_UP},   {-1, GLUT_DOWN}, {2, GLUT_DOWN}, {0, GLUT_UP}};
    for (const auto& p : presses)
        dorv::glutyRegistry::onMouse(p[0], p[1], 0, 0);
    dorv::glutyRegistry::onSpecialUp(GLUT_KEY_SHIFT_L, 0, 0);
    // Wheel presses are dropped, their releases are steps; buttons 5 and 6
    // are the second wheel.
    EXPECT_EQ(r.calls, (std::vector<std::string>{"display", "key s", "wheel 0 1", "wheel 0 -1", "wheel 1 1",
                                                 "wheel 1 -1", "mouse 2 0", "mouse 0 1", "specialUp 112"}));

    // Events of a window without an object are dropped.
    reg->windows.erase(window);
    r.calls.clear();
    dorv::glutyRegistry::onDisplay();
    dorv::glutyRegistry::onMouse(0, GLUT_DOWN, 0, 0);
    EXPECT_TRUE(r.calls.empty());
    reg->setKeyRepeat(false);
    EXPECT_EQ(glutDeviceGet(GLUT_DEVICE_KEY_REPEAT), GLUT_KEY_REPEAT_OFF);
}

} // namespace
