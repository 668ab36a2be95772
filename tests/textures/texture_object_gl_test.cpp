#include <GL/glew.h>
#include <gtest/gtest.h>
#include <list>
#include <string>
#include <tuple>
#include <vector>

#include "support/capture.h"
#include "support/gl_readback.h"
#include "textures/image_fixtures.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"
#include "textures/texture_upload.h"

namespace
{

using namespace libgr;
using imgtest::bytes;
using imgtest::makeImage;
using imgtest::rowsOf;
using vyktest::texelsOf;

const grPixelFormat kRGB8 = {grFmtRGB, grTypeUINT, grBits8};

// What a glGet...iv call writes: get(args..., &value); -1 if nothing.
template <class F, class... A> GLint query(F get, A... args)
{
    GLint v = -1;
    get(args..., &v);
    return v;
}

class TextureObjectGL : public testing::Test
{
  protected:
    void SetUp() override
    {
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    // A 2-D texture of `img` uploaded into a new name and left bound;
    // returns what the upload printed.
    std::string upload(const grImage2D& img, bool mipmap = false, uint32_t size = 0, grTexParam2D* param = nullptr)
    {
        made_.emplace_back();
        made_.back().tex.SetParameter(param);
        made_.back().tex.SetMipmap(mipmap);
        made_.back().tex.SetImage(img, size, 0);
        return vyktest::stderrOf([&] { made_.back().obj.Create(made_.back().tex); });
    }
    grTextureObject& last() { return made_.back().obj; }

  private:
    struct Made {
        grTexture2D tex; // outlives the object made from it
        grTextureObject obj;
    };
    std::list<Made> made_;
};

// Copies share one name, created again through a copy; the last one
// deletes it.
TEST_F(TextureObjectGL, CopiesShareOneNameTheLastDeletesIt)
{
    grTexture2D tex;
    tex.SetImage(makeImage(kRGB8, 1, 1, bytes({1, 2, 3})), 0, 0);
    GLuint name;
    {
        grTextureObject a;
        a.Create(tex);
        name = a.Name();
        {
            grTextureObject b = a, c;
            c = b;
            c.Create(tex);
            EXPECT_EQ(c.Name(), name);
        }
        // Load binds for drawing, Unload binds 0.
        glBindTexture(GL_TEXTURE_2D, 0);
        a.Load();
        EXPECT_EQ(query(glGetIntegerv, GL_TEXTURE_BINDING_2D), GLint(name));
        a.Unload();
        EXPECT_EQ(query(glGetIntegerv, GL_TEXTURE_BINDING_2D), 0);
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

// Read back while bound; Update takes the image's changed bytes.
TEST_F(TextureObjectGL, ReadBackAndUpdate)
{
    grImage2D img = makeImage(kRGB8, 2, 1, bytes({10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(upload(img, true), "");
    grImage2D bound;
    ASSERT_TRUE(last().GetTextureImage(0, bound));
    EXPECT_EQ(bound.format, (grPixelFormat{grFmtRGBA, grTypeUINT, grBits8}));
    EXPECT_EQ(rowsOf(bound), bytes({10, 20, 30, 255, 40, 50, 60, 255}));
    img.data()[0] = 200; // the texture's level shares these bytes
    last().Update();
    EXPECT_EQ(texelsOf(&last()).substr(0, 4), bytes({200, 20, 30, 255}));
}

// At its own size with a generated chain, or placed in the lower-left
// corner of a power-of-two square; the wrap modes reach the object.
TEST_F(TextureObjectGL, MipmapsAndPowerOfTwoPlacement)
{
    grTexParam2D param;
    param.minfilter = GL_NEAREST_MIPMAP_NEAREST;
    std::tie(param.wraps, param.wrapt) = std::tuple(GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT);
    const struct {
        uint32_t width, height, size;
        GLint level0, level1w, level1h;
    } cases[] = {
        {300, 200, 0, 300, 150, 100},
        {300, 200, 300, 512, 256, 256},
        {200, 100, 256, 256, 128, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(upload(makeImage(kRGB8, c.width, c.height, std::string(c.width * c.height * 3, char(77))), true,
                         c.size, &param),
                  "");
        EXPECT_EQ((std::vector<GLint>{query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_WRAP_S),
                                      query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_WRAP_T),
                                      query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH),
                                      query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH),
                                      query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 1, GL_TEXTURE_HEIGHT)}),
                  (std::vector<GLint>{GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT, c.level0, c.level1w, c.level1h}));
        const std::string t = texelsOf(&last());
        EXPECT_TRUE(t[0] == 77 && t[((c.height - 1) * uint64_t(c.level0) + c.width - 1) * 4] == 77);
    }
}

// Images whose storage cannot feed the upload, and a format OpenGL has no
// pixel format for: nothing reaches the driver, with or without mipmaps.
TEST_F(TextureObjectGL, RefusedUploadsLeaveTheLevelUndefined)
{
    const std::string tooSmall = "image data is smaller than its upload, skip.\n";
    // 4 bits a pixel holds 8-byte rows, but its OpenGL type reads a byte a pixel.
    grImage2D lum4 = makeImage({grFmtLuminance, grTypeUINT, grBits4}, 16, 16, std::string(128, '\0'));
    grImage2D tall = makeImage(kRGB8, 2, 2, std::string(12, char(1)));
    tall.height = 4096;
    grImage2D cut = makeImage(kRGB8, 4, 4, std::string(48, char(1)));
    cut.setLimit(47);
    const struct {
        grImage2D img;
        std::string message;
    } cases[] = {
        {lum4, tooSmall},
        {tall, tooSmall},
        {cut, tooSmall},
        {makeImage({grFmtRG, grTypeUINT, grBits8}, 1, 1, bytes({1, 2})),
         "Not supported image format!\nimgformat: 7\nimgtype: 1\nimgbits: 3\n"},
    };
    for (const auto& c : cases)
        for (bool mipmap : {false, true}) {
            EXPECT_EQ(upload(c.img, mipmap), c.message);
            EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 0);
            EXPECT_TRUE(last().IsLoaded());
        }
}

// 16-bit samples kept most significant byte first are read with swapping;
// the next image, without a store, is not read with the previous one.
TEST_F(TextureObjectGL, ImageWithoutAStoreIsNotReadWithThePreviousStore)
{
    static const grPixelStore swapped = {1, 4};
    const grPixelFormat rgba16{grFmtRGBA, grTypeUINT, grBits16};
    grImage2D big = makeImage(rgba16, 1, 1, bytes({0x12, 0x34, 0, 0, 0, 0, 0xFF, 0xFF}));
    big.store = &swapped;
    for (const grImage2D& img : {big, makeImage(rgba16, 1, 1, bytes({0x34, 0x12, 0, 0, 0, 0, 0xFF, 0xFF}))}) {
        upload(img);
        unsigned short texel[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_SHORT, texel);
        EXPECT_EQ(texel[0], 0x1234) << (img.store ? "swapped" : "native");
    }
}

// What the codecs decode to (8 and 16 bits of the plain layouts, the BGR
// ones), and the signed forms the bump chain makes of them.
TEST_F(TextureObjectGL, EveryFormatTheCodecsProduceUploadsCleanly)
{
    std::vector<grPixelFormat> formats = {{grFmtBGR, 0, grBits8}, {grFmtBGRA, 0, grBits8}, {grFmtBGRA, 0, grBitsP1555}};
    for (uint32_t format : {grFmtLuminance, grFmtLuminanceAlpha, grFmtRGB, grFmtRGBA})
        for (uint32_t bits : {grBits8, grBits16})
            formats.push_back({format, 0, bits});
    for (uint32_t type : {grTypeUINT, grTypeSINT})
        for (grPixelFormat pf : formats) {
            if (type == grTypeSINT && pf.format == grFmtLuminance)
                continue;
            pf.type = type;
            SCOPED_TRACE(testing::Message() << pf.format << "/" << pf.type << "/" << pf.bits);
            const grImage2D img = makeImage(pf, 2, 2, std::string(grBitsPerPixel(pf) / 2, '\0'));
            for (bool mipmap : {false, true}) {
                EXPECT_EQ(upload(img, mipmap), "");
                EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
                EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2);
            }
        }
}

// The count claims more entries than the maps hold; only what they hold
// reaches the driver, and map colour is off again afterwards.
TEST_F(TextureObjectGL, ColourIndexLevelLeavesMapColorOff)
{
    grImage2D idx = makeImage({grFmtColorIndex, grTypeUINT, grBits8}, 2, 1, bytes({0, 3}));
    ASSERT_TRUE(idx.pixelmap.resize(4));
    idx.pixelmap.count = 256;
    upload(idx); // drivers without colour-index uploads report it
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(query(glGetIntegerv, GL_MAP_COLOR), GL_FALSE);
    EXPECT_EQ(query(glGetIntegerv, GL_PIXEL_MAP_I_TO_R_SIZE), 4);
}

// Level 1 given explicitly in a 4-texel square: level 0 is 4 wide; the
// parameters reach the cube target.
TEST_F(TextureObjectGL, CubeMapFacesWithExplicitLevels)
{
    grImage2D faces[6];
    for (int f = 0; f < 6; ++f)
        faces[f] = makeImage(kRGB8, 1, 1, bytes({f * 40, 255 - f * 40, f}));
    grTexParamCubeMap param;
    param.minfilter = GL_LINEAR_MIPMAP_LINEAR;
    grTextureCubeMap cube;
    cube.SetParameter(&param);
    cube.SetImages(faces, 0, 0);
    cube.SetImages(faces, 4, 1);
    grTextureObject obj;
    obj.Create(cube);
    EXPECT_EQ(obj.Dimension(), 6u);
    EXPECT_EQ(query(glGetTexParameteriv, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    for (int f = 0; f < 6; ++f) {
        const GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X + f;
        EXPECT_EQ(query(glGetTexLevelParameteriv, face, 0, GL_TEXTURE_WIDTH), 4) << f;
        EXPECT_EQ(texelsOf(&obj, 1, face).substr(0, 4), bytes({f * 40, 255 - f * 40, f, 255})) << f;
    }
}

// The kinds nothing in the viewer uses: 1-D, 3-D and rectangle textures,
// each uploaded at its size into its own target.
TEST_F(TextureObjectGL, OtherTextureKinds)
{
    grImage1D line;
    grImage3D vol;
    line.format = kRGB8;
    vol.format = {grFmtRGBA, grTypeUINT, grBits8};
    line.width = vol.width = vol.height = vol.depth = 2;
    ASSERT_TRUE(line.allocate() && vol.allocate());
    grTexture1D tex1d;
    tex1d.SetImage(line, 0, 0);
    grTexture3D tex3d;
    tex3d.SetImage(vol, 0, 0);
    grTexParam2D clamp;
    clamp.wraps = clamp.wrapt = GL_CLAMP_TO_EDGE;
    grTextureRectangle rect;
    rect.SetParameter(&clamp);
    rect.SetImage(makeImage(kRGB8, 3, 2, std::string(18, char(4))));
    const struct {
        grTexturable* tex;
        GLenum target, pname;
        GLint size;
        uint32_t dimension;
    } cases[] = {
        {&tex1d, GL_TEXTURE_1D, GL_TEXTURE_WIDTH, 2, 1},
        {&tex3d, GL_TEXTURE_3D, GL_TEXTURE_DEPTH, 2, 3},
        {&rect, GL_TEXTURE_RECTANGLE, GL_TEXTURE_WIDTH, 3, 2},
    };
    for (const auto& c : cases) {
        grTextureObject obj;
        obj.Create(*c.tex);
        EXPECT_EQ(std::tuple(obj.Target(), obj.Dimension(), query(glGetTexLevelParameteriv, c.target, 0, c.pname)),
                  std::tuple(c.target, c.dimension, c.size));
        grImage2D back;
        EXPECT_TRUE(c.target != GL_TEXTURE_RECTANGLE ||
                    (obj.GetTextureImage(0, back) && rowsOf(back).substr(0, 4) == bytes({4, 4, 4, 255})));
    }
}

} // namespace
