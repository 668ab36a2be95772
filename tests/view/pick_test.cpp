#include "view/pick.h"

#include <gtest/gtest.h>

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
        for (std::size_t i = 0; i < c.out.size(); ++i)
            EXPECT_TRUE(fequal(r.v[i], c.out[i])) << c.name << " " << i;
    }
}

} // namespace
