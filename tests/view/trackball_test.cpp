#include "view/scene_view.h"
#include "view/trackball.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const projection kFrustum = viewFrustum(800, 600);

bool drag(trackball_t& tb, int x, int y)
{
    return tb.motion(x, y, 0.0f, tb.viewMatrices().invModelview, frustumInverse(kFrustum), 400.0f, 300.0f);
}

void expectRot(const rot3& r, float angle, dir3 axis, const char* what)
{
    EXPECT_TRUE(std::fabs(r.angle - angle) < 1e-4f && fequal(r.axis, axis))
        << what << ": " << r.angle << " about " << r.axis.x << "," << r.axis.y << "," << r.axis.z;
}

// One drag from (100, 100) per case: the left button pans 16 pixels to a
// unit (no depth grabbed), the right turns a degree a pixel, the middle
// zooms up and down and rolls left and right.
TEST(Trackball, DragsByButton)
{
    const struct {
        int button, x, y;
        pos3 t;
        float angle;
        dir3 axis;
    } cases[] = {
        {0, 116, 100, {1, 0, 0}, 0, {0, 0, 1}},  {0, 100, 84, {0, -1, 0}, 0, {0, 0, 1}},
        {2, 110, 100, {0, 0, 0}, 10, {0, 1, 0}}, {2, 100, 105, {0, 0, 0}, 5, {-1, 0, 0}},
        {1, 100, 116, {0, 0, 1}, 0, {0, 0, 1}},  {1, 130, 100, {0, 0, 0}, 30, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " to " << c.x << "," << c.y);
        trackball_t tb;
        tb.mouse(c.button, 0, 100, 100);
        EXPECT_TRUE(drag(tb, c.x, c.y));
        EXPECT_TRUE(fequal(tb.t, c.t));
        expectRot(tb.r2, c.angle, c.axis, "model");
        expectRot(tb.r0, 0.0f, {0, 0, 1}, "environment");
        tb.mouse(c.button, 1, c.x, c.y);
        EXPECT_FALSE(drag(tb, 0, 0)); // released: nothing moves
    }
}

TEST(Trackball, ShiftHandsTheDragBetweenModelAndEnvironmentWithoutAJump)
{
    trackball_t tb;
    tb.mouse(2, 0, 100, 100);
    drag(tb, 110, 100); // model 10 degrees
    // The pointer moved 2 pixels before the shift press arrived.
    tb.setShift(true, 112, 100);
    drag(tb, 120, 100);
    expectRot(tb.r0, 8.0f, {0, 1, 0}, "environment");
    expectRot(tb.r1, 8.0f, {0, -1, 0}, "inverse environment");
    expectRot(tb.r2, 10.0f, {0, 1, 0}, "model");
    tb.setShift(false, 121, 100);
    drag(tb, 126, 100);
    expectRot(tb.r2, 15.0f, {0, 1, 0}, "model");
    expectRot(tb.r0, 8.0f, {0, 1, 0}, "environment");
}

} // namespace
