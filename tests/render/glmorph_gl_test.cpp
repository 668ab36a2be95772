#include "render/glmorph.h"

#include "foundation/check_gl.h"
#include "glpolygon_fixture.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace vyk3d;
using rendertest::makeQuad;
using rendertest::Target;

namespace
{

glmorph_t& renderer()
{
    static glmorph_t* r = nullptr;
    if (r == nullptr) {
        r = new glmorph_t;
        EXPECT_TRUE(r->init(""));
    }
    return *r;
}

TEST(GlMorph, InitResolvesEveryUniformQuietly)
{
    vyktest::glContext();
    glmorph_t r;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(r.init(""));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const GLint locations[] = {r.Globalview,     r.Modelview,      r.invModelview,  r.Projection, r.LightPosition,
                               r.Shininess,      r.MorphingRate,   r.RefractFactor, r.SkyBox,     r.ReflectAlpha,
                               r.RefractAlpha,   r.cubeTex,        r.colorTex,      r.bumpTex,    r.specTex,
                               r.bumpOfs,        r.colorTex2,      r.bumpTex2,      r.specTex2,   r.bumpOfs2,
                               r.MercatorSphere, r.MercatorSphere2};
    for (size_t n = 0; n < sizeof locations / sizeof locations[0]; ++n)
        EXPECT_NE(locations[n], -1) << "uniform " << n;
}

// Surface A: a red quad over the left half; surface B: a blue quad over the
// right half. Both lit head-on with the built-in textures.
struct Pair {
    mtx3w identity = identityMatrix();
    pos3 light{0, 0, 100};
    environment_t environment;
    texture_t texA, texB;
    polygon_t polyA, polyB;
    morphpair_t pair{&texA, &texB, &polyA, &polyB};

    bool make(uint64_t extraA, uint64_t extraB)
    {
        return texA.open(nullptr) && texB.open(nullptr) && makeQuad(polyA, -1, -1, 0, 1, -0.5f, {1, 0, 0, 1}, extraA) &&
               makeQuad(polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, extraB);
    }
    void draw(Target&, float rate)
    {
        renderer().drawsolid(environment, 0, pair, rate, &identity, &identity, &identity, &identity, &light, 200.0f);
    }
};

void expectPixel(const Target& t, int x, int y, std::array<int, 3> want)
{
    const std::array<int, 4> p = t.pixel(x, y);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(p[k], want[k], 3) << "pixel " << x << "," << y << " component " << k;
}

// Positions and colours move from A to B with the rate.
TEST(GlMorph, RateBlendsPositionsAndColours)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(0, 0));
    testing::internal::CaptureStderr();
    p.pair.build();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(p.pair.blendsB());
    struct {
        float rate;
        int x;
        std::array<int, 3> at, black;
    } cases[] = {
        {0.0f, 8, {255, 0, 0}, {56, 0, 0}},
        {0.999f, 56, {0, 0, 255}, {8, 0, 0}},
        {0.5f, 20, {128, 0, 128}, {8, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        Target target;
        p.draw(target, c.rate);
        expectPixel(target, c.x, 20, c.at);
        expectPixel(target, c.black[0], 20, {0, 0, 0});
    }
    EXPECT_FALSE(checkGL("GlMorph.RateBlendsPositionsAndColours"));
}

// The environment's cube map is reflected by the morph too (unit 6).
TEST(GlMorph, NamedEnvironmentIsReflected)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(0, 0));
    vyktest::TempDir dir;
    ASSERT_TRUE(rendertest::whiteCube(dir.path(), p.environment));
    p.pair.build();
    struct {
        float reflect;
        std::array<int, 3> want;
    } cases[] = {{1, {255, 255, 255}}, {0.5f, {255, 128, 128}}, {0, {255, 0, 0}}};
    for (const auto& c : cases) {
        p.environment.reflectalpha = c.reflect;
        Target target;
        p.draw(target, 0.0f);
        expectPixel(target, 8, 20, c.want);
    }
    EXPECT_FALSE(checkGL("GlMorph.NamedEnvironmentIsReflected"));
}

// B with fewer vertices than A would be read past its end: A is drawn alone,
// whatever the rate.
TEST(GlMorph, ShorterSurfaceBLeavesADrawnAlone)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(4, 0));
    testing::internal::CaptureStderr();
    p.pair.build();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "morphpair_t::build(): B has 4 vertices, fewer than A's 8; A is drawn alone.\n");
    EXPECT_FALSE(p.pair.blendsB());
    EXPECT_EQ(p.pair.textureB(), &p.texA);
    Target target;
    p.draw(target, 0.999f);
    expectPixel(target, 8, 20, {255, 0, 0});
    expectPixel(target, 56, 20, {0, 0, 0});
    EXPECT_FALSE(checkGL("GlMorph.ShorterSurfaceBLeavesADrawnAlone"));
}

// A surface B re-allocated smaller after the pair was built is caught at the
// next draw; when it grows back, the blend returns.
TEST(GlMorph, SurfaceBShrinkingAfterBuildIsCaughtAtDraw)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(2, 4));
    p.pair.build();
    ASSERT_TRUE(p.pair.blendsB());
    ASSERT_TRUE(makeQuad(p.polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, 0));
    {
        Target target;
        testing::internal::CaptureStderr();
        p.draw(target, 0.999f);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "morphpair_t::build(): B has 4 vertices, fewer than A's 6; A is drawn alone.\n");
        EXPECT_FALSE(p.pair.blendsB());
        expectPixel(target, 8, 20, {255, 0, 0});
    }
    ASSERT_TRUE(makeQuad(p.polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, 2));
    {
        Target target;
        p.draw(target, 0.999f);
        EXPECT_TRUE(p.pair.blendsB());
        expectPixel(target, 56, 20, {0, 0, 255});
    }
}

} // namespace
