#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "glpolygon_fixture.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/scoped_map.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vyk3d;
using rendertest::makeQuad;
using rendertest::Target;

namespace
{

glpolygon_t& renderer()
{
    static glpolygon_t* r = nullptr;
    if (r == nullptr) {
        r = new glpolygon_t;
        EXPECT_TRUE(r->init(""));
    }
    return *r;
}

TEST(GlPolygon, InitResolvesEveryUniformQuietly)
{
    vyktest::glContext();
    glpolygon_t r;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(r.init(""));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const GLint locations[] = {r.Globalview,  r.Modelview,     r.invModelview, r.Projection,   r.LightPosition,
                               r.Shininess,   r.RefractFactor, r.SkyBox,       r.ReflectAlpha, r.RefractAlpha,
                               r.cubeTex,     r.colorTex,      r.bumpTex,      r.specTex,      r.bumpOfs,
                               r.ColorFactor, r.MercatorSphere};
    for (size_t n = 0; n < sizeof locations / sizeof locations[0]; ++n)
        EXPECT_NE(locations[n], -1) << "uniform " << n;
    EXPECT_NE(r.fbprogram.name(), 0u);
}

struct Scene {
    mtx3w identity = identityMatrix();
    pos3 light{0, 0, 100};
    environment_t environment; // no name: no reflection or refraction
    texture_t texture;
};

// A quad over the middle half of the target, lit head-on: the built-in
// white colour map and flat bump map leave the vertex colour, blended by its
// alpha over the black background; the sharp highlight stays in the middle.
TEST(GlPolygon, DrawsolidShadesWithVertexColourAndAlpha)
{
    vyktest::glContext();
    struct {
        col3a colour;
        std::array<int, 4> inside;
    } cases[] = {
        {{1, 0, 0, 1}, {255, 0, 0, 255}},
        {{0, 1, 0, 1}, {0, 255, 0, 255}},
        {{0, 0, 1, 0.5f}, {0, 0, 128, 191}},
    };
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    for (const auto& c : cases) {
        polygon_t quad;
        ASSERT_TRUE(makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, c.colour));
        Target target;
        ASSERT_TRUE(target.complete());
        renderer().drawsolid(s.environment, 0, s.texture, quad, &s.identity, &s.identity, &s.identity, &s.identity,
                             &s.light, 200.0f);
        const std::array<int, 4> in = target.pixel(20, 20), out = target.pixel(5, 5);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(in[k], c.inside[k], 3) << "component " << k;
        EXPECT_EQ(out[0] + out[1] + out[2], 0);
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawsolidShadesWithVertexColourAndAlpha"));
}

// A white environment adds its reflection or refraction by their alphas;
// without a name nothing is added, whatever the alphas say.
TEST(GlPolygon, EnvironmentReflectsAndRefractsOnlyWhenNamed)
{
    vyktest::glContext();
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    vyktest::TempDir dir;
    environment_t white;
    ASSERT_TRUE(rendertest::whiteCube(dir.path(), white));
    struct {
        const char* name;
        float reflect, refract;
        std::array<int, 4> inside;
    } cases[] = {
        {"sky.bmp", 1, 0, {255, 255, 255, 255}},
        {"", 1, 1, {255, 0, 0, 255}},
        {"sky.bmp", 0, 0.5f, {255, 128, 128, 255}},
        {"sky.bmp", 0, 0, {255, 0, 0, 255}},
    };
    polygon_t quad;
    ASSERT_TRUE(makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, {1, 0, 0, 1}));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.name << "' " << c.reflect << " " << c.refract);
        environment_t env = white;
        env.name = c.name;
        env.reflectalpha = c.reflect;
        env.refractalpha = c.refract;
        Target target;
        renderer().drawsolid(env, 0, s.texture, quad, &s.identity, &s.identity, &s.identity, &s.identity, &s.light,
                             200.0f);
        const std::array<int, 4> in = target.pixel(20, 20);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(in[k], c.inside[k], 3) << "component " << k;
    }
    EXPECT_FALSE(checkGL("GlPolygon.EnvironmentReflectsAndRefractsOnlyWhenNamed"));
}

// Only the selected triangle shows; the other holds restart indices.
TEST(GlPolygon, DrawselectDrawsOnlySelectedTriangles)
{
    vyktest::glContext();
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    struct {
        uint32_t selected;
        bool upperLeftLit, lowerRightLit;
    } cases[] = {{0, true, false}, {1, false, true}};
    for (const auto& c : cases) {
        polygon_t quad;
        ASSERT_TRUE(makeQuad(quad, -1, -1, 1, 1, -0.5f, {1, 1, 0, 1}));
        quad.selectpolygon(c.selected);
        Target target;
        renderer().drawselect(s.environment, 0, s.texture, quad, &s.identity, &s.identity, &s.identity, &s.identity,
                              &s.light, 200.0f);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, c.upperLeftLit) << "triangle " << c.selected;
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, c.lowerRightLit) << "triangle " << c.selected;
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawselectDrawsOnlySelectedTriangles"));
}

std::vector<float> readAll(attribute_array_t& a)
{
    scoped_map_t<const float> p(a, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<float>(p.get(), p.get() + a.count() * a.stride());
}

// The frame pass over work frames T = +y, B = +z (normal +x). A capture
// buffer sized for fewer vertices is reported and its frames still copied;
// the rest keep their supplied frames.
TEST(GlPolygon, ComputeFramesReportsMismatchesAndCopiesWhatWasCaptured)
{
    vyktest::glContext();
    struct {
        uint64_t captureWords; // 0: as allocated
        const char* message;
        uint64_t framesCopied;
    } cases[] = {
        {0, "", 4},
        {18, "glpolygon wrted != gened: 2, 4\nglpolygon buf != gened: 2, 4\n", 2},
        {72, "glpolygon buf != gened: 8, 4\n", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.captureWords);
        polygon_t quad;
        ASSERT_TRUE(makeQuad(quad, -1, -1, 1, 1, 0, {1, 1, 1, 1}));
        {
            scoped_map_t<float> wk(quad.wknmls);
            ASSERT_TRUE(wk);
            const float pairs[12] = {0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 0, 3};
            for (int k = 0; k < 4; ++k)
                for (int i = 0; i < 12; ++i)
                    wk[12 * k + i] = pairs[i];
        }
        if (c.captureWords != 0) {
            ASSERT_TRUE(quad.framefeedback.allocate(c.captureWords));
        }
        testing::internal::CaptureStderr();
        renderer().computeFrames(quad);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        const std::vector<float> nm = readAll(quad.normals);
        ASSERT_EQ(nm.size(), 36u);
        for (uint64_t k = 0; k < 4; ++k) {
            const std::vector<float> frame(nm.begin() + 9 * k, nm.begin() + 9 * k + 9);
            const std::vector<float> want = k < c.framesCopied ? std::vector<float>{0, 1, 0, 0, 0, 1, 1, 0, 0}
                                                               : std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1};
            EXPECT_EQ(frame, want) << "vertex " << k;
        }
    }
}

} // namespace
