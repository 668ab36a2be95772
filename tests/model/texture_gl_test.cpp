#include "model/texture.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_fixtures.h"
#include "textures/image_format.h"

namespace
{

using namespace libgr;
using imgtest::bytes;
using imgtest::makeImage;
using vyk3d::textureCache;
using vyktest::texelsOf;

class TextureSetGL : public testing::Test
{
  protected:
    void SetUp() override { vyk3d::clearTextureRegistries(); }
    void TearDown() override { vyk3d::clearTextureRegistries(); }

    // An 8-bit BMP of w x h pixels in the scene directory, grey (no palette)
    // or BGR.
    std::string bmp(const std::string& name, bool grey, uint32_t w, uint32_t h, const std::string& pixels)
    {
        std::string path = dir.file(name);
        grPixelFormat pf{grey ? grFmtLuminance : grFmtBGR, grTypeUINT, grBits8};
        EXPECT_TRUE(bmpSave(makeImage(pf, w, h, pixels), path.c_str()));
        return path;
    }
    // Opens a set of the scene with `bump` as its bump map.
    void openBump(vyk3d::texture_t& set, const std::string& bump, bool bump2mono = false)
    {
        set.bumpmap = bump;
        set.bump2mono = bump2mono;
        ASSERT_TRUE(set.open(scene.c_str()));
    }
    const grImage2D& cached(const std::string& key) { return textureCache().get(textureCache().find(key))->image; }

    vyktest::TempDir dir;
    std::string scene = dir.file("scene.vyk");
};

// The filter flags and the anisotropy of a set reach the GL texture object
// of each of its three maps; the mipmap flag makes the chain of levels.
TEST_F(TextureSetGL, FlagsReachEveryMapsTextureObject)
{
    const struct {
        bool mipmap, nearlinear, maglinear;
        float anisotropy;
        GLint min, mag;
    } cases[] = {
        {false, false, true, 1, GL_NEAREST, GL_LINEAR},
        {false, true, false, 2, GL_LINEAR, GL_NEAREST},
        {true, false, true, 4, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR},
        {true, true, false, 8, GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST},
    };
    bmp("c.bmp", false, 4, 4, std::string(48, char(200)));
    bmp("b.bmp", true, 4, 4, std::string(16, char(9)));
    bmp("s.bmp", true, 4, 4, std::string(16, char(90)));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mipmap << c.nearlinear << c.maglinear << " " << c.anisotropy);
        vyk3d::clearTextureRegistries();
        vyk3d::texture_t set;
        std::tie(set.colormap, set.bumpmap, set.specularmap) = std::tuple("c.bmp", "b.bmp", "s.bmp");
        std::tie(set.mipmap, set.nearlinear, set.maglinear, set.anisotropy) =
            std::tuple(c.mipmap, c.nearlinear, c.maglinear, c.anisotropy);
        ASSERT_TRUE(set.open(scene.c_str()));
        for (grTextureObject* obj : {set.colortexture(), set.bumptexture(), set.speculartexture()}) {
            ASSERT_NE(obj, nullptr);
            glBindTexture(GL_TEXTURE_2D, obj->Name());
            std::vector<float> got(5);
            const GLenum names[4] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_T,
                                     GL_TEXTURE_MAX_ANISOTROPY_EXT};
            for (int k = 0; k < 4; ++k)
                glGetTexParameterfv(GL_TEXTURE_2D, names[k], &got[k]);
            glGetTexLevelParameterfv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &got[4]); // of the second level
            EXPECT_EQ(got, (std::vector<float>{float(c.min), float(c.mag), float(GL_REPEAT), c.anisotropy,
                                               c.mipmap ? 2.0f : 0.0f}));
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A map that does not load gets the built-in one in its place, and the
// maps after it are still opened, whichever of the three fails.
TEST_F(TextureSetGL, AFailedMapGetsTheBuiltInOneTheOthersStillOpen)
{
    bmp("c.bmp", false, 4, 4, std::string(48, char(200)));
    bmp("b.bmp", true, 4, 4, std::string(16, char(9)));
    bmp("s.bmp", true, 4, 4, std::string(16, char(90)));
    vyk3d::texture_t builtIn;
    ASSERT_TRUE(builtIn.open(scene.c_str()));
    for (int failed = 0; failed < 3; ++failed) {
        vyk3d::texture_t set;
        std::string* maps[3] = {&set.colormap, &set.bumpmap, &set.specularmap};
        const char* names[3] = {"c.bmp", "b.bmp", "s.bmp"};
        for (int m = 0; m < 3; ++m)
            *maps[m] = m == failed ? "missing.bmp" : names[m];
        EXPECT_FALSE(set.open(scene.c_str()));
        const uint32_t got[3] = {set.colorhandle, set.bumphandle, set.specularhandle},
                       own[3] = {builtIn.colorhandle, builtIn.bumphandle, builtIn.specularhandle};
        for (int m = 0; m < 3; ++m) // 1: the built-in map, 2: a map of its own
            EXPECT_EQ(!got[m] ? 0 : got[m] == own[m] ? 1 : 2, m == failed ? 1 : 2) << failed << " " << m;
    }
}

// Two sets of one directory share the entry and the GL name.
TEST_F(TextureSetGL, ColourMapIsSharedByTwoSets)
{
    bmp("c.bmp", false, 1, 1, bytes({1, 2, 3}));
    vyk3d::texture_t set, other;
    set.colormap = other.colormap = "c.bmp";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(texelsOf(set.colortexture()), bytes({3, 2, 1, 255}));
    const size_t entries = textureCache().count();
    ASSERT_TRUE(other.open(dir.file("other.vyk").c_str()));
    EXPECT_EQ(other.colortexture()->Name(), set.colortexture()->Name());
    EXPECT_EQ(textureCache().count(), entries);
}

// A bump image without pixels (a derived image whose conversion failed looks
// like this) gives no half-texel offset rather than a division by 0.
TEST_F(TextureSetGL, BumpOffsetOfAnImageWithoutPixelsIsZero)
{
    uint32_t h = textureCache().add(dir.file("empty.bmp"), std::make_shared<vyk3d::texture_entry_t>());
    textureCache().get(h)->image.format = {grFmtRGB, grTypeSINT, grBits8};
    vyk3d::texture_t empty;
    openBump(empty, "empty.bmp");
    EXPECT_EQ(std::make_pair(empty.bumpoffset[0], empty.bumpoffset[1]), std::make_pair(0.0f, 0.0f));
}

// With bump2mono an RGB or BGR bump image becomes luminance; any other image
// (grey already, BGRA, or 16-bit RGB the conversion refuses) is shared into
// its ".mono" entry unchanged, so the bump map is never dropped. Grey images
// become normal maps, colour ones are taken as signed bytes.
TEST_F(TextureSetGL, Bump2MonoChains)
{
    std::string rgb = bmp("colour.bmp", false, 2, 1, bytes({0, 0, 255, 255, 255, 255})); // red, white
    std::string bgra = dir.file("alpha.tga");
    ASSERT_TRUE(autosaveformat(makeImage({grFmtBGRA, grTypeUINT, grBits8}, 2, 1, bytes({1, 2, 3, 4, 5, 6, 7, 8})),
                               bgra.c_str()));
    const struct {
        std::string path;
        const char* suffix; // of the bump handle's key
        bool shared;
    } cases[] = {
        {rgb, ".mono.norm", false},
        {bmp("grey.bmp", true, 2, 1, bytes({50, 50})), ".mono.norm", true},
        {bgra, ".mono.sint", true},
        // 2x1 16-bit RGB (ImageMagick, tests/data/README.md).
        {dir.write("deep.png", vyktest::readFile(imgtest::dataFile("im_rgb16.png"))), ".mono.sint", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        vyk3d::texture_t set;
        vyktest::stderrOf([&] { openBump(set, c.path, true); });
        EXPECT_EQ(set.bumphandle, textureCache().find(c.path + c.suffix));
        grPixelFormat pf;
        texelsOf(set.bumptexture(), 0, 0, &pf);
        EXPECT_EQ(pf.type, uint32_t(grTypeSINT));
        EXPECT_EQ(cached(c.path + ".mono").data() == cached(c.path).data(), c.shared);
        if (std::string(c.suffix) == ".mono.sint") { // the signed view shares the bytes
            EXPECT_EQ(cached(c.path + c.suffix).data(), cached(c.path + ".mono").data());
        }
    }
    EXPECT_EQ(cached(rgb + ".mono").format, (grPixelFormat{grFmtLuminance, grTypeUINT, grBits8}));
}

// A map's path is taken from the scene file's directory unless it is rooted
// or has a drive of its own; "\" separates as "/" does.
TEST(TexturePath, ResolvesAgainstTheSceneFilesDirectory)
{
    const char* const cases[][3] = {
        {"scenes/demo.vyk", "maps/wood.jpg", "scenes/maps/wood.jpg"},
        {"C:\\scenes\\demo.vyk", "wood.bmp", "C:\\scenes\\wood.bmp"},
        {nullptr, "wood.jpg", "wood.jpg"},
        {"scenes/demo.vyk", "/tex/wood.jpg", "/tex/wood.jpg"},
        {"scenes/demo.vyk", "D:wood.jpg", "D:wood.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vyk3d::resolveTexturePath(c[0], c[1]), c[2]) << c[1];
}

} // namespace
