// The material lines of the scene text writer, which need no GL. (No map,
// and a specular map alone, are in the section texts of the GL tests.)
#include "sceneio/scene_writer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{

TEST(SceneWriterMaterial, Lines)
{
    struct Case {
        const char* name;
        void (*set)(vyk3d::texture_t&);
        const char* text;
    };
    const Case cases[] = {
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

} // namespace
