#include <gtest/gtest.h>

#include "image_fixtures.h"
#include "textures/image_convert.h"

using namespace libgr;
using namespace imgtest;

namespace
{

grImage2D indexed(uint32_t bits, uint32_t w, const std::string& rows, int entries)
{
    grImage2D img = makeImage({grFmtColorIndex, grTypeUINT, bits}, w, 1, rows);
    if (entries > 0) {
        EXPECT_TRUE(img.pixelmap.resize(uint64_t(entries)));
        for (int i = 0; i < entries; ++i) {
            img.pixelmap.red[i] = uint16_t((10 + i) << 8 | 0xFF); // the high byte counts
            img.pixelmap.green[i] = uint16_t((20 + i) << 8);
            img.pixelmap.blue[i] = uint16_t((30 + i) << 8);
        }
    }
    return img;
}

} // namespace

TEST(IndexToRgb, Table)
{
    struct Case {
        const char* name;
        grImage2D src;
        std::string rows;
    } cases[] = {
        {"4-bit: high nibble first", indexed(grBits4, 3, bytes({0x10, 0x20}), 3),
         bytes({11, 21, 31, 10, 20, 30, 12, 22, 32})},
        {"index past the map reads entry 0", indexed(grBits8, 2, bytes({200, 1}), 2), bytes({10, 20, 30, 11, 21, 31})},
        {"empty map gives black", indexed(grBits8, 1, bytes({3}), 0), bytes({0, 0, 0})},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        grImage2D out;
        ASSERT_TRUE(index2rgb(out, c.src));
        EXPECT_EQ(out.format, (grPixelFormat{grFmtRGB, grTypeUINT, grBits8}));
        EXPECT_EQ(rowsOf(out), c.rows);
        EXPECT_NE(out.data(), c.src.data());
    }
    // Other formats are shared unchanged.
    grImage2D rgb = makeImage({grFmtRGB, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3})), out;
    ASSERT_TRUE(index2rgb(out, rgb));
    EXPECT_EQ(out.data(), rgb.data());
}

TEST(ChannelSwap, Table)
{
    struct Case {
        grPixelFormat in;
        bool forward;
        bool ok;
        uint32_t outFormat;
        std::string rows, expect;
    } cases[] = {
        {{grFmtRGBA, grTypeSINT, grBits8}, true, true, grFmtBGRA, bytes({1, 2, 3, 4}), bytes({3, 2, 1, 4})},
        {{grFmtBGRA, grTypeUINT, grBits8}, false, true, grFmtRGBA, bytes({1, 2, 3, 4}), bytes({3, 2, 1, 4})},
        {{grFmtBGR, grTypeUINT, grBits8}, true, false, grFmtBGR, bytes({1, 2, 3}), bytes({1, 2, 3})},
        {{grFmtRGBA, grTypeUINT, grBitsP1555}, true, false, grFmtRGBA, bytes({1, 2}), bytes({1, 2})},
        {{grFmtRGB, grTypeFLOAT, grBits8}, true, false, grFmtRGB, bytes({1, 2, 3}), bytes({1, 2, 3})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.format * 100 + c.in.type * 10);
        grImage2D src = makeImage(c.in, uint32_t(c.rows.size() / (grBitsPerPixel(c.in) / 8)), 1, c.rows);
        grImage2D out;
        EXPECT_EQ(c.forward ? rgb2bgr(out, src) : bgr2rgb(out, src), c.ok);
        EXPECT_TRUE(out.format.format == c.outFormat && out.format.type == c.in.type);
        EXPECT_EQ(rowsOf(out), c.expect);
        EXPECT_EQ(out.data() == src.data(), !c.ok); // refused: shared
        EXPECT_TRUE(!c.ok || out.store == &grDefaultPixelStore);
    }
    // In place: the destination may be the source.
    grImage2D img = makeImage({grFmtRGB, grTypeUINT, grBits8}, 2, 1, bytes({1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(rgb2bgr(img, img));
    EXPECT_EQ(rowsOf(img), bytes({3, 2, 1, 6, 5, 4}));
}
