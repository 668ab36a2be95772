#include "model/texture.h"

#include <gtest/gtest.h>

namespace {

TEST(TexturePath, ResolvesAgainstTheSceneFilesDirectory) {
    struct Case {
        const char* base;
        const char* path;
        const char* full;
    } cases[] = {
        {"scenes/demo.vyk", "wood.jpg", "scenes/wood.jpg"},
        {"scenes/demo.vyk", "maps/wood.jpg", "scenes/maps/wood.jpg"},
        {"/abs/scenes/demo.vyk", "../wood.jpg", "/abs/scenes/../wood.jpg"},
        {"C:\\scenes\\demo.vyk", "wood.bmp", "C:\\scenes\\wood.bmp"},  // a drive and "\" separators
        {"demo.vyk", "wood.jpg", "wood.jpg"},                          // no directory
        {nullptr, "wood.jpg", "wood.jpg"},                             // no base file
        {"scenes/demo.vyk", "/tex/wood.jpg", "/tex/wood.jpg"},         // rooted: as it is
        {"scenes/demo.vyk", "\\tex\\wood.jpg", "\\tex\\wood.jpg"},
        {"scenes/demo.vyk", "D:wood.jpg", "D:wood.jpg"},               // a drive of its own
        {"scenes/demo.vyk", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vyk3d::resolveTexturePath(c.base, c.path), c.full) << (c.base ? c.base : "(null)") << " + " << c.path;
}

TEST(TexturePath, NewSetHasTheDocumentedDefaults) {
    vyk3d::texture_t t;
    EXPECT_TRUE(t.colormap.empty() && t.bumpmap.empty() && t.specularmap.empty());
    EXPECT_EQ(t.anisotropy, 1.0f);
    EXPECT_EQ(t.refractfactor, 0.0f);
    EXPECT_TRUE(t.bumpofs && t.mipmap && t.nearlinear && t.maglinear);
    EXPECT_FALSE(t.bump2mono || t.mercatorsphere);
    EXPECT_EQ(t.colorhandle | t.bumphandle | t.specularhandle, 0u);
    EXPECT_EQ(t.colortexture(), nullptr);
}

}  // namespace
