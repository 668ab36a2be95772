#include "textures/texture_upload.h"

#include <gtest/gtest.h>

#include "support/capture.h"

#include <string>

namespace
{

using namespace libgr;

struct Accepted {
    grPixelFormat pf;
    GLint internalformat;
    GLenum format;
    GLenum type;
};

TEST(TranslationTable, AcceptedRows)
{
    const Accepted rows[] = {
        {{grFmtLuminance, grTypeUINT, grBits8}, GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {{grFmtLuminance, grTypeUINT, grBits16}, GL_LUMINANCE16, GL_LUMINANCE, GL_UNSIGNED_SHORT},
        {{grFmtLuminance, grTypeSINT, grBits12}, GL_LUMINANCE12, GL_LUMINANCE, GL_SHORT},
        {{grFmtLuminance, grTypeFLOAT, grBits32}, GL_LUMINANCE32F_ARB, GL_LUMINANCE, GL_FLOAT},
        {{grFmtLuminanceAlpha, grTypeUINT, grBitsP124}, GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA, GL_BITMAP},
        {{grFmtLuminanceAlpha, grTypeUINT, grBits24}, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_INT},
        {{grFmtIntensity, grTypeUINT, grBits12}, GL_INTENSITY12, GL_INTENSITY, GL_UNSIGNED_SHORT},
        {{grFmtRed, grTypeSINT, grBits16}, GL_R16I, GL_RED, GL_SHORT},
        {{grFmtRed, grTypeFLOAT, grBits16}, GL_R16F, GL_RED, GL_HALF_FLOAT},
        {{grFmtBlue, grTypeSINT, grBits8}, GL_BLUE, GL_BLUE, GL_BYTE},
        {{grFmtAlpha, grTypeSINT, grBits12}, GL_ALPHA12, GL_ALPHA, GL_SHORT},
        {{grFmtRGB, grTypeUINT, grBits8}, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {{grFmtRGB, grTypeUINT, grBitsP565}, GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV},
        // Signed colour goes to the signed normalised formats, so negative
        // normal components survive the upload.
        {{grFmtRGB, grTypeSINT, grBits8}, GL_RGB8_SNORM, GL_RGB, GL_BYTE},
        {{grFmtBGRA, grTypeSINT, grBits8}, GL_RGBA8_SNORM, GL_BGRA, GL_BYTE},
        {{grFmtRGB, grTypeSINT, grBits12}, GL_RGB12, GL_RGB, GL_SHORT},
        {{grFmtRGBA, grTypeUINT, grBits4}, GL_RGBA4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
        {{grFmtRGBA, grTypeUINT, grBitsP2101010}, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV},
        {{grFmtRGBA, grTypeFLOAT, grBits32}, GL_RGBA32F, GL_RGBA, GL_FLOAT},
        {{grFmtBGR, grTypeUINT, grBits8}, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE},
        {{grFmtBGR, grTypeUINT, grBitsP233}, GL_R3_G3_B2, GL_BGR, GL_UNSIGNED_BYTE_2_3_3_REV},
        {{grFmtBGRA, grTypeUINT, grBitsP1555}, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
        {{grFmtDepth, grTypeFLOAT, grBits24}, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT},
        {{grFmtColorIndex, grTypeUINT, grBits8}, GL_COLOR_INDEX, GL_COLOR_INDEX, GL_UNSIGNED_BYTE},
        // YCbCr and four-component layouts use the RGB and RGBA rows.
        {{grFmtYCbCr, grTypeUINT, grBits8}, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {{grFmtFour, grTypeUINT, grBits16}, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT},
    };
    for (const Accepted& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << row.pf.format << " type " << row.pf.type << " bits "
                                        << row.pf.bits);
        grGLFormat gl;
        EXPECT_EQ(vyktest::stderrOf([&] { ASSERT_TRUE(translate(row.pf, false, gl)); }), "");
        EXPECT_EQ(gl.internalformat, row.internalformat);
        EXPECT_EQ(gl.format, row.format);
        EXPECT_EQ(gl.type, row.type);
    }
}

TEST(TranslationTable, RefusedRowsPrintTheFourLineMessage)
{
    struct Refused {
        grPixelFormat pf;
        const char* message;
    } rows[] = {
        // 24 bits a component has no RGB row.
        {{grFmtRGB, grTypeUINT, grBits24}, "Not supported image format!\nimgformat: 8\nimgtype: 1\nimgbits: 6\n"},
        // Red-green, depth-stencil and two-component layouts have no OpenGL
        // pixel format.
        {{grFmtRG, grTypeUINT, grBits8}, "Not supported image format!\nimgformat: 7\nimgtype: 1\nimgbits: 3\n"},
        {{grFmtDepthStencil, grTypeUINT, grBitsNone},
         "Not supported image format!\nimgformat: d\nimgtype: 1\nimgbits: f\n"},
        {{grFmtTwo, grTypeUINT, grBits8}, "Not supported image format!\nimgformat: 10\nimgtype: 1\nimgbits: 3\n"},
        // No floating-point BGR, no unsigned depth, no signed colour index.
        {{grFmtBGR, grTypeFLOAT, grBits32}, "Not supported image format!\nimgformat: a\nimgtype: 2\nimgbits: 7\n"},
        {{grFmtDepth, grTypeUINT, grBits16}, "Not supported image format!\nimgformat: c\nimgtype: 1\nimgbits: 5\n"},
        {{grFmtColorIndex, grTypeSINT, grBits8},
         "Not supported image format!\nimgformat: 11\nimgtype: 0\nimgbits: 3\n"},
        {{grFmtColorIndex, grTypeUINT, grBits4},
         "Not supported image format!\nimgformat: 11\nimgtype: 1\nimgbits: 2\n"},
        // Codes outside every table.
        {{18, grTypeUINT, grBits8}, "Not supported image format!\nimgformat: 12\nimgtype: 1\nimgbits: 3\n"},
        {{grFmtRGB, 3, grBits8}, "Not supported image format!\nimgformat: 8\nimgtype: 3\nimgbits: 3\n"},
    };
    for (const Refused& row : rows) {
        grGLFormat gl;
        // The hexadecimal codes leave the stream in decimal.
        EXPECT_EQ(vyktest::stderrOf([&] {
                      EXPECT_FALSE(translate(row.pf, false, gl));
                      std::cerr << 12 << '\n';
                  }),
                  row.message + std::string("12\n"));
        EXPECT_FALSE(translateQuiet(row.pf, false, gl));
    }
}

TEST(SquareEdge, PowerOfTwoPlacementHalvesPerLevel)
{
    EXPECT_EQ(grSquareEdge(300, 0, false), 512u);
    EXPECT_EQ(grSquareEdge(256, 0, false), 256u);
    EXPECT_EQ(grSquareEdge(300, 1, false), 256u);
    EXPECT_EQ(grSquareEdge(300, 9, false), 1u);
    EXPECT_EQ(grSquareEdge(300, 12, false), 1u);
    // A border adds two texels around the power-of-two inside.
    EXPECT_EQ(grSquareEdge(258, 0, true), 258u);
    EXPECT_EQ(grSquareEdge(259, 0, true), 514u);
    EXPECT_EQ(grSquareEdge(2, 0, true), 2u);
    EXPECT_EQ(grSquareEdge(1, 0, true), 2u);
}

} // namespace
