#include <gtest/gtest.h>
#include <string>

#include "image_fixtures.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_format.h"

using namespace libgr;
using namespace imgtest;

namespace
{

// A BMP file: 14-byte file header, info header of `infoSize` bytes (40 or
// more are written out; a smaller or larger size is only claimed), palette
// of 4-byte BGRX entries, pixel rows padded to 4 bytes.
std::string bmp(int32_t w, int32_t h, uint16_t bits, const std::string& pixels, uint32_t infoSize = 40,
                const std::string& palette = "", int64_t pixelOffset = -1, uint32_t compression = 0)
{
    const uint32_t written = infoSize >= 40 && infoSize <= 1000 ? infoSize : 40;
    // Size, width, height, planes, bits per pixel, compression, image size,
    // resolution x and y; colours used, important and the rest are zero.
    const std::string info = le(infoSize) + le(uint32_t(w)) + le(uint32_t(h)) + le(1, 2) + le(bits, 2) +
                             le(compression) + le(uint32_t(pixels.size())) + le(72) + le(72) +
                             std::string(8 + written - 40, '\0');
    const uint32_t offset = pixelOffset >= 0 ? uint32_t(pixelOffset) : uint32_t(14 + written + palette.size());
    // File size, reserved, pixel data offset.
    return "BM" + le(uint32_t(14 + info.size() + palette.size() + pixels.size())) + le(0) + le(offset) + info +
           palette + pixels;
}

} // namespace

TEST(Bmp, LoadTable)
{
    const std::string pal2 = bytes({0, 0, 255, 0, /* red */ 255, 0, 0, 0 /* blue */});
    std::string pal20;
    for (int i = 0; i < 20; ++i)
        pal20 += bytes({i, i, i, 0});
    const std::string px3 = bytes({1, 2, 3, 0}), px4 = bytes({1, 2, 3, 4});
    const grPixelFormat bgr{grFmtBGR, grTypeUINT, grBits8}, L{grFmtLuminance, grTypeUINT, grBits8};
    const grPixelFormat I{grFmtColorIndex, grTypeUINT, grBits8}, I4{grFmtColorIndex, grTypeUINT, grBits4};
    expectLoads(
        {
            {"24-bit, 2x2", bmp(2, 2, 24, bytes({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})), bgr,
             bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})},
            {"32-bit", bmp(1, 1, 32, px4), {grFmtBGRA, grTypeUINT, grBits8}, px4},
            {"8-bit without palette is luminance", bmp(3, 1, 8, bytes({9, 8, 7, 0})), L, bytes({9, 8, 7})},
            {"24-bit with a palette: empty map", bmp(1, 1, 24, px3, 40, pal2), bgr, bytes({1, 2, 3})},
            {"palette after a 124-byte header", bmp(2, 1, 8, bytes({1, 0, 0, 0}), 124, pal2), I, bytes({1, 0}), 2},
            {"4-bit palette capped at 16 entries", bmp(2, 1, 4, bytes({0x12, 0, 0, 0}), 40, pal20), I4, bytes({0x12}),
             16},
            // Byte 20 is the high half of the width.
            {"pixel offset inside the header: no palette", bmp(1, 1, 8, bytes({5, 0, 0, 0}), 40, "", 20), L,
             bytes({0})},
            {"header size past the end: no palette", bmp(1, 1, 8, bytes({6, 0, 0, 0}), 0xFFFFFFF0), L, bytes({6})},
            {"top-down rows are flipped", bmp(1, -2, 24, bytes({1, 2, 3, 0, 4, 5, 6, 0})), bgr,
             bytes({4, 5, 6, 1, 2, 3})},
            {"16-bit", bmp(1, 1, 16, bytes({1, 2, 0, 0})), kRefused, ""},
            {"compression 1", bmp(1, 1, 8, bytes({1, 0, 0, 0}), 40, "", -1, 1), kRefused, ""},
            {"32-bit with a palette", bmp(1, 1, 32, px4, 40, pal2), kRefused, ""},
            {"width 0", bmp(0, 1, 24, ""), kRefused, ""},
            {"negative width", bmp(-1, 1, 24, px3), kRefused, ""},
            {"height 0", bmp(1, 0, 24, ""), kRefused, ""},
            {"huge width, tiny file", bmp(0x7FFFFFFF, 0x7FFFFFFF, 32, px4), kRefused, ""},
            {"pixel offset past the end", bmp(1, 1, 24, px3, 40, "", 5000), kRefused, ""},
            {"12-byte core header", bmp(1, 1, 24, px3, 12), kRefused, ""},
        },
        ".bmp", bmpLoad);
}

TEST(Bmp, FilesOfAnotherProgram)
{
    // 8 bits, 256-entry palette, pixel offset 1078: expanded to RGB, also
    // under a capital extension; without the expansion, colour index with
    // 16-bit maps of the BGRX palette.
    vyktest::TempDir dir;
    grImage2D img;
    for (const std::string& name :
         {dataFile("im_pal8.bmp"), dir.write("UP.BMP", vyktest::readFile(dataFile("im_pal8.bmp")))}) {
        ASSERT_TRUE(autoloadformat(img, name.c_str()));
        EXPECT_EQ(img.format, (grPixelFormat{grFmtRGB, grTypeUINT, grBits8}));
        ASSERT_EQ(img.height, 20u);
        EXPECT_EQ(rowsOf(img).substr(0, 3), bytes({0, 0, 255}));
        EXPECT_EQ(rowsOf(img).substr(19 * 9), bytes({255, 0, 0, 255, 0, 0, 255, 0, 0}));
    }
    ASSERT_TRUE(bmpLoad(img, dataFile("im_pal8.bmp").c_str()));
    EXPECT_TRUE(img.format.format == grFmtColorIndex && img.pixelmap.count == 256u);
    ASSERT_TRUE(bmpLoad(
        img, dir.write("p.bmp", bmp(1, 1, 8, bytes({1, 0, 0, 0}), 40, bytes({0, 0, 0, 0, 1, 2, 3, 0}))).c_str()));
    EXPECT_EQ((std::vector<int>{img.pixelmap.red[1], img.pixelmap.green[1], img.pixelmap.blue[1]}),
              (std::vector<int>{3 * 257, 2 * 257, 257}));

    // 1 bit has no expansion; compression 1 is refused.
    EXPECT_FALSE(autoloadformat(img, dataFile("im_pal1.bmp").c_str()));
    EXPECT_FALSE(autoloadformat(img, dataFile("im_rle8.bmp").c_str()));
}

// 3x2 RGB: saved as 24-bit BGR, 12 bytes a row, after the headers the
// loading cases are made of.
TEST(Bmp, WritesHeaderAndPaddedRows)
{
    grImage2D img = makeImage({grFmtRGB, grTypeUINT, grBits8}, 3, 2,
                              bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, /* row 1 */ 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    vyktest::TempDir dir;
    ASSERT_TRUE(autosaveformat(img, dir.file("w.bmp").c_str()));
    const std::string expect = bmp(
        3, 2, 24, bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0, /* row 1 */ 12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
    EXPECT_EQ(vyktest::readFile(dir.file("w.bmp")), expect);
}

TEST(Bmp, TruncationSweep)
{
    for (const std::string& whole : {bmp(3, 2, 24, std::string(24, '\x7F')), vyktest::readFile(dataFile("im_pal8.bmp")),
                                     vyktest::readFile(dataFile("im_pal4.bmp"))})
        sweepPrefixes(whole, ".bmp", Prefix::Fails, bmpLoad);
}
