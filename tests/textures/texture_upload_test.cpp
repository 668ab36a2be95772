#include "textures/texture_upload.h"

#include <gtest/gtest.h>

#include "support/capture.h"

#include <string>
#include <tuple>

namespace
{

using namespace libgr;

// Rows the GL upload tests cannot tell apart by an error: the internal
// format chosen, and the layouts that borrow another's row.
TEST(TranslationTable, AcceptedRows)
{
    const struct {
        grPixelFormat pf;
        GLint internalformat;
        GLenum format, type;
    } rows[] = {
        {{grFmtLuminance, grTypeUINT, grBits8}, GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {{grFmtLuminance, grTypeUINT, grBits16}, GL_LUMINANCE16, GL_LUMINANCE, GL_UNSIGNED_SHORT},
        {{grFmtLuminanceAlpha, grTypeUINT, grBitsP124}, GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA, GL_BITMAP},
        {{grFmtRed, grTypeFLOAT, grBits16}, GL_R16F, GL_RED, GL_HALF_FLOAT},
        {{grFmtRGB, grTypeUINT, grBitsP565}, GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV},
        // Signed colour goes to the signed normalised formats, so negative
        // normal components survive the upload.
        {{grFmtRGB, grTypeSINT, grBits8}, GL_RGB8_SNORM, GL_RGB, GL_BYTE},
        {{grFmtBGRA, grTypeSINT, grBits8}, GL_RGBA8_SNORM, GL_BGRA, GL_BYTE},
        {{grFmtBGR, grTypeUINT, grBits8}, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE},
        {{grFmtDepth, grTypeFLOAT, grBits24}, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT},
        {{grFmtColorIndex, grTypeUINT, grBits8}, GL_COLOR_INDEX, GL_COLOR_INDEX, GL_UNSIGNED_BYTE},
        {{grFmtYCbCr, grTypeUINT, grBits8}, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {{grFmtFour, grTypeUINT, grBits16}, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pf.format << "/" << row.pf.type << "/" << row.pf.bits);
        grGLFormat gl;
        EXPECT_EQ(vyktest::stderrOf([&] { ASSERT_TRUE(translate(row.pf, false, gl)); }), "");
        EXPECT_EQ(std::tie(gl.internalformat, gl.format, gl.type), std::tie(row.internalformat, row.format, row.type));
    }
}

// No row for the combination, no OpenGL pixel format for the layout, codes
// outside every table: the codes are printed in hexadecimal, and the stream
// is left in decimal.
TEST(TranslationTable, RefusedRowsPrintTheFourLineMessage)
{
    const struct {
        grPixelFormat pf;
        const char* codes;
    } rows[] = {
        {{grFmtRGB, grTypeUINT, grBits24}, "8\nimgtype: 1\nimgbits: 6"},
        {{grFmtRG, grTypeUINT, grBits8}, "7\nimgtype: 1\nimgbits: 3"},
        {{grFmtColorIndex, grTypeSINT, grBits8}, "11\nimgtype: 0\nimgbits: 3"},
        {{18, grTypeUINT, grBits8}, "12\nimgtype: 1\nimgbits: 3"},
        {{grFmtRGB, 3, grBits8}, "8\nimgtype: 3\nimgbits: 3"},
    };
    for (const auto& row : rows) {
        grGLFormat gl;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      EXPECT_FALSE(translate(row.pf, false, gl));
                      libutils::diagnostics() << 12 << '\n';
                  }),
                  "Not supported image format!\nimgformat: " + std::string(row.codes) + "\n12\n");
        EXPECT_FALSE(translateQuiet(row.pf, false, gl));
    }
}

// A power-of-two square halving per level down to 1; a border adds two
// texels around the power-of-two inside.
TEST(SquareEdge, PowerOfTwoPlacementHalvesPerLevel)
{
    EXPECT_EQ(grSquareEdge(256, 0, false), 256u);
    EXPECT_EQ(grSquareEdge(300, 9, false), 1u);
    EXPECT_EQ(grSquareEdge(300, 40, false), 1u);
    EXPECT_EQ(grSquareEdge(258, 0, true), 258u);
    EXPECT_EQ(grSquareEdge(259, 0, true), 514u);
    EXPECT_EQ(grSquareEdge(1, 0, true), 2u);
}

} // namespace
