#include "model/texture.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_format.h"
#include "textures/image_fixtures.h"

namespace {

using namespace libgr;
using imgtest::bytes;
using imgtest::makeImage;
using vyk3d::textureCache;

class TextureSetGL : public testing::Test {
protected:
    void SetUp() override {
        vyktest::glContext();
        vyk3d::clearTextureRegistries();
        scene = dir.file("scene.vyk");
    }
    void TearDown() override { vyk3d::clearTextureRegistries(); }

    // An 8-bit grey BMP (no palette) of w x h pixels in the scene directory.
    std::string greyBmp(const std::string& name, uint32_t w, uint32_t h, const std::string& pixels) {
        std::string path = dir.file(name);
        EXPECT_TRUE(bmpSave(makeImage({grFmtLuminance, grTypeUINT, grBits8}, w, h, pixels), path.c_str()));
        return path;
    }
    // A 24-bit BMP from BGR pixels.
    std::string bgrBmp(const std::string& name, uint32_t w, uint32_t h, const std::string& pixels) {
        std::string path = dir.file(name);
        EXPECT_TRUE(bmpSave(makeImage({grFmtBGR, grTypeUINT, grBits8}, w, h, pixels), path.c_str()));
        return path;
    }
    // Level 0 of a texture object read back as RGBA bytes.
    static std::string readBack(const grTextureObject* obj, grPixelFormat* format = nullptr) {
        if (!obj) return "(no texture)";
        grImage2D img;
        if (!obj->GetTextureImageDirect(0, img)) return "(no read-back)";
        if (format) *format = img.format;
        return std::string(reinterpret_cast<const char*>(img.data()), size_t(img.width) * img.height * 4);
    }

    vyktest::TempDir dir;
    std::string scene;
};

TEST_F(TextureSetGL, EmptySetOpensWithTheThreeBuiltIns) {
    vyk3d::texture_t set;
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.colorhandle, textureCache().find("color"));
    EXPECT_EQ(set.bumphandle, textureCache().find("bump"));
    EXPECT_EQ(set.specularhandle, textureCache().find("specular"));
    EXPECT_EQ(readBack(set.colortexture()), bytes({255, 255, 255, 255}));
    // Signed (0, 0, 127): the flat normal; alpha of a signed read is 127.
    grPixelFormat pf;
    EXPECT_EQ(readBack(set.bumptexture(), &pf), bytes({0, 0, 127, 127}));
    EXPECT_EQ(pf.type, uint32_t(grTypeSINT));
    EXPECT_EQ(readBack(set.speculartexture()), bytes({255, 255, 255, 255}));
    EXPECT_EQ(set.bumpoffset[0], 0.0f);
    EXPECT_EQ(set.bumpoffset[1], 0.0f);
    EXPECT_EQ(textureCache().count(), 3u);

    vyk3d::texture_t second;
    ASSERT_TRUE(second.open(nullptr));
    EXPECT_EQ(second.colorhandle, set.colorhandle);
    EXPECT_EQ(second.bumphandle, set.bumphandle);
    EXPECT_EQ(second.specularhandle, set.specularhandle);
    EXPECT_EQ(textureCache().count(), 3u);
}

TEST_F(TextureSetGL, JpegColourMapMadeByAnotherProgram) {
    // 16x16, top half red, bottom half blue (ImageMagick, tests/data/README.md).
    dir.write("maps/im_rgb.jpg", vyktest::readFile(imgtest::dataFile("im_rgb.jpg")));
    vyk3d::texture_t set;
    set.colormap = "maps/im_rgb.jpg";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.colorhandle, textureCache().find(dir.file("maps/im_rgb.jpg")));
    grImage2D img;
    ASSERT_TRUE(set.colortexture()->GetTextureImageDirect(0, img));
    ASSERT_EQ(img.width, 16u);
    ASSERT_EQ(img.height, 16u);
    const unsigned char* bottom = img.data();                   // rows bottom first
    const unsigned char* top = img.data() + 15 * 16 * 4;
    EXPECT_NEAR(bottom[0], 0, 3);
    EXPECT_NEAR(bottom[2], 254, 3);
    EXPECT_NEAR(top[0], 254, 3);
    EXPECT_NEAR(top[2], 0, 3);
    set.colortexture()->Load();
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_LINEAR);
    GLint levels = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &levels);
    EXPECT_EQ(levels, 1);  // the chain down to 1x1 was generated
}

TEST_F(TextureSetGL, FilterOptionsChooseTheParameters) {
    struct Case {
        bool mipmap, nearlinear, maglinear;
        GLint min, mag;
    } cases[] = {
        {false, false, false, GL_NEAREST, GL_NEAREST},
        {false, true, true, GL_LINEAR, GL_LINEAR},
        {true, false, true, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR},
        {true, true, false, GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST},
    };
    int i = 0;
    for (const Case& c : cases) {
        std::string name = "c" + std::to_string(i++) + ".bmp";
        bgrBmp(name, 1, 1, bytes({1, 2, 3}));
        vyk3d::texture_t set;
        set.colormap = name;
        set.mipmap = c.mipmap;
        set.nearlinear = c.nearlinear;
        set.maglinear = c.maglinear;
        set.anisotropy = 2.0f;
        ASSERT_TRUE(set.open(scene.c_str()));
        set.colortexture()->Load();
        GLint v = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
        EXPECT_EQ(v, c.min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &v);
        EXPECT_EQ(v, c.mag);
        GLfloat a = 0;
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
        EXPECT_EQ(a, 2.0f);
    }
}

TEST_F(TextureSetGL, GreyBumpMapBecomesANormalMap) {
    // Heights 0, 255, 255, 255: a rise after x = 0 and a fall where the last
    // column wraps to the first.
    std::string path = greyBmp("height.bmp", 4, 1, bytes({0, 255, 255, 255}));
    vyk3d::texture_t set;
    set.bumpmap = "height.bmp";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.bumphandle, textureCache().find(path + ".norm"));
    EXPECT_NE(textureCache().find(path), 0u);
    grPixelFormat pf;
    std::string t = readBack(set.bumptexture(), &pf);
    EXPECT_EQ(pf.type, uint32_t(grTypeSINT));
    // (1, 0, 1) and (-1, 0, 1) normalised give 90 in signed bytes.
    EXPECT_EQ(t, bytes({90, 0, 90, 127, 0, 0, 127, 127, 0, 0, 127, 127, -90 & 0xFF, 0, 90, 127}));

    std::string flat = greyBmp("flat.bmp", 2, 2, bytes({100, 100, 100, 100}));
    vyk3d::texture_t flatSet;
    flatSet.bumpmap = flat;  // an absolute path is used as it is
    ASSERT_TRUE(flatSet.open("elsewhere/scene.vyk"));
    EXPECT_EQ(flatSet.bumphandle, textureCache().find(flat + ".norm"));
    EXPECT_EQ(readBack(flatSet.bumptexture()), bytes({0, 0, 127, 127, 0, 0, 127, 127, 0, 0, 127, 127, 0, 0, 127, 127}));
}

TEST_F(TextureSetGL, ColourBumpMapIsUsedAsSignedBytes) {
    // One BGR pixel: blue 127, green 0xC0 (-64 signed), red 10.
    std::string path = bgrBmp("normals.bmp", 1, 1, bytes({127, 0xC0, 10}));
    vyk3d::texture_t set;
    set.bumpmap = "normals.bmp";
    ASSERT_TRUE(set.open(scene.c_str()));
    uint32_t sint = textureCache().find(path + ".sint");
    ASSERT_NE(sint, 0u);
    EXPECT_EQ(set.bumphandle, sint);
    const grImage2D& derived = textureCache().get(sint)->image;
    EXPECT_EQ(derived.format, (grPixelFormat{grFmtBGR, grTypeSINT, grBits8}));
    // The bytes are shared with the loaded image, not copied.
    EXPECT_EQ(derived.data(), textureCache().get(textureCache().find(path))->image.data());
    EXPECT_EQ(readBack(set.bumptexture()), bytes({10, -64 & 0xFF, 127, 127}));
}

TEST_F(TextureSetGL, BumpOffsetIsHalfATexel) {
    greyBmp("wide.bmp", 256, 128, std::string(256 * 128, char(9)));
    vyk3d::texture_t set;
    set.bumpmap = "wide.bmp";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.bumpoffset[0], -0.001953125f);
    EXPECT_EQ(set.bumpoffset[1], -0.00390625f);

    vyk3d::texture_t off;
    off.bumpmap = "wide.bmp";
    off.bumpofs = false;
    ASSERT_TRUE(off.open(scene.c_str()));
    EXPECT_EQ(off.bumpoffset[0], 0.0f);
    EXPECT_EQ(off.bumpoffset[1], 0.0f);
}

TEST_F(TextureSetGL, BumpImageWithoutASizeGivesNoOffset) {
    // A cached bump image without pixels (a derived image whose conversion
    // failed looks like this): no division by a zero size.
    std::string path = dir.file("empty.bmp");
    uint32_t h = textureCache().add(path, std::make_shared<vyk3d::texture_entry_t>());
    textureCache().get(h)->image.format = {grFmtRGB, grTypeSINT, grBits8};
    vyk3d::texture_t set;
    set.bumpmap = "empty.bmp";
    ASSERT_TRUE(set.open(scene.c_str()));
    EXPECT_EQ(set.bumphandle, h);
    EXPECT_EQ(set.bumpoffset[0], 0.0f);
    EXPECT_EQ(set.bumpoffset[1], 0.0f);
}

TEST_F(TextureSetGL, TwoSetsShareOneEntryAndOneTextureName) {
    vyktest::writeFile(dir.file("im_rgb.jpg"), vyktest::readFile(imgtest::dataFile("im_rgb.jpg")));
    vyk3d::texture_t a, b;
    a.colormap = b.colormap = "im_rgb.jpg";
    ASSERT_TRUE(a.open(scene.c_str()));
    size_t entries = textureCache().count();
    ASSERT_TRUE(b.open(dir.file("other.vyk").c_str()));
    EXPECT_EQ(a.colorhandle, b.colorhandle);
    EXPECT_EQ(a.colortexture()->Name(), b.colortexture()->Name());
    EXPECT_EQ(textureCache().count(), entries);
}

TEST_F(TextureSetGL, Bump2MonoChains) {
    std::string rgb = bgrBmp("colour.bmp", 2, 1, bytes({0, 0, 255, 255, 255, 255}));  // red, white
    std::string grey = greyBmp("grey.bmp", 2, 1, bytes({50, 50}));
    std::string bgra = dir.file("alpha.tga");
    ASSERT_TRUE(autosaveformat(makeImage({grFmtBGRA, grTypeUINT, grBits8}, 2, 1, bytes({1, 2, 3, 4, 5, 6, 7, 8})),
                               bgra.c_str()));
    struct Case {
        std::string path;
        std::string key;  // the bump handle's key
        grPixelFormat mono;
    } cases[] = {
        // BGR swapped to RGB, turned into luminance, then a normal map.
        {rgb, rgb + ".mono.norm", {grFmtLuminance, grTypeUINT, grBits8}},
        // Already grey: shared into ".mono" unchanged, still a height map.
        {grey, grey + ".mono.norm", {grFmtLuminance, grTypeUINT, grBits8}},
        // Neither RGB nor BGR: shared unchanged, then used as signed bytes.
        {bgra, bgra + ".mono.sint", {grFmtBGRA, grTypeUINT, grBits8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        vyk3d::texture_t set;
        set.bumpmap = c.path;
        set.bump2mono = true;
        ASSERT_TRUE(set.open(scene.c_str()));
        EXPECT_EQ(set.bumphandle, textureCache().find(c.key));
        const grImage2D& mono = textureCache().get(textureCache().find(c.path + ".mono"))->image;
        EXPECT_EQ(mono.format, c.mono);
        EXPECT_EQ(mono.width, 2u);
    }
    // Red gives 76, white 255 in the luminance image of the colour bump map.
    const grImage2D& mono = textureCache().get(textureCache().find(rgb + ".mono"))->image;
    EXPECT_EQ(mono.row(0)[0], 76);
    EXPECT_EQ(mono.row(0)[1], 255);
    // The grey and BGRA images are shared, not converted.
    for (const std::string& p : {grey, bgra})
        EXPECT_EQ(textureCache().get(textureCache().find(p + ".mono"))->image.data(),
                  textureCache().get(textureCache().find(p))->image.data());
}

TEST_F(TextureSetGL, Bump2MonoKeepsAColourImageItCannotConvert) {
    // A 16-bit RGB PNG (ImageMagick) is RGB but not 8 bits: the luminance
    // conversion refuses it, and the bump map stays usable as it is.
    vyktest::writeFile(dir.file("deep.png"), vyktest::readFile(imgtest::dataFile("im_rgb16.png")));
    vyk3d::texture_t set;
    set.bumpmap = "deep.png";
    set.bump2mono = true;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(set.open(scene.c_str()));
    testing::internal::GetCapturedStderr();
    std::string path = dir.file("deep.png");
    const grImage2D& mono = textureCache().get(textureCache().find(path + ".mono"))->image;
    EXPECT_EQ(mono.data(), textureCache().get(textureCache().find(path))->image.data());
    EXPECT_EQ(set.bumphandle, textureCache().find(path + ".mono.sint"));
    EXPECT_EQ(mono.width, 2u);
}

TEST_F(TextureSetGL, MissingMapsPrintTheirLinesAndAreNotCached) {
    struct Case {
        const char* which;
        std::string message;
    } cases[] = {
        {"color", scene + ": base filename.\n" + dir.file("none.bmp") + ": color autoloadformat failed.\n"},
        {"bump", dir.file("none.bmp") + ": bump autoloadformat failed.\n"},
        {"specular", dir.file("none.bmp") + ": autoloadformat failed.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.which);
        vyk3d::clearTextureRegistries();
        for (int attempt = 0; attempt < 2; ++attempt) {
            vyk3d::texture_t set;
            std::string w = c.which;
            (w == "color" ? set.colormap : w == "bump" ? set.bumpmap : set.specularmap) = "none.bmp";
            testing::internal::CaptureStderr();
            EXPECT_FALSE(set.open(scene.c_str()));
            std::string err = testing::internal::GetCapturedStderr();
            // The codec's own line comes first; the set's lines end the output.
            ASSERT_GE(err.size(), c.message.size());
            EXPECT_EQ(err.substr(err.size() - c.message.size()), c.message);
            EXPECT_EQ(textureCache().find(dir.file("none.bmp")), 0u);
            if (w == "color") {
                EXPECT_EQ(set.colorhandle, 0u);
                EXPECT_EQ(set.bumphandle, 0u);
                EXPECT_EQ(set.specularhandle, 0u);
            }
            if (w == "specular") {
                EXPECT_NE(set.bumphandle, 0u);
            }
        }
    }
}

TEST_F(TextureSetGL, ClearingTheRegistriesDeletesTheTextureNames) {
    vyk3d::texture_t set;
    ASSERT_TRUE(set.open(nullptr));
    GLuint name = set.colortexture()->Name();
    EXPECT_TRUE(glIsTexture(name));
    vyk3d::clearTextureRegistries();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(set.colortexture(), nullptr);
    EXPECT_EQ(textureCache().count(), 0u);
}

}  // namespace
