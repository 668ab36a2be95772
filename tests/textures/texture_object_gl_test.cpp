#include <GL/glew.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gl_context.h"
#include "textures/image_fixtures.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"
#include "textures/texture_upload.h"

namespace {

using namespace libgr;
using imgtest::bytes;
using imgtest::makeImage;

const grPixelFormat kRGB8 = {grFmtRGB, grTypeUINT, grBits8};
const grPixelFormat kRGBA8 = {grFmtRGBA, grTypeUINT, grBits8};

class TextureObjectGL : public testing::Test {
protected:
    void SetUp() override {
        vyktest::glContext();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};

// Level `level` of the bound texture on `target`.
GLint levelParam(GLenum target, GLint level, GLenum pname) {
    GLint v = -1;
    glGetTexLevelParameteriv(target, level, pname, &v);
    return v;
}

// The RGBA bytes of an 8-bit read-back, row after row.
std::string texels(const grImage2D& img) {
    return std::string(reinterpret_cast<const char*>(img.data()), size_t(img.width) * img.height * 4);
}

TEST_F(TextureObjectGL, CreateBindsTheTargetOfTheTexturable) {
    grTexture2D tex2d;
    tex2d.SetImage(makeImage(kRGB8, 1, 1, bytes({1, 2, 3})), 0, 0);
    grTextureObject obj2d;
    EXPECT_EQ(obj2d.Name(), GLuint(GL_INVALID_VALUE));
    EXPECT_EQ(obj2d.Dimension(), 0u);
    obj2d.Create(tex2d);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), obj2d.Name());
    EXPECT_EQ(obj2d.Dimension(), 2u);
    EXPECT_TRUE(obj2d.IsLoaded());

    grImage2D face = makeImage(kRGB8, 1, 1, bytes({1, 2, 3}));
    grImage2D faces[6] = {face, face, face, face, face, face};
    grTextureCubeMap cube;
    cube.SetImages(faces, 0, 0);
    grTextureObject objCube;
    objCube.Create(cube);
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    EXPECT_EQ(GLuint(bound), objCube.Name());
    EXPECT_EQ(objCube.Dimension(), 6u);
    EXPECT_NE(objCube.Name(), obj2d.Name());

    // Load binds for drawing, Unload binds 0.
    glBindTexture(GL_TEXTURE_2D, 0);
    obj2d.Load();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), obj2d.Name());
    obj2d.Unload();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(TextureObjectGL, LastCopyDeletesTheOneName) {
    grTexture2D tex;
    tex.SetImage(makeImage(kRGB8, 1, 1, bytes({1, 2, 3})), 0, 0);
    GLuint name;
    {
        grTextureObject a;
        a.Create(tex);
        name = a.Name();
        {
            grTextureObject b = a;
            EXPECT_EQ(b.Name(), name);
            EXPECT_EQ(a.ShareCount(), 2u);
            grTextureObject c;
            c = b;
            EXPECT_EQ(a.ShareCount(), 3u);
            // Creating again through a copy keeps the shared name.
            c.Create(tex);
            EXPECT_EQ(c.Name(), name);
        }
        EXPECT_EQ(a.ShareCount(), 1u);
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(TextureObjectGL, SetImageSizeAndLevels) {
    grImage2D img;
    img.format = kRGB8;
    img.width = 300;
    img.height = 200;
    grTexture2D tex;
    EXPECT_EQ(tex.InternalFormat(), GLenum(GL_INVALID_VALUE));
    tex.SetImage(img, 0, 0);
    EXPECT_EQ(tex.size, 0u);
    tex.SetImage(img, 256, 0);
    EXPECT_EQ(tex.size, 300u);
    tex.SetImage(img, 512, 2);
    EXPECT_EQ(tex.levels.size(), 3u);
    EXPECT_EQ(tex.size, 512u);
    tex.SetImage(img, 0, 0);
    EXPECT_EQ(tex.levels.size(), 1u);
    EXPECT_EQ(tex.InternalFormat(), GLenum(GL_RGB8));
    tex.SetCompressed(true);
    EXPECT_EQ(tex.InternalFormat(), GLenum(GL_COMPRESSED_RGB));
    grImage2D rg;
    rg.format = {grFmtRG, grTypeUINT, grBits8};
    tex.SetImage(rg, 0, 0);
    EXPECT_EQ(tex.InternalFormat(), GLenum(GL_INVALID_VALUE));
}

TEST_F(TextureObjectGL, ReadBackGivesTheUploadedTexels) {
    // 2x2 RGB, bottom row first; alpha reads back as 255.
    grTexture2D tex;
    tex.SetImage(makeImage(kRGB8, 2, 2, bytes({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120})), 0, 0);
    grTextureObject obj;
    obj.Create(tex);
    const std::string expected =
        bytes({10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255});
    grImage2D bound;
    ASSERT_TRUE(obj.GetTextureImage(0, bound));
    EXPECT_EQ(bound.format, (grPixelFormat{grFmtRGBA, grTypeUINT, grBits8}));
    EXPECT_EQ(bound.width, 2u);
    EXPECT_EQ(bound.height, 2u);
    EXPECT_EQ(texels(bound), expected);
    glBindTexture(GL_TEXTURE_2D, 0);
    grImage2D direct;
    ASSERT_TRUE(obj.GetTextureImageDirect(0, direct));
    EXPECT_EQ(texels(direct), expected);
}

TEST_F(TextureObjectGL, SignedColourKeepsNegativeComponents) {
    // A normal map texel (-100, 50, 127) in signed bytes: an unsigned
    // normalised format would clamp the -100 to 0.
    grImage2D img = makeImage({grFmtRGB, grTypeSINT, grBits8}, 1, 1, bytes({-100 & 0xFF, 50, 127}));
    grTexture2D tex;
    tex.SetImage(img, 0, 0);
    grTextureObject obj;
    obj.Create(tex);
    grImage2D back;
    ASSERT_TRUE(obj.GetTextureImageDirect(0, back));
    EXPECT_EQ(back.format, (grPixelFormat{grFmtRGBA, grTypeSINT, grBits8}));
    const signed char* t = reinterpret_cast<const signed char*>(back.data());
    EXPECT_EQ(t[0], -100);
    EXPECT_EQ(t[1], 50);
    EXPECT_EQ(t[2], 127);
}

TEST_F(TextureObjectGL, MipmapsAndPowerOfTwoPlacement) {
    struct Case {
        uint32_t width, height, size;
        GLint level0, level1w, level1h;
    } cases[] = {
        {300, 200, 0, 300, 150, 100},  // own size, chain generated
        {300, 200, 300, 512, 256, 256},
        {200, 100, 256, 256, 128, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        grImage2D img = makeImage(kRGB8, c.width, c.height, std::string(c.width * c.height * 3, char(77)));
        grTexture2D tex;
        tex.SetMipmap(true);
        tex.SetImage(img, c.size, 0);
        grTextureObject obj;
        obj.Create(tex);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.level0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), c.level1w);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 1, GL_TEXTURE_HEIGHT), c.level1h);
        // The image sits in the lower-left corner.
        grImage2D back;
        ASSERT_TRUE(obj.GetTextureImage(0, back));
        EXPECT_EQ(back.data()[0], 77);
        EXPECT_EQ(back.data()[((c.height - 1) * uint64_t(back.width) + c.width - 1) * 4], 77);
    }
}

TEST_F(TextureObjectGL, ExplicitLevelsInASquareHalveFromLevelToLevel) {
    grTexture2D tex;
    tex.SetImage(makeImage(kRGB8, 1, 1, bytes({1, 2, 3})), 0, 0);
    tex.SetImage(makeImage(kRGB8, 1, 1, bytes({4, 5, 6})), 300, 1);
    ASSERT_EQ(tex.levels.size(), 2u);
    tex.levels[0] = makeImage(kRGB8, 2, 2, std::string(12, char(9)));
    grTextureObject obj;
    obj.Create(tex);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 256);
    grImage2D back;
    ASSERT_TRUE(obj.GetTextureImage(1, back));
    EXPECT_EQ(texels(back).substr(0, 4), bytes({4, 5, 6, 255}));
}

TEST_F(TextureObjectGL, ParametersAreApplied) {
    grTexParam2D param;
    param.minfilter = GL_NEAREST_MIPMAP_NEAREST;
    param.magfilter = GL_NEAREST;
    param.wraps = GL_CLAMP_TO_EDGE;
    param.wrapt = GL_MIRRORED_REPEAT;
    param.anisotropy = 4.0f;
    grTexture2D tex;
    tex.SetParameter(&param);
    tex.SetMipmap(true);
    tex.SetImage(makeImage(kRGB8, 1, 1, bytes({1, 2, 3})), 0, 0);
    grTextureObject obj;
    obj.Create(tex);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_NEAREST_MIPMAP_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &v);
    EXPECT_EQ(v, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &v);
    EXPECT_EQ(v, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &v);
    EXPECT_EQ(v, GL_MIRRORED_REPEAT);
    GLfloat a = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
    EXPECT_EQ(a, 4.0f);
}

TEST_F(TextureObjectGL, UpdateReplacesThePixels) {
    grImage2D img = makeImage(kRGBA8, 1, 1, bytes({1, 2, 3, 4}));
    grTexture2D tex;
    tex.SetImage(img, 0, 0);
    grTextureObject obj;
    obj.Create(tex);
    img.data()[0] = 200;  // the texture's level shares these bytes
    obj.Update();
    grImage2D back;
    ASSERT_TRUE(obj.GetTextureImage(0, back));
    EXPECT_EQ(texels(back), bytes({200, 2, 3, 4}));
}

TEST_F(TextureObjectGL, UploadsNeverReadPastTheImage) {
    struct Case {
        const char* what;
        grImage2D img;
    };
    // 16x16 luminance at 4 bits a pixel holds 8-byte rows, but its OpenGL
    // type reads one byte a pixel.
    grImage2D lum4;
    lum4.format = {grFmtLuminance, grTypeUINT, grBits4};
    lum4.width = 16;
    lum4.height = 16;
    ASSERT_TRUE(lum4.allocate());
    // A header that promises more rows than the storage holds.
    grImage2D tall = makeImage(kRGB8, 2, 2, std::string(12, char(1)));
    tall.height = 4096;
    // A view cut short.
    grImage2D cut = makeImage(kRGB8, 4, 4, std::string(48, char(1)));
    cut.setLimit(47);
    Case cases[] = {{"4-bit luminance", lum4}, {"tall", tall}, {"cut view", cut}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool mipmap : {false, true}) {
            grTexture2D tex;
            tex.SetMipmap(mipmap);
            tex.SetImage(c.img, 0, 0);
            grTextureObject obj;
            testing::internal::CaptureStderr();
            obj.Create(tex);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "image data is smaller than its upload, skip.\n");
            EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 0);
        }
    }
}

TEST_F(TextureObjectGL, ImageWithoutAStoreIsNotReadWithThePreviousStore) {
    // 16-bit samples kept most significant byte first, read with swapping.
    static const grPixelStore swapped = {1, 4};
    grImage2D big = makeImage({grFmtRGBA, grTypeUINT, grBits16}, 1, 1, bytes({0x12, 0x34, 0, 0, 0, 0, 0xFF, 0xFF}));
    big.store = &swapped;
    // Then native 16-bit samples without a store: 0x1234 little-endian.
    grImage2D little = makeImage({grFmtRGBA, grTypeUINT, grBits16}, 1, 1, bytes({0x34, 0x12, 0, 0, 0, 0, 0xFF, 0xFF}));
    for (const grImage2D* img : {&big, &little}) {
        grTexture2D tex;
        tex.SetImage(*img, 0, 0);
        grTextureObject obj;
        obj.Create(tex);
        unsigned short texel[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_SHORT, texel);
        EXPECT_EQ(texel[0], 0x1234) << (img == &big ? "swapped" : "native");
    }
}

TEST_F(TextureObjectGL, EveryFormatTheCodecsProduceUploadsCleanly) {
    // What BMP, TGA, JPEG and PNG files decode to, and the signed forms the
    // bump chain makes of them.
    const grPixelFormat formats[] = {
        {grFmtLuminance, grTypeUINT, grBits8},       {grFmtLuminance, grTypeUINT, grBits16},
        {grFmtLuminanceAlpha, grTypeUINT, grBits8},  {grFmtLuminanceAlpha, grTypeUINT, grBits16},
        {grFmtRGB, grTypeUINT, grBits8},             {grFmtRGB, grTypeUINT, grBits16},
        {grFmtRGBA, grTypeUINT, grBits8},            {grFmtRGBA, grTypeUINT, grBits16},
        {grFmtBGR, grTypeUINT, grBits8},             {grFmtBGRA, grTypeUINT, grBits8},
        {grFmtBGRA, grTypeUINT, grBitsP1555},        {grFmtLuminanceAlpha, grTypeSINT, grBits8},
        {grFmtLuminanceAlpha, grTypeSINT, grBits16}, {grFmtRGB, grTypeSINT, grBits8},
        {grFmtRGB, grTypeSINT, grBits16},            {grFmtRGBA, grTypeSINT, grBits8},
        {grFmtRGBA, grTypeSINT, grBits16},           {grFmtBGR, grTypeSINT, grBits8},
        {grFmtBGRA, grTypeSINT, grBits8},            {grFmtBGRA, grTypeSINT, grBitsP1555},
    };
    for (const grPixelFormat& pf : formats) {
        SCOPED_TRACE(testing::Message() << "format " << pf.format << " type " << pf.type << " bits " << pf.bits);
        grImage2D img;
        img.format = pf;
        img.width = 2;
        img.height = 2;
        ASSERT_TRUE(img.allocate());
        for (bool mipmap : {false, true}) {
            grTexture2D tex;
            tex.SetMipmap(mipmap);
            tex.SetImage(img, 0, 0);
            grTextureObject obj;
            testing::internal::CaptureStderr();
            obj.Create(tex);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
            EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2);
        }
    }
}

TEST_F(TextureObjectGL, RefusedFormatLeavesTheLevelUndefined) {
    grImage2D rg;
    rg.format = {grFmtRG, grTypeUINT, grBits8};
    rg.width = 1;
    rg.height = 1;
    ASSERT_TRUE(rg.allocate());
    grTexture2D tex;
    tex.SetImage(rg, 0, 0);
    grTextureObject obj;
    testing::internal::CaptureStderr();
    obj.Create(tex);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Not supported image format!\nimgformat: 7\nimgtype: 1\nimgbits: 3\n");
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 0);
    EXPECT_TRUE(obj.IsLoaded());  // set whatever happened inside
}

TEST_F(TextureObjectGL, ColourIndexLevelLeavesMapColorOff) {
    grImage2D idx = makeImage({grFmtColorIndex, grTypeUINT, grBits8}, 2, 1, bytes({0, 3}));
    // The count claims more entries than the maps hold; only what they hold
    // may reach the driver.
    ASSERT_TRUE(idx.pixelmap.resize(4));
    for (int i = 0; i < 4; ++i) idx.pixelmap.red[i] = idx.pixelmap.green[i] = idx.pixelmap.blue[i] = 0xFFFF;
    idx.pixelmap.count = 256;
    grTexture2D tex;
    tex.SetImage(idx, 0, 0);
    grTextureObject obj;
    testing::internal::CaptureStderr();  // drivers without colour-index uploads report it
    obj.Create(tex);
    testing::internal::GetCapturedStderr();
    while (glGetError() != GL_NO_ERROR) {
    }
    GLboolean mapColor = GL_TRUE;
    glGetBooleanv(GL_MAP_COLOR, &mapColor);
    EXPECT_EQ(mapColor, GL_FALSE);
    GLint mapSize = 0;
    glGetIntegerv(GL_PIXEL_MAP_I_TO_R_SIZE, &mapSize);
    EXPECT_EQ(mapSize, 4);
}

TEST_F(TextureObjectGL, CubeMapFacesInOrder) {
    grImage2D faces[6];
    for (int f = 0; f < 6; ++f) faces[f] = makeImage(kRGB8, 1, 1, bytes({f * 40, 255 - f * 40, f}));
    grTexParamCubeMap param;
    param.minfilter = GL_LINEAR_MIPMAP_LINEAR;
    param.magfilter = GL_LINEAR;
    grTextureCubeMap cube;
    cube.SetMipmap(true);
    cube.SetParameter(&param);
    cube.SetImages(faces, 0, 0);
    ASSERT_NE(cube.Face(0, 5), nullptr);
    EXPECT_EQ(cube.Face(1, 0), nullptr);
    grTextureObject obj;
    obj.Create(cube);
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        grImage2D back;
        ASSERT_TRUE(obj.GetTextureImage(0, back, GL_TEXTURE_CUBE_MAP_POSITIVE_X + f));
        EXPECT_EQ(texels(back), bytes({f * 40, 255 - f * 40, f, 255}));
        grImage2D direct;
        ASSERT_TRUE(obj.GetTextureImageDirect(0, direct, GL_TEXTURE_CUBE_MAP_POSITIVE_X + f));
        EXPECT_EQ(texels(direct), texels(back));
    }
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(TextureObjectGL, CubeMapExplicitLevelsInASquare) {
    grImage2D face = makeImage(kRGB8, 1, 1, bytes({5, 6, 7}));
    grImage2D faces[6] = {face, face, face, face, face, face};
    grTextureCubeMap cube;
    cube.SetImages(faces, 0, 0);
    cube.SetImages(faces, 4, 1);
    grTextureObject obj;
    obj.Create(cube);
    EXPECT_EQ(levelParam(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParam(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 1, GL_TEXTURE_WIDTH), 2);
    grImage2D back;
    ASSERT_TRUE(obj.GetTextureImage(1, back, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z));
    EXPECT_EQ(texels(back).substr(0, 4), bytes({5, 6, 7, 255}));
}

TEST_F(TextureObjectGL, OtherTextureKinds) {
    grImage1D line;
    line.format = kRGB8;
    line.width = 2;
    ASSERT_TRUE(line.allocate());
    line.data()[0] = 9;
    grTexture1D tex1d;
    tex1d.SetImage(line, 0, 0);
    grTextureObject obj1d;
    obj1d.Create(tex1d);
    EXPECT_EQ(obj1d.Dimension(), 1u);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 2);

    grImage3D vol;
    vol.format = kRGBA8;
    vol.width = vol.height = vol.depth = 2;
    ASSERT_TRUE(vol.allocate());
    grTexture3D tex3d;
    tex3d.SetImage(vol, 0, 0);
    grTextureObject obj3d;
    obj3d.Create(tex3d);
    EXPECT_EQ(obj3d.Dimension(), 3u);
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH), 2);

    grTexParam2D clamp;
    clamp.wraps = clamp.wrapt = GL_CLAMP_TO_EDGE;
    grTextureRectangle rect;
    rect.SetParameter(&clamp);
    rect.SetImage(makeImage(kRGB8, 3, 2, std::string(18, char(4))));
    grTextureObject objRect;
    objRect.Create(rect);
    EXPECT_EQ(objRect.Target(), GLenum(GL_TEXTURE_RECTANGLE));
    EXPECT_EQ(levelParam(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH), 3);
    grImage2D back;
    ASSERT_TRUE(objRect.GetTextureImage(0, back));
    EXPECT_EQ(texels(back).substr(0, 4), bytes({4, 4, 4, 255}));
}

}  // namespace
