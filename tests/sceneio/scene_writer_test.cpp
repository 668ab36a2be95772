// Scene text writer pieces that need no GL: colour quantisation, material
// and environment lines.
#include "sceneio/scene_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace
{

TEST(SceneWriterColor, Quantize)
{
    struct Case {
        float in;
        unsigned out;
    };
    const Case cases[] = {
        {0.502f, 128}, {-3.0f, 0},      {std::numeric_limits<float>::quiet_NaN(), 255},
        {0.5f, 128},   {1.0f, 255},     {7.0f, 255},
        {0.0f, 0},     {1.0f / 255, 1}, {0.498f, 127},
        {-0.0f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quantizeColor(c.in), c.out) << c.in;
}

TEST(SceneWriterMaterial, Lines)
{
    struct Case {
        const char* name;
        void (*set)(vyk3d::texture_t&);
        const char* text;
    };
    const Case cases[] = {
        {"no maps", [](vyk3d::texture_t&) {}, "refractfactor 0\r\nmercatorsphere false\r\n"},
        {"colour map with its filter",
         [](vyk3d::texture_t& t) {
             t.colormap = "images/a b.png";
             t.mipmap = false;
             t.anisotropy = 4;
             t.refractfactor = 0.25f;
             t.mercatorsphere = true;
         },
         "refractfactor 0.25\r\ntexture images/a b.png\r\nmipmap false\r\nnearlinear true\r\nmaglinear true\r\n"
         "aniso 4\r\nmercatorsphere true\r\n"},
        // The filter lines apply to every map: a bump map alone keeps them.
        {"bump map only",
         [](vyk3d::texture_t& t) {
             t.bumpmap = "bump.bmp";
             t.nearlinear = false;
             t.bumpofs = false;
             t.bump2mono = true;
         },
         "refractfactor 0\r\nmipmap true\r\nnearlinear false\r\nmaglinear true\r\naniso 1\r\nbumpmap bump.bmp\r\n"
         "bumpofs false\r\nbump2mono true\r\nmercatorsphere false\r\n"},
        {"specular map only",
         [](vyk3d::texture_t& t) {
             t.specularmap = "s.tga";
             t.maglinear = false;
             t.anisotropy = 0.1234567f;
         },
         "refractfactor 0\r\nmipmap true\r\nnearlinear true\r\nmaglinear false\r\naniso 0.123457\r\n"
         "specular s.tga\r\nmercatorsphere false\r\n"},
        {"all three",
         [](vyk3d::texture_t& t) {
             t.colormap = "c.jpg";
             t.bumpmap = "b.bmp";
             t.specularmap = "s.tga";
             t.refractfactor = 1e-7f;
         },
         "refractfactor 1e-07\r\ntexture c.jpg\r\nmipmap true\r\nnearlinear true\r\nmaglinear true\r\naniso 1\r\n"
         "bumpmap b.bmp\r\nbumpofs true\r\nbump2mono false\r\nspecular s.tga\r\nmercatorsphere false\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vyk3d::texture_t t;
        c.set(t);
        std::ostringstream out;
        out.precision(2); // the caller's stream settings do not matter
        EXPECT_TRUE(writeMaterial(t, out));
        EXPECT_EQ(out.str(), c.text);
    }
}

TEST(SceneWriterEnvironment, Lines)
{
    vyk3d::environment_t env;
    std::ostringstream empty;
    EXPECT_FALSE(writeEnvironment(env, empty));
    EXPECT_EQ(empty.str(), "");

    env.name = "images/sky.jpg";
    env.reflectalpha = 0.3f;
    env.refractalpha = 1234567.0f;
    env.refractfactor = -0.5f;
    std::ostringstream out;
    EXPECT_TRUE(writeEnvironment(env, out));
    EXPECT_EQ(out.str(), "begin environment\r\ncubetex images/sky.jpg\r\nreflectalpha 0.3\r\n"
                         "refractalpha 1.23457e+06\r\nrefractfactor -0.5\r\nend\r\n");
}

} // namespace
