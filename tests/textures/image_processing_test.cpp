#include <gtest/gtest.h>

#include "support/capture.h"

#include <cmath>

#include "image_fixtures.h"
#include "textures/image_processing.h"

using namespace libgr;
using namespace imgtest;

namespace
{

const grPixelFormat kGrey{grFmtLuminance, grTypeUINT, grBits8};
const grPixelFormat kRgb{grFmtRGB, grTypeUINT, grBits8};

int8_t at(const grImage2D& img, uint32_t x, uint32_t y, int c)
{
    return int8_t(img.row(y)[x * 3 + c]);
}

} // namespace

TEST(Mono, WeightsTruncated)
{
    // Width 3: source rows padded to 12 bytes.
    grImage2D src =
        makeImage(kRgb, 3, 2, bytes({255, 0, 0, 255, 255, 255, 0, 0, 255, /* row 1 */ 0, 255, 0, 10, 20, 30, 1, 1, 1}));
    grImage2D dst;
    ASSERT_TRUE(mono(dst, src));
    EXPECT_EQ(dst.format, kGrey);
    // 0.299 * 10 + 0.587 * 20 + 0.114 * 30 = 18.15
    EXPECT_EQ(rowsOf(dst), bytes({76, 255, 29, 149, 18, 1}));
    EXPECT_EQ(rowsOf(src).substr(0, 3), bytes({255, 0, 0})); // the source is unchanged
}

TEST(Mono, Refusals)
{
    struct Case {
        grPixelFormat pf;
        std::string message;
    } cases[] = {
        {{grFmtBGR, grTypeUINT, grBits8}, "10: image format is not RGB.\n"},
        {{grFmtRGB, grTypeSINT, grBits8}, "0: image type is not UINT.\n"},
        {{grFmtRGB, grTypeUINT, grBits16}, "5: image bits is not 8.\n"},
    };
    for (const Case& c : cases) {
        grImage2D src = makeImage(c.pf, 1, 1, std::string(grBitsPerPixel(c.pf) / 8, '\1'));
        grImage2D dst;
        EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(mono(dst, src)); }), c.message);
    }
}

TEST(NormalMap, FlatStepAndWrap)
{
    // 4x2 height map: a step from 0 to 255 between x = 1 and x = 2.
    grImage2D src = makeImage(kGrey, 4, 2, bytes({0, 0, 255, 255, 0, 0, 255, 255}));
    grImage2D dst;
    ASSERT_TRUE(normalmap(dst, src));
    EXPECT_EQ(dst.format, (grPixelFormat{grFmtRGB, grTypeSINT, grBits8}));
    // Flat: (0, 0, 127).
    EXPECT_EQ(at(dst, 0, 0, 0), 0);
    EXPECT_EQ(at(dst, 0, 0, 1), 0);
    EXPECT_EQ(at(dst, 0, 0, 2), 127);
    // Step up: dx = 1, v = (1, 0, 0 + 1) normalised.
    const int up = int(127.0f * (1.0f / std::sqrt(2.0f)) + 0.5f);
    EXPECT_EQ(at(dst, 1, 0, 0), up);
    EXPECT_EQ(at(dst, 1, 0, 2), up);
    // The last column compares with the first: a step down.
    EXPECT_EQ(at(dst, 3, 1, 0), -up);
    EXPECT_EQ(at(dst, 3, 1, 2), up);

    // The top row compares with the bottom row.
    grImage2D rows = makeImage(kGrey, 1, 2, bytes({255, 0}));
    ASSERT_TRUE(normalmap(dst, rows));
    EXPECT_EQ(at(dst, 0, 1, 1), up);
    EXPECT_EQ(at(dst, 0, 0, 1), -up);
}

TEST(NormalMap, SharesOrRefuses)
{
    grImage2D rgb = makeImage(kRgb, 1, 1, bytes({1, 2, 3}));
    grImage2D dst;
    ASSERT_TRUE(normalmap(dst, rgb));
    EXPECT_EQ(dst.data(), rgb.data());

    grImage2D bgra = makeImage({grFmtBGRA, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3, 4}));
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(normalmap(dst, bgra)); }),
              "normalmap(): image type not supported.\n");
    EXPECT_EQ(dst.data(), bgra.data());

    grImage2D packed = bgra;
    packed.compressed = 1;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(normalmap(dst, packed)); }),
              "normalmap(): compressed format not supported.\n");
}

TEST(ScaleDown, Table)
{
    const grPixelFormat bgra{grFmtBGRA, grTypeUINT, grBits8}, la{grFmtLuminanceAlpha, grTypeUINT, grBits8};
    const grPixelFormat rgb16{grFmtRGB, grTypeUINT, grBits16};
    struct Case {
        grPixelFormat pf;
        uint32_t w, h;
        std::string rows;
        uint32_t ow, oh; // 0 x 0: refused
        std::string expect;
    } cases[] = {
        {kGrey, 2, 2, bytes({0, 4, 8, 255}), 1, 1, bytes({66})},
        {kRgb, 5, 3, std::string(45, '\x10'), 2, 1, std::string(6, '\x10')},
        {bgra, 2, 2, bytes({1, 2, 3, 4, 1, 2, 3, 4, 3, 2, 1, 0, 3, 2, 1, 0}), 1, 1, bytes({2, 2, 2, 2})},
        {la, 2, 2, std::string(8, '\1'), 0, 0, "scaledown(): 1: unsupported format.\n"},
        {rgb16, 2, 2, std::string(24, '\1'), 0, 0, "scaledown(): 5: unsupported bits.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pf.format * 100 + c.pf.bits);
        grImage2D src = makeImage(c.pf, c.w, c.h, c.rows);
        grImage2D dst;
        bool ok = false;
        const std::string err = vyktest::stderrOf([&] { ok = scaledown(dst, src); });
        ASSERT_EQ(ok, c.ow != 0);
        if (!ok) {
            EXPECT_EQ(err, c.expect);
            continue;
        }
        EXPECT_EQ(err, "");
        EXPECT_EQ(dst.format, c.pf);
        EXPECT_EQ(dst.width, c.ow);
        EXPECT_EQ(dst.height, c.oh);
        EXPECT_EQ(rowsOf(dst), c.expect);
    }
}
