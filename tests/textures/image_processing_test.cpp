#include <gtest/gtest.h>

#include "image_fixtures.h"
#include "support/capture.h"
#include "textures/image_processing.h"

using namespace libgr;
using namespace imgtest;

namespace
{

const grPixelFormat kGrey{grFmtLuminance, grTypeUINT, grBits8};
const grPixelFormat kRgb{grFmtRGB, grTypeUINT, grBits8};

} // namespace

// Width 3: source rows padded to 12 bytes; 0.299 * 10 + 0.587 * 20 +
// 0.114 * 30 = 18.15 is truncated.
TEST(Mono, WeightsTruncatedAndRefusals)
{
    grImage2D src = makeImage(kRgb, 3, 1, bytes({0, 255, 0, 10, 20, 30, 0, 0, 255})), dst;
    ASSERT_TRUE(mono(dst, src));
    EXPECT_EQ(dst.format, kGrey);
    EXPECT_EQ(rowsOf(dst), bytes({149, 18, 29}));
    const struct {
        grPixelFormat pf;
        std::string message;
    } cases[] = {
        {{grFmtBGR, grTypeUINT, grBits8}, "10: image format is not RGB.\n"},
        {{grFmtRGB, grTypeSINT, grBits8}, "0: image type is not UINT.\n"},
        {{grFmtRGB, grTypeUINT, grBits16}, "5: image bits is not 8.\n"},
    };
    for (const auto& c : cases) {
        src = makeImage(c.pf, 1, 1, std::string(grBitsPerPixel(c.pf) / 8, '\1'));
        EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(mono(dst, src)); }), c.message);
    }
}

// The top row compares with the bottom row (a step of 255 gives 127 / sqrt 2);
// colour is shared, other layouts and compressed images refused.
TEST(NormalMap, VerticalWrapSharesOrRefuses)
{
    grImage2D dst, rgb = makeImage(kRgb, 1, 1, bytes({1, 2, 3}));
    ASSERT_TRUE(normalmap(dst, makeImage(kGrey, 1, 2, bytes({255, 0}))));
    EXPECT_EQ(dst.format, (grPixelFormat{grFmtRGB, grTypeSINT, grBits8}));
    EXPECT_EQ(rowsOf(dst), bytes({0, -90 & 0xFF, 90, 0, 90, 90}));
    ASSERT_TRUE(normalmap(dst, rgb));
    EXPECT_EQ(dst.data(), rgb.data());

    grImage2D bgra = makeImage({grFmtBGRA, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3, 4}));
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(normalmap(dst, bgra)); }),
              "normalmap(): image type not supported.\n");
    EXPECT_EQ(dst.data(), bgra.data());
    bgra.compressed = 1;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(normalmap(dst, bgra)); }),
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
        grImage2D src = makeImage(c.pf, c.w, c.h, c.rows), dst;
        bool ok = false;
        const std::string err = vyktest::stderrOf([&] { ok = scaledown(dst, src); });
        ASSERT_EQ(ok, c.ow != 0);
        if (!ok) {
            EXPECT_EQ(err, c.expect);
            continue;
        }
        EXPECT_EQ(err, "");
        EXPECT_TRUE(dst.format == c.pf && dst.width == c.ow && dst.height == c.oh) << dst.width << "x" << dst.height;
        EXPECT_EQ(rowsOf(dst), c.expect);
    }
}
