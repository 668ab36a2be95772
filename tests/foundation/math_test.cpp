#include "foundation/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

void expectDir(const dir3& expected, const dir3& actual, float tol = 1e-5f)
{
    EXPECT_TRUE(std::fabs(expected.x - actual.x) <= tol && std::fabs(expected.y - actual.y) <= tol &&
                std::fabs(expected.z - actual.z) <= tol)
        << actual.x << " " << actual.y << " " << actual.z;
}

TEST(MathTest, ToleranceComparisons)
{
    const struct {
        float a, b;
        bool eq, lt, gt, le, ge;
    } cases[] = {
        {1.0f, 1.00001f, true, false, false, true, true},
        {1.0f, 1.0001f, false, true, false, true, false},
        {1.0001f, 1.0f, false, false, true, false, true},
        {-3.0f, -3.0f, true, false, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        EXPECT_EQ((std::vector<bool>{c.eq, c.lt, c.gt, c.le, c.ge}),
                  (std::vector<bool>{fequal(c.a, c.b), fless(c.a, c.b), fgreater(c.a, c.b), flessequal(c.a, c.b),
                                     fgreaterequal(c.a, c.b)}));
    }
    EXPECT_TRUE(fequal(1.0f, 1.00001f, 0.999995f));
    EXPECT_FALSE(fequal(1.0f, 1.00001f, 1.0001f));
}

TEST(MathTest, VectorProducts)
{
    expectDir({0, 0, 0}, normalize({0, 0, 0}));
    expectDir({0.6f, 0.8f, 0}, normalize({3, 4, 0}));
    EXPECT_FLOAT_EQ(32.0f, dot({1, 2, 3}, {4, 5, 6}));
    // Counter-clockwise in the xy plane faces +z.
    expectDir({0, 0, 1}, triangleUnitNormal({0, 0, 0}, {2, 0, 0}, {2, 2, 0}));
    expectDir({0, 0, 0}, triangleUnitNormal({1, 1, 1}, {1, 1, 1}, {2, 2, 2}));
    const pos3 h = homogenize({2, 4, 6, 2});
    EXPECT_TRUE(h.x == 1.0f && h.y == 2.0f && h.z == 3.0f);
}

TEST(MathTest, RotationsAndTheirProducts)
{
    const struct {
        rot3 r;
        dir3 in, out;
    } cases[] = {
        {{90, {0, 0, 2}}, {1, 0, 0}, {0, 1, 0}}, // the axis is normalised
        {{90, {1, 0, 0}}, {0, 1, 0}, {0, 0, 1}},   {{90, {0, 1, 0}}, {0, 0, 1}, {1, 0, 0}},
        {{180, {0, 0, 1}}, {1, 0, 0}, {-1, 0, 0}}, {{120, {1, 1, 1}}, {1, 0, 0}, {0, 1, 0}}, // cycles the axes
        {{-90, {0, 0, 1}}, {0, 1, 0}, {1, 0, 0}},  {{45, {0, 0, 0}}, {1, 2, 3}, {1, 2, 3}},  // no axis: no rotation
    };
    for (const auto& c : cases) {
        const mtx3w m = rotation(c.r);
        expectDir(c.out, transformDir(m, c.in));
        EXPECT_TRUE(m[15] == 1.0f && m[12] == 0.0f && m[3] == 0.0f) << c.r.angle;
    }
    // R(a) R(-a) is the identity.
    const mtx3w m = rotation({33, {1, 2, 3}}) * rotation({-33, {1, 2, 3}});
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(i % 5 == 0 ? 1.0f : 0.0f, m[i], 1e-5f) << i;
}

TEST(MathTest, ZeroVectorPartGivesZAxisAndWPastOneNoNaN)
{
    // A composition that cancels exactly: Qz(30) then Qz(-30). Rounding can
    // leave w just above 1 (or below -1): no NaN.
    const struct {
        rot3 r;
        float angle;
    } cases[] = {{toRot3(qua{1, 0, 0, 0}), 0},
                 {compose({30, {0, 0, 1}}, {-30, {0, 0, 1}}), 0},
                 {toRot3(qua{1.0000001f, 1e-8f, 0, 0}), 0},
                 {toRot3(qua{-1.0000001f, 0, 1e-8f, 0}), 360}};
    for (const auto& c : cases) {
        EXPECT_NEAR(c.angle, c.r.angle, 0.05f);
        EXPECT_NEAR(1.0f, length(c.r.axis), 1e-5f) << c.angle;
    }
    expectDir({0, 0, 1}, cases[0].r.axis);
}

} // namespace
