#include "view/pick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

clippolygon_t poly(std::initializer_list<pos3> v)
{
    clippolygon_t p;
    for (const pos3& q : v)
        p.v[p.count++] = q;
    return p;
}

TEST(ClipPolygon, OneLine)
{
    const line2d keepLeftOfOne{-1.0f, 0.0f, 1.0f}; // x <= 1
    const struct {
        const char* name;
        clippolygon_t in;
        std::vector<pos3> out;
    } cases[] = {
        {"inside", poly({{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}}), {{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}}},
        {"outside", poly({{2, 0, 0}, {3, 0, 0}, {2, 1, 0}}), {}},
        {"empty", clippolygon_t{}, {}},
        // the vertex beyond the line is cut off; z is interpolated too
        {"one vertex out", poly({{0, 0, 0}, {2, 0, 1}, {0, 2, 0}}), {{0, 0, 0}, {1, 0, 0.5f}, {1, 1, 0.5f}, {0, 2, 0}}},
        {"two vertices out", poly({{0, 0, 0.2f}, {2, 0, 0}, {2, 2, 0}}), {{0, 0, 0.2f}, {1, 0, 0.1f}, {1, 1, 0.1f}}},
        {"on the line is inside", poly({{1, 0, 0}, {1, 1, 0}, {0, 0, 0}}), {{1, 0, 0}, {1, 1, 0}, {0, 0, 0}}},
    };
    for (const auto& c : cases) {
        const clippolygon_t r = clipPolygon(c.in, keepLeftOfOne);
        ASSERT_EQ(r.count, c.out.size()) << c.name;
        for (std::size_t i = 0; i < c.out.size(); ++i) {
            EXPECT_NEAR(r.v[i].x, c.out[i].x, 1e-6f) << c.name << " " << i;
            EXPECT_NEAR(r.v[i].y, c.out[i].y, 1e-6f) << c.name << " " << i;
            EXPECT_NEAR(r.v[i].z, c.out[i].z, 1e-6f) << c.name << " " << i;
        }
    }
}

// The four lines bound one pixel: a triangle over it is cut to its corners.
TEST(ClipPolygon, TriangleCoveringThePixelGivesItsFourCorners)
{
    line2d region[4];
    pickRegion(10.0f, 20.0f, 50.0f, 50.0f, region);
    clippolygon_t p = poly({{-5, -5, 0.3f}, {5, -5, 0.3f}, {0, 5, 0.3f}});
    for (const line2d& l : region)
        p = clipPolygon(p, l);
    ASSERT_EQ(p.count, 4u);
    for (uint64_t i = 0; i < p.count; ++i) {
        EXPECT_NEAR(std::fabs(p.v[i].x - (10.0f - 50.0f) / 50.0f), 0.01f, 1e-5f);
        EXPECT_NEAR(std::fabs(p.v[i].y - (20.0f - 50.0f) / 50.0f), 0.01f, 1e-5f);
    }
}

} // namespace
