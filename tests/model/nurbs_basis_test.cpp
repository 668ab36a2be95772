#include "model/nurbs_basis.h"

#include <gtest/gtest.h>

#include "support/capture.h"

#include <cmath>
#include <string>
#include <vector>

using namespace vyk3d;

namespace
{

knotview_t view(const std::vector<float>& k)
{
    return {k.data(), 1, k.size()};
}

// The unrolled orders and the table for higher orders must give the very
// values of the plain recursion, knot by knot, including the knots themselves
// (where the closed intervals make two order-1 functions 1).
TEST(NurbsBasis, FastFormsMatchTheRecursionExactly)
{
    const std::vector<std::vector<float>> knotVectors = {
        {0, 0, 0, 0, 1, 1, 1, 1},                                     // cubic Bezier
        {0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1}, // unclamped
        {0, 0, 0.5f, 0.5f, 0.5f, 1, 1, 1},                            // a triple interior knot
        {0, 0, 0, 0, 0, 0, 0, 0.3f, 1, 1, 1, 1, 1, 1, 1},             // order 7 material
    };
    for (const auto& k : knotVectors)
        for (uint64_t order = 1; order <= 7; ++order)
            for (uint64_t i = 0; i + order < k.size(); ++i)
                for (size_t s = 0; s <= 40 + k.size(); ++s) { // 41 steps, then the knots
                    const float x = s <= 40 ? s / 40.0f : k[s - 41];
                    EXPECT_EQ(nurbsBasis(view(k), i, order, x), nurbsBasisRecursive(view(k), i, order, x))
                        << "order " << order << " i " << i << " x " << x;
                }
}

TEST(NurbsBasis, OutOfRangeIndexOrOrderGivesZero)
{
    const std::vector<float> k = {0, 0, 1, 1};
    const knotview_t t = view(k);
    EXPECT_EQ(nurbsBasis(t, 0, 0, 0.5f), 0.0f); // order 0
    EXPECT_EQ(nurbsBasis(t, 3, 1, 1.0f), 0.0f); // needs t[4]
    EXPECT_EQ(nurbsBasis(t, 0, 4, 0.5f), 0.0f); // needs t[4]
    EXPECT_EQ(nurbsBasis(t, 1, 1, 1.0f), 1.0f); // closed interval: x = t[i+1] counts
}

// A bilinear patch whose knots 0, 0, 0.5, 0.5 cover only [0, 0.5]: the far
// edges fall back to the curves through the last row or column; the
// uncovered interior keeps the undivided (zero) sums rather than 0 / 0.
TEST(NurbsSurface, UncoveredParametersFallBackOrStayFinite)
{
    const float knots[8] = {0, 0, 0.5f, 0.5f, 0, 0, 0.5f, 0.5f}, weights[4] = {1, 1, 1, 1};
    const ctlpt_t points[4] = {
        {0, 0, 0, 1, 0, 0, 1}, {2, 0, 0, 0, 1, 0, 1}, {0, 4, 0, 0, 0, 1, 1}, {2, 4, 1, 1, 1, 1, 0}};
    const nurbsgrid_t grid{2, 2, 2, 2, knots, knots, weights, points};
    const struct {
        float u, v;
        const char* message; // expected stderr
        std::vector<float> want;
    } cases[] = {
        {1, 1, "", {2, 4, 1, 1, 1, 1, 0}},                 // corner
        {1, 0.25f, "", {2, 2, 0.5f, 0.5f, 1, 0.5f, 0.5f}}, // halfway up the last column
        {0.75f, 0, "", {}},                                // row 0, itself uncovered
        {0.75f, 0.5f, "nurbs_surface(): is not reached point reached. u=0.75, v=0.5\n", {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "u " << c.u << " v " << c.v);
        ctlpt_t p;
        EXPECT_EQ(vyktest::stderrOf([&] { p = nurbs_surface(grid, c.u, c.v); }), c.message);
        const float* f = &p.x;
        for (int n = 0; n < 7; ++n) {
            EXPECT_TRUE(std::isfinite(f[n]));
            if (!c.want.empty()) {
                EXPECT_NEAR(f[n], c.want[n], 1e-6f) << "component " << n;
            }
        }
    }
}

} // namespace
