#include "model/texture.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

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

TEST_F(TextureSetGL, EmptySetOpensWithTheThreeBuiltIns)
{
    vyk3d::texture_t set;
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(texelsOf(set.colortexture()), bytes({255, 255, 255, 255}));
    // Signed (0, 0, 127): the flat normal; alpha of a signed read is 127.
    grPixelFormat pf;
    EXPECT_EQ(texelsOf(set.bumptexture(), 0, 0, &pf), bytes({0, 0, 127, 127}));
    EXPECT_EQ(pf.type, uint32_t(grTypeSINT));
    EXPECT_EQ(texelsOf(set.speculartexture()), bytes({255, 255, 255, 255}));
    EXPECT_EQ(textureCache().count(), 3u);
}

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
            GLint min = 0, mag = 0, wrap = 0, level1 = 0;
            GLfloat aniso = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
            glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
            EXPECT_EQ(min, c.min);
            EXPECT_EQ(mag, c.mag);
            EXPECT_EQ(wrap, GL_REPEAT);
            EXPECT_EQ(aniso, c.anisotropy);
            EXPECT_EQ(level1, c.mipmap ? 2 : 0);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Two sets of one directory share the entry and the GL name.
TEST_F(TextureSetGL, JpegColourMapMadeByAnotherProgramIsSharedByTwoSets)
{
    // 16x16, top half red, bottom half blue (ImageMagick, tests/data/README.md).
    dir.write("maps/im_rgb.jpg", vyktest::readFile(imgtest::dataFile("im_rgb.jpg")));
    vyk3d::texture_t set, other;
    set.colormap = other.colormap = "maps/im_rgb.jpg";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.colorhandle, textureCache().find(dir.file("maps/im_rgb.jpg")));
    // Rows bottom first: blue below, red above.
    const std::string t = texelsOf(set.colortexture());
    ASSERT_EQ(t.size(), 16u * 16u * 4u);
    for (auto [offset, red, blue] : {std::tuple{0, 0, 254}, std::tuple{15 * 16 * 4, 254, 0}}) {
        EXPECT_NEAR(uint8_t(t[offset]), red, 3);
        EXPECT_NEAR(uint8_t(t[offset + 2]), blue, 3);
    }
    size_t entries = textureCache().count();
    ASSERT_TRUE(other.open(dir.file("other.vyk").c_str()));
    EXPECT_EQ(other.colortexture()->Name(), set.colortexture()->Name());
    EXPECT_EQ(textureCache().count(), entries);
}

// A grey bump map becomes a signed normal map; a colour one is used as
// signed bytes, sharing the loaded image's bytes.
TEST_F(TextureSetGL, BumpMapsBecomeSignedNormalMaps)
{
    // Heights 0, 255, 255, 255: a rise after x = 0 and a fall where the last
    // column wraps to the first; (1, 0, 1) and (-1, 0, 1) normalised give 90.
    const struct {
        std::string path, suffix, texels;
    } cases[] = {
        {bmp("height.bmp", true, 4, 1, bytes({0, 255, 255, 255})), ".norm",
         bytes({90, 0, 90, 127, 0, 0, 127, 127, 0, 0, 127, 127, -90 & 0xFF, 0, 90, 127})},
        {bmp("flat.bmp", true, 1, 1, bytes({100})), ".norm", bytes({0, 0, 127, 127})},
        // One BGR pixel: blue 127, green 0xC0 (-64 signed), red 10.
        {bmp("normals.bmp", false, 1, 1, bytes({127, 0xC0, 10})), ".sint", bytes({10, -64 & 0xFF, 127, 127})},
    };
    for (const auto& c : cases) {
        vyk3d::texture_t set;
        openBump(set, c.path);
        EXPECT_EQ(set.bumphandle, textureCache().find(c.path + c.suffix));
        grPixelFormat pf;
        EXPECT_EQ(texelsOf(set.bumptexture(), 0, 0, &pf), c.texels);
        EXPECT_EQ(pf.type, uint32_t(grTypeSINT));
    }
    EXPECT_EQ(cached(dir.file("normals.bmp.sint")).data(), cached(dir.file("normals.bmp")).data());
}

// Half a texel back; a bump image without pixels (a derived image whose
// conversion failed looks like this) gives none rather than a division by 0.
TEST_F(TextureSetGL, BumpOffsetIsHalfATexelOfASizedImage)
{
    bmp("wide.bmp", true, 256, 128, std::string(256 * 128, char(9)));
    uint32_t h = textureCache().add(dir.file("empty.bmp"), std::make_shared<vyk3d::texture_entry_t>());
    textureCache().get(h)->image.format = {grFmtRGB, grTypeSINT, grBits8};
    vyk3d::texture_t wide, empty;
    openBump(wide, "wide.bmp");
    EXPECT_EQ(wide.bumpoffset[0], -0.001953125f);
    EXPECT_EQ(wide.bumpoffset[1], -0.00390625f);
    openBump(empty, "empty.bmp");
    EXPECT_EQ(empty.bumpoffset[0], 0.0f);
    EXPECT_EQ(empty.bumpoffset[1], 0.0f);
}

// With bump2mono an RGB or BGR bump image becomes luminance; any other image
// (grey already, BGRA, or 16-bit RGB the conversion refuses) is shared into
// its ".mono" entry unchanged, so the bump map is never dropped.
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
        const grImage2D& mono = cached(c.path + ".mono");
        EXPECT_EQ(mono.width, 2u);
        EXPECT_EQ(mono.data() == cached(c.path).data(), c.shared);
    }
    // Red gives 76, white 255 in the luminance image of the colour bump map.
    const grImage2D& mono = cached(rgb + ".mono");
    EXPECT_EQ(mono.format, (grPixelFormat{grFmtLuminance, grTypeUINT, grBits8}));
    EXPECT_EQ(imgtest::rowsOf(mono), bytes({76, 255}));
}

} // namespace
