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
using rendertest::expectPixel;
using rendertest::makeQuad;
using rendertest::Target;

namespace
{

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
    void draw(float rate)
    {
        rendertest::renderer<glmorph_t>().drawsolid(environment, 0, pair, rate, &identity, &identity, &identity,
                                                    &identity, &light, 200.0f);
    }
};

// Positions and colours move from A to B with the rate; a named
// environment's cube map is reflected by its alpha.
TEST(GlMorph, RateBlendsPositionsColoursAndReflection)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(0, 0));
    vyktest::TempDir dir;
    environment_t white;
    ASSERT_TRUE(rendertest::whiteCube(dir.path(), white));
    p.pair.build();
    struct {
        float rate, reflect;
        int x, blackX;
        std::array<int, 3> at;
    } cases[] = {
        {0.0f, 0, 8, 56, {255, 0, 0}},     {0.999f, 0, 56, 8, {0, 0, 255}},      {0.5f, 0, 20, 8, {128, 0, 128}},
        {0.0f, 1, 8, 56, {255, 255, 255}}, {0.0f, 0.5f, 8, 56, {255, 128, 128}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << " reflect " << c.reflect);
        p.environment = c.reflect > 0 ? white : environment_t();
        p.environment.reflectalpha = c.reflect;
        Target target;
        p.draw(c.rate);
        expectPixel(target, c.x, 20, c.at);
        expectPixel(target, c.blackX, 20, {0, 0, 0});
    }
    EXPECT_FALSE(checkGL("GlMorph.RateBlendsPositionsColoursAndReflection"));
}

// B with fewer vertices than A would be read past its end: A is drawn alone,
// whatever the rate. B re-allocated after the pair was built is checked
// again at the next draw: grown, the blend returns; shrunk, it is caught.
TEST(GlMorph, ShorterSurfaceBLeavesADrawnAlone)
{
    vyktest::glContext();
    Pair p;
    ASSERT_TRUE(p.make(4, 0));
    const struct {
        uint64_t extraB;
        const char* message;
        bool blends;
    } cases[] = {
        {0, "morphpair_t::build(): B has 4 vertices, fewer than A's 8; A is drawn alone.\n", false},
        {4, "", true},
        {2, "morphpair_t::build(): B has 6 vertices, fewer than A's 8; A is drawn alone.\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extraB);
        ASSERT_TRUE(makeQuad(p.polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, c.extraB));
        Target target;
        testing::internal::CaptureStderr();
        if (c.extraB == 0)
            p.pair.build();
        p.draw(0.999f);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(p.pair.blendsB(), c.blends);
        expectPixel(target, 8, 20, {c.blends ? 0 : 255, 0, 0});
        expectPixel(target, 56, 20, {0, 0, c.blends ? 255 : 0});
    }
    EXPECT_FALSE(checkGL("GlMorph.ShorterSurfaceBLeavesADrawnAlone"));
}

} // namespace
