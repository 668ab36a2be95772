#include "app/trackball.h"
#include "app/vykview.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr float kTol = 1e-4f;

struct Frame {
    mtx3w invProjection;
    mtx3w proj;
    float hw = 400.0f, hh = 300.0f;
    Frame()
    {
        const projection f = viewFrustum(800, 600);
        proj = frustumMatrix(f);
        invProjection = frustumInverse(f);
    }
};

bool finite(const rot3& r)
{
    return std::isfinite(r.angle) && std::isfinite(r.axis.x) && std::isfinite(r.axis.y) && std::isfinite(r.axis.z);
}

void expectRot(const rot3& r, float angle, dir3 axis)
{
    EXPECT_NEAR(r.angle, angle, kTol);
    EXPECT_NEAR(r.axis.x, axis.x, kTol);
    EXPECT_NEAR(r.axis.y, axis.y, kTol);
    EXPECT_NEAR(r.axis.z, axis.z, kTol);
}

bool drag(trackball_t& tb, const Frame& f, int x, int y, float depth = 0.0f)
{
    const viewMatrices_t v = tb.viewMatrices();
    return tb.motion(x, y, depth, v.invModelview, f.invProjection, f.hw, f.hh);
}

TEST(Trackball, LeftDragOf16PixelsWithoutDepthPansOneUnit)
{
    Frame f;
    trackball_t tb;
    tb.mouse(0, 0, 100, 100);
    EXPECT_TRUE(drag(tb, f, 116, 100));
    EXPECT_EQ(tb.t.x, 1.0f);
    EXPECT_EQ(tb.t.y, 0.0f);
    EXPECT_TRUE(drag(tb, f, 116, 84));
    EXPECT_EQ(tb.t.y, -1.0f);
}

TEST(Trackball, RightDragOf10PixelsTurnsTenDegreesAboutY)
{
    Frame f;
    trackball_t tb;
    tb.mouse(2, 0, 100, 100);
    EXPECT_TRUE(drag(tb, f, 110, 100));
    expectRot(tb.r2, 10.0f, {0, 1, 0});
    expectRot(tb.r3, 10.0f, {0, -1, 0});
    expectRot(tb.r0, 0.0f, {0, 0, 1});
    // Upward drag turns about x by minus one degree per pixel.
    trackball_t up;
    up.mouse(2, 0, 0, 0);
    drag(up, f, 0, 5);
    expectRot(up.r2, 5.0f, {-1, 0, 0});
}

TEST(Trackball, MiddleDragZoomsAndRolls)
{
    Frame f;
    trackball_t tb;
    tb.mouse(1, 0, 10, 10);
    drag(tb, f, 10, 26);
    EXPECT_EQ(tb.t.z, 1.0f);
    drag(tb, f, 40, 26);
    expectRot(tb.r2, 30.0f, {0, 0, 1});
    expectRot(tb.r3, 30.0f, {0, 0, -1});
}

TEST(Trackball, MotionWithoutButtonsChangesNothing)
{
    Frame f;
    trackball_t tb;
    EXPECT_FALSE(drag(tb, f, 50, 50));
    tb.mouse(2, 0, 0, 0);
    tb.mouse(2, 1, 0, 0);
    EXPECT_FALSE(drag(tb, f, 60, 70));
    expectRot(tb.r2, 0.0f, {0, 0, 1});
    // With shift held only the right button acts.
    tb.mouse(0, 0, 0, 0);
    tb.setShift(true, 0, 0);
    EXPECT_FALSE(drag(tb, f, 16, 0));
    EXPECT_EQ(tb.t.x, 0.0f);
}

TEST(Trackball, ShiftHandsTheDragBetweenModelAndEnvironmentWithoutAJump)
{
    Frame f;
    trackball_t tb;
    tb.mouse(2, 0, 100, 100);
    drag(tb, f, 110, 100); // model 10 degrees
    // The pointer moved 2 pixels before the shift press arrived.
    tb.setShift(true, 112, 100);
    drag(tb, f, 120, 100);
    expectRot(tb.r0, 8.0f, {0, 1, 0});
    expectRot(tb.r1, 8.0f, {0, -1, 0});
    expectRot(tb.r2, 10.0f, {0, 1, 0});
    tb.setShift(false, 121, 100);
    drag(tb, f, 126, 100);
    expectRot(tb.r2, 15.0f, {0, 1, 0});
    expectRot(tb.r0, 8.0f, {0, 1, 0});
}

TEST(Trackball, WheelStepsAreAQuarterUnit)
{
    trackball_t tb;
    tb.wheel(+1);
    EXPECT_EQ(tb.t.z, -0.25f);
    tb.wheel(-1);
    EXPECT_EQ(tb.t.z, 0.0f);
    tb.wheel(-1);
    tb.wheel(+1);
    EXPECT_EQ(tb.t.z, 0.0f);
}

TEST(Trackball, DragOutAndBackNeverGivesNaN)
{
    Frame f;
    trackball_t tb;
    tb.mouse(2, 0, 0, 0);
    tb.mouse(1, 0, 0, 0);
    // Many one-pixel steps out and back: rounding pushes the quaternion's w
    // just past 1 near the start.
    for (int round = 0; round < 20; ++round) {
        for (int i = 1; i <= 37; ++i)
            drag(tb, f, i, (i * 3) % 7);
        for (int i = 36; i >= 0; --i)
            drag(tb, f, i, 0);
        ASSERT_TRUE(finite(tb.r2) && finite(tb.r3) && finite(tb.r0) && finite(tb.r1));
    }
    const viewMatrices_t v = tb.viewMatrices();
    for (float e : v.modelview.m)
        ASSERT_TRUE(std::isfinite(e));
}

TEST(Trackball, GrabbedPointFollowsThePointer)
{
    Frame f;
    trackball_t tb;
    tb.t = {0.5f, -0.25f, -5.0f};
    tb.mouse(2, 0, 0, 0);
    drag(tb, f, 30, 20); // some rotation first
    tb.mouse(2, 1, 30, 20);
    const pos3 p{0.3f, 0.2f, 0.1f};
    auto toPixel = [&](const trackball_t& t) {
        const pos3 ndc = transformPoint(f.proj * t.viewMatrices().modelview, p);
        return pos3{ndc.x * f.hw + f.hw, ndc.y * f.hh + f.hh, ndc.z};
    };
    const pos3 start = toPixel(tb);
    tb.mouse(0, 0, int(start.x), int(start.y));
    drag(tb, f, int(start.x) + 40, int(start.y) - 25, start.z);
    const pos3 end = toPixel(tb);
    EXPECT_NEAR(end.x - start.x, 40.0f, 0.01f);
    EXPECT_NEAR(end.y - start.y, -25.0f, 0.01f);
}

TEST(Trackball, InverseModelviewUndoesModelview)
{
    Frame f;
    trackball_t tb;
    tb.t = {1.0f, 2.0f, -7.0f};
    tb.mouse(2, 0, 0, 0);
    drag(tb, f, 25, -40);
    tb.mouse(1, 0, 25, -40);
    drag(tb, f, 60, -40);
    const viewMatrices_t v = tb.viewMatrices();
    const mtx3w id = v.invModelview * v.modelview;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(id[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;
}

} // namespace
