#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "glpolygon_fixture.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vyk3d;
using rendertest::expectPixel;
using rendertest::makeQuad;
using rendertest::Target;

namespace
{

// Both renderers build all six built-in sources and find every uniform of
// their lookup lists: a missing one would print "can't determine the location.".
TEST(Renderers, InitBuildsTheBuiltInProgramsQuietly)
{
    vyktest::glContext();
    glpolygon_t polygon;
    glmorph_t morph;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(polygon.init(""));
    EXPECT_TRUE(morph.init(""));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(morph.MercatorSphere2, -1);
}

struct Scene {
    mtx3w identity = identityMatrix();
    pos3 light{0, 0, 100};
    texture_t texture;
};

// A quad over the middle half of the target, lit head-on: the built-in white
// colour map and flat bump map leave the vertex colour, blended by its alpha
// over the black background. A white environment adds its reflection or
// refraction by their alphas; without a name nothing is added.
TEST(GlPolygon, DrawsolidShadesWithVertexColourAndEnvironment)
{
    vyktest::glContext();
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    vyktest::TempDir dir;
    environment_t white;
    ASSERT_TRUE(rendertest::whiteCube(dir.path(), white));
    struct {
        col3a colour;
        const char* env;
        float reflect, refract;
        std::array<int, 3> inside;
    } cases[] = {
        {{0, 1, 0, 1}, "", 1, 1, {0, 255, 0}},
        {{0, 0, 1, 0.5f}, "", 0, 0, {0, 0, 128}},
        {{1, 0, 0, 1}, "sky.bmp", 1, 0, {255, 255, 255}},
        {{1, 0, 0, 1}, "sky.bmp", 0, 0.5f, {255, 128, 128}},
        {{1, 0, 0, 1}, "sky.bmp", 0, 0, {255, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.env << "' " << c.reflect << " " << c.refract);
        polygon_t quad;
        ASSERT_TRUE(makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, c.colour));
        environment_t env = white;
        env.name = c.env;
        env.reflectalpha = c.reflect;
        env.refractalpha = c.refract;
        Target target;
        rendertest::renderer<glpolygon_t>().drawsolid(env, 0, s.texture, quad, &s.identity, &s.identity, &s.identity,
                                                      &s.identity, &s.light, 200.0f);
        expectPixel(target, 20, 20, c.inside);
        expectPixel(target, 5, 5, {0, 0, 0});
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawsolidShadesWithVertexColourAndEnvironment"));
}

// Only the selected triangle shows; the other holds restart indices.
TEST(GlPolygon, DrawselectDrawsOnlySelectedTriangles)
{
    vyktest::glContext();
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    environment_t none;
    for (uint32_t selected : {0u, 1u}) {
        polygon_t quad;
        ASSERT_TRUE(makeQuad(quad, -1, -1, 1, 1, -0.5f, {1, 1, 0, 1}));
        quad.selectpolygon(selected);
        Target target;
        rendertest::renderer<glpolygon_t>().drawselect(none, 0, s.texture, quad, &s.identity, &s.identity, &s.identity,
                                                       &s.identity, &s.light, 200.0f);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, selected == 0) << "triangle " << selected;
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, selected == 1) << "triangle " << selected;
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawselectDrawsOnlySelectedTriangles"));
}

// The frame pass over work frames T = +y, B = +z (normal +x) into a capture
// buffer sized for two of the four vertices: both counts are reported, the
// two captured frames copied, and the others keep their supplied frames.
TEST(GlPolygon, ComputeFramesCopiesNoMoreThanWasCaptured)
{
    vyktest::glContext();
    polygon_t quad;
    ASSERT_TRUE(makeQuad(quad, -1, -1, 1, 1, 0, {1, 1, 1, 1}));
    {
        scoped_map_t<float> wk(quad.wknmls);
        ASSERT_TRUE(wk);
        const float pairs[12] = {0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 0, 3};
        for (int k = 0; k < 48; ++k)
            wk[k] = pairs[k % 12];
    }
    ASSERT_TRUE(quad.framefeedback.allocate(18));
    testing::internal::CaptureStderr();
    rendertest::renderer<glpolygon_t>().computeFrames(quad);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "glpolygon wrted != gened: 2, 4\nglpolygon buf != gened: 2, 4\n");
    const std::vector<float> nm = vyktest::readBuffer<float>(quad.normals, 36);
    const std::vector<float> computed = {0, 1, 0, 0, 0, 1, 1, 0, 0}, supplied = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    ASSERT_EQ(nm.size(), 36u);
    for (uint64_t k = 0; k < 4; ++k)
        EXPECT_EQ(std::vector<float>(&nm[9 * k], &nm[9 * k + 9]), k < 2 ? computed : supplied) << k;
}

} // namespace
