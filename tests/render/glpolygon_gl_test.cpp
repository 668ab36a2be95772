#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/glmorph.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vyk3d;
using vyktest::makeQuad;
using Target = vyktest::OffscreenTarget;

namespace
{

struct Scene {
    mtx3w identity = identityMatrix();
    pos3 light{0, 0, 100};
    texture_t texture;
    environment_t none;
    void draw(const environment_t& env, polygon_t& poly, bool selection = false)
    {
        glpolygon_t& r = vyktest::polygonRenderer();
        if (selection)
            r.drawselect(env, 0, texture, poly, &identity, &identity, &identity, &identity, &light, 200.0f);
        else
            r.drawsolid(env, 0, texture, poly, &identity, &identity, &identity, &identity, &light, 200.0f);
    }
};

// A quad over the middle half of the target, lit head-on: the built-in maps
// leave the vertex colour, blended by its alpha over the black background;
// an unnamed environment adds nothing, whatever its alphas. Of a selection
// only the selected triangle shows; the other holds restart indices.
TEST(GlPolygon, DrawsolidBlendsAndDrawselectShowsOnlyTheSelection)
{
    Scene s;
    ASSERT_TRUE(s.texture.open(nullptr));
    environment_t unnamed;
    unnamed.reflectalpha = unnamed.refractalpha = 1;
    polygon_t quad;
    makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, {0, 0, 1, 0.5f});
    {
        Target target;
        s.draw(unnamed, quad);
        target.expectPixel(20, 20, {0, 0, 128});
        target.expectPixel(5, 5, {0, 0, 0});
    }
    for (uint32_t selected : {0u, 1u}) {
        polygon_t whole;
        makeQuad(whole, -1, -1, 1, 1, -0.5f, {1, 1, 0, 1});
        whole.selectpolygon(selected);
        Target target;
        s.draw(unnamed, whole, true);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, selected == 0) << "triangle " << selected;
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, selected == 1) << "triangle " << selected;
    }
    EXPECT_FALSE(checkGL("GlPolygon.DrawsolidBlendsAndDrawselectShowsOnlyTheSelection"));
}

// A surface with only the built-in maps and no environment is drawn by the
// plain program; with map files holding the built-in texels (white colour
// and specular, a flat bump) by the full one. Over a lit quad with a
// highlight, both give the same pixels.
TEST(GlPolygon, PlainProgramDrawsWhatTheFullOneDraws)
{
    vyktest::TempDir dir;
    dir.write("white.bmp", vyktest::bmpFile(1, 1, {255, 255, 255}));
    dir.write("flat.bmp", vyktest::bmpFile(1, 1, {0, 0, 127})); // read as signed bytes
    Scene plain, full;
    full.texture.colormap = full.texture.specularmap = "white.bmp";
    full.texture.bumpmap = "flat.bmp";
    ASSERT_TRUE(plain.texture.open(nullptr) && full.texture.open(dir.file("scene.vyk").c_str()));
    ASSERT_TRUE(plain.texture.builtinMapsOnly() && !full.texture.builtinMapsOnly());
    polygon_t quad;
    makeQuad(quad, -1, -1, 1, 1, -0.5f, {0.8f, 0.5f, 0.2f, 1});
    std::vector<uint8_t> pictures[2];
    for (Scene* s : {&plain, &full}) {
        Target target;
        s->draw(s->none, quad);
        pictures[s == &full] = target.pixels();
    }
    EXPECT_NE(pictures[0][4 * (64 * 32 + 32)], pictures[0][0]); // the highlight
    EXPECT_EQ(pictures[0], pictures[1]);
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
            Scene s;
            s.texture.colormap = "grid.bmp";
            s.texture.mipmap = s.texture.nearlinear = s.texture.maglinear = false;
            s.texture.mercatorsphere = mercatorsphere;
            ASSERT_TRUE(s.texture.open(dir.file("scene.vyk").c_str()));
            polygon_t quad;
            makeQuad(quad, -1, -1, 1, 1, -0.5f, {1, 1, 1, 1});
            morphpair_t pair{&s.texture, &s.texture, &quad, &quad};
            pair.build();
            Target target;
            if (morph)
                vyktest::morphRenderer().drawsolid(s.none, 0, pair, 0.0f, &s.identity, &s.identity, &s.identity,
                                                   &s.identity, &s.light, 200.0f);
            else
                s.draw(s.none, quad);
            const std::vector<uint8_t> rgba = target.pixels();
            int wrong = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    const float u = (x + 0.5f) / 64, v = mercatorsphere ? mercator((y + 0.5f) / 64) : (y + 0.5f) / 64;
                    const uint8_t* p = &rgba[4 * (64 * y + x)];
                    if (std::fabs(v * 8 - std::round(v * 8)) < 0.01f || p[2] > 4)
                        continue; // on a texel edge, or in the highlight, which adds to all three
                    wrong += std::abs(p[0] - (int(u * 8) * 32 + 16)) > 4 || std::abs(p[1] - (int(v * 8) * 32 + 16)) > 4;
                }
            EXPECT_EQ(wrong, 0);
        }
}

} // namespace
