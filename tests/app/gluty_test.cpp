#include "app/gluty.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// Records every handler call as text.
class Recorder : public dorv::glutyAPI4
{
  public:
    std::vector<std::string> calls;
    void mouse(int b, int s, int x, int y) override
    {
        calls.push_back("mouse " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + " " +
                        std::to_string(y));
    }
    void mouseWheel(int w, int d, int x, int y) override
    {
        calls.push_back("wheel " + std::to_string(w) + " " + std::to_string(d) + " " + std::to_string(x) + " " +
                        std::to_string(y));
    }
};

TEST(GlutyMouse, ButtonsAndWheelSteps)
{
    const struct {
        int button, state;
        const char* call; // empty: dropped
    } cases[] = {
        {0, 0, "mouse 0 0 7 9"},
        {0, 1, "mouse 0 1 7 9"},
        {1, 0, "mouse 1 0 7 9"},
        {2, 1, "mouse 2 1 7 9"},
        {3, 0, ""},
        {3, 1, "wheel 0 1 7 9"},
        {4, 0, ""},
        {4, 1, "wheel 0 -1 7 9"},
        {5, 1, "wheel 1 1 7 9"},
        {6, 1, "wheel 1 -1 7 9"},
        {-1, 0, ""},
    };
    for (const auto& c : cases) {
        Recorder r;
        dorv::dispatchMouse(&r, c.button, c.state, 7, 9);
        if (*c.call == '\0') {
            EXPECT_TRUE(r.calls.empty()) << c.button << "/" << c.state;
        } else {
            ASSERT_EQ(r.calls.size(), 1u) << c.button << "/" << c.state;
            EXPECT_EQ(r.calls[0], c.call);
        }
    }
}

TEST(GlutyRegistry, NullObjectGetsNoWindow)
{
    dorv::glutyRegistry* reg = dorv::glutyRegistry::instance();
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg->createWindow(nullptr, "nothing"), -1);
    EXPECT_TRUE(reg->windows.empty());
}

} // namespace
