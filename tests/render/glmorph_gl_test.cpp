#include "render/glmorph.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/texture.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>

using namespace vyk3d;
using vyktest::makeQuad;
using Target = vyktest::OffscreenTarget;

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

    void make(uint64_t extraA, uint64_t extraB)
    {
        ASSERT_TRUE(texA.open(nullptr) && texB.open(nullptr));
        makeQuad(polyA, -1, -1, 0, 1, -0.5f, {1, 0, 0, 1}, extraA);
        makeQuad(polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, extraB);
    }
    void draw(float rate)
    {
        vyktest::morphRenderer().drawsolid(environment, 0, pair, rate, &identity, &identity, &identity, &identity,
                                           &light, 200.0f);
    }
};

// Positions and colours move from A to B with the rate; a named
// environment's cube map is reflected by its alpha.
TEST(GlMorph, RateBlendsPositionsColoursAndReflection)
{
    Pair p;
    p.make(0, 0);
    vyktest::TempDir dir;
    vyktest::writeCubeFaces(dir.file("sky"), [](int) { return vyktest::rgb_t{255, 255, 255}; });
    environment_t white;
    white.name = "sky.bmp";
    ASSERT_TRUE(white.initex(dir.file("scene.vyk").c_str()));
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
        target.expectPixel(c.x, 20, c.at);
        target.expectPixel(c.blackX, 20, {0, 0, 0});
    }
    EXPECT_FALSE(checkGL("GlMorph.RateBlendsPositionsColoursAndReflection"));
}

// B with fewer vertices than A would be read past its end: A is drawn alone,
// whatever the rate. B re-allocated after the pair was built is checked
// again at the next draw: grown, the blend returns; shrunk, it is caught.
TEST(GlMorph, ShorterSurfaceBLeavesADrawnAlone)
{
    Pair p;
    p.make(4, 0);
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
        makeQuad(p.polyB, 0, -1, 1, 1, -0.5f, {0, 0, 1, 1}, c.extraB);
        Target target;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      if (c.extraB == 0)
                          p.pair.build();
                      p.draw(0.999f);
                  }),
                  c.message);
        target.expectPixel(8, 20, {c.blends ? 0 : 255, 0, 0});
        target.expectPixel(56, 20, {0, 0, c.blends ? 255 : 0});
    }
    EXPECT_FALSE(checkGL("GlMorph.ShorterSurfaceBLeavesADrawnAlone"));
}

} // namespace
