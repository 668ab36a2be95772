#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "gl/scoped_map.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/glmorph.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_fixtures.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vyk3d;
using vyktest::makeQuad;
using Target = vyktest::OffscreenTarget;

namespace
{

// Both renderers build all six built-in sources and find every uniform of
// their lookup lists: a missing one would print "can't determine the location.".
TEST(Renderers, InitBuildsTheBuiltInProgramsQuietly)
{
    glpolygon_t polygon;
    glmorph_t morph;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_TRUE(polygon.init("") && morph.init("")); }), "");
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
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    vyktest::TempDir dir;
    vyktest::writeCubeFaces(dir.file("sky"), [](int) { return vyktest::rgb_t{255, 255, 255}; });
    environment_t white;
    white.name = "sky.bmp";
    ASSERT_TRUE(white.initex(dir.file("scene.vyk").c_str()));
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
        makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, c.colour);
        environment_t env = white;
        env.name = c.env;
        env.reflectalpha = c.reflect;
        env.refractalpha = c.refract;
        Target target;
        vyktest::polygonRenderer().drawsolid(env, 0, s.texture, quad, &s.identity, &s.identity, &s.identity,
                                             &s.identity, &s.light, 200.0f);
        target.expectPixel(20, 20, c.inside);
        target.expectPixel(5, 5, {0, 0, 0});
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawsolidShadesWithVertexColourAndEnvironment"));
}

// A colour map of 8 x 8 texels, red counting columns and green rows, read
// with the nearest texel over a quad whose texture coordinates run from 0
// to 1 across the target: plain, or through the Mercator mapping of v,
// drawn by either renderer (the morph renderer at rate 0 shows A's map).
TEST(GlPolygon, ColourMapIsReadAtTheTextureCoordinateOrItsMercatorMapping)
{
    vyktest::TempDir dir;
    std::string grid;
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            grid += {char(0), char(row * 32 + 16), char(col * 32 + 16)}; // BGR, bottom row first
    ASSERT_TRUE(libgr::bmpSave(imgtest::makeImage({libgr::grFmtBGR, libgr::grTypeUINT, libgr::grBits8}, 8, 8, grid),
                               dir.file("grid.bmp").c_str()));
    const auto mercator = [](float v) { return std::asin(std::fmod(v, 1.0f) * 2 - 1) / float(M_PI) + 0.5f; };
    for (bool morph : {false, true})
        for (bool mercatorsphere : {false, true}) {
            SCOPED_TRACE(testing::Message() << (morph ? "morph" : "polygon") << (mercatorsphere ? " Mercator" : ""));
            texture_t texture;
            texture.colormap = "grid.bmp";
            texture.mipmap = texture.nearlinear = texture.maglinear = false;
            texture.mercatorsphere = mercatorsphere;
            ASSERT_TRUE(texture.open(dir.file("scene.vyk").c_str()));
            polygon_t quad;
            makeQuad(quad, -1, -1, 1, 1, -0.5f, {1, 1, 1, 1});
            morphpair_t pair{&texture, &texture, &quad, &quad};
            pair.build();
            const mtx3w identity = identityMatrix();
            const pos3 light{0, 0, 100};
            environment_t none;
            Target target;
            if (morph)
                vyktest::morphRenderer().drawsolid(none, 0, pair, 0.0f, &identity, &identity, &identity, &identity,
                                                   &light, 200.0f);
            else
                vyktest::polygonRenderer().drawsolid(none, 0, texture, quad, &identity, &identity, &identity, &identity,
                                                     &light, 200.0f);
            const std::vector<uint8_t> rgba = target.pixels();
            int wrong = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    const float u = (x + 0.5f) / 64, v = mercatorsphere ? mercator((y + 0.5f) / 64) : (y + 0.5f) / 64;
                    if (std::fabs(v * 8 - std::round(v * 8)) < 0.01f)
                        continue; // on a texel edge
                    const uint8_t* p = &rgba[4 * (64 * y + x)];
                    if (p[2] > 4)
                        continue; // the highlight, which adds to all three
                    wrong += std::abs(p[0] - (int(u * 8) * 32 + 16)) > 4 || std::abs(p[1] - (int(v * 8) * 32 + 16)) > 4;
                }
            EXPECT_EQ(wrong, 0);
        }
}

// Only the selected triangle shows; the other holds restart indices.
TEST(GlPolygon, DrawselectDrawsOnlySelectedTriangles)
{
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    environment_t none;
    for (uint32_t selected : {0u, 1u}) {
        polygon_t quad;
        makeQuad(quad, -1, -1, 1, 1, -0.5f, {1, 1, 0, 1});
        quad.selectpolygon(selected);
        Target target;
        vyktest::polygonRenderer().drawselect(none, 0, s.texture, quad, &s.identity, &s.identity, &s.identity,
                                              &s.identity, &s.light, 200.0f);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, selected == 0) << "triangle " << selected;
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, selected == 1) << "triangle " << selected;
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawselectDrawsOnlySelectedTriangles"));
}

} // namespace
