// polygon_t::draw over element layouts that are, or only look like, a plain
// triangle list (3k, 3k+1, 3k+2, restart): the triangles drawn are those of
// the strips either way.

#include "foundation/check_gl.h"
#include "glpolygon_fixture.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vyk3d;
using rendertest::Target;

namespace
{

constexpr uint32_t R = restartIndex;

TEST(PolygonDraw, TriangleListsAndStripsDrawTheirTriangles)
{
    vyktest::glContext();
    texture_t texture;
    ASSERT_TRUE(texture.open(nullptr));
    environment_t none;
    const mtx3w identity = identityMatrix();
    const pos3 light{0, 0, 100};
    // Upper-left half (0, 1, 2), lower-right half (3, 4, 5) of the target;
    // 0, 1, 2, 3 are also the quad as one strip.
    const float corners[6][2] = {{-1, 1}, {-1, -1}, {1, 1}, {1, -1}, {-1, -1}, {1, 1}};
    std::vector<float> records, frames;
    for (const auto& q : corners) {
        records.insert(records.end(), {q[0], q[1], -0.5f, 1, 1, 0, 1, 0, 0});
        frames.insert(frames.end(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    }
    const struct {
        const char* label;
        std::vector<uint32_t> elements;
        bool upperLeft, lowerRight;
    } cases[] = {
        {"list", {0, 1, 2, R, 3, 4, 5, R}, true, true},       {"listOfOne", {0, 1, 2, R}, true, false},
        {"noLastRestart", {0, 1, 2, R, 3, 4, 5}, true, true}, {"badIndex", {0, 1, 2, R, 3, 4, 99, R}, true, false},
        {"fourIndexStrip", {0, 1, 2, 3}, true, true}, // (0, 1, 2) and (2, 1, 3)
        {"otherOrder", {3, 4, 5, R, 0, 1, 2, R}, true, true}, {"onlyRestarts", {R, R, R, R}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        ASSERT_TRUE(rendertest::fillPolygon(poly, records, frames, c.elements));
        Target target;
        ASSERT_TRUE(target.complete());
        rendertest::renderer<glpolygon_t>().drawsolid(none, 0, texture, poly, &identity, &identity, &identity,
                                                      &identity, &light, 200.0f);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, c.upperLeft);
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, c.lowerRight);
        EXPECT_FALSE(checkGL(c.label));
    }
}

} // namespace
