#include <gtest/gtest.h>
#include <string>

#include "image_fixtures.h"
#include "support/temp_dir.h"
#include "textures/image_format.h"
#include "textures/tga.h"

using namespace libgr;
using namespace imgtest;

namespace
{

std::string tgaHeader(int type, int width, int height, int depth, int descriptor = 0, int idLength = 0, int mapType = 0,
                      int mapLength = 0, int mapEntryBits = 0)
{
    // Identification length, colour-map type, image type, first map entry,
    // map length and entry size, origin, size, depth, descriptor.
    return bytes({idLength, mapType, type, 0, 0}) + le(mapLength, 2) + bytes({mapEntryBits, 0, 0, 0, 0}) +
           le(width, 2) + le(height, 2) + bytes({depth, descriptor});
}

} // namespace

TEST(Tga, LoadTable)
{
    const grPixelFormat bgr{grFmtBGR, grTypeUINT, grBits8}, grey{grFmtLuminance, grTypeUINT, grBits8};
    const std::string w5rows = bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}), px3 = bytes({1, 2, 3});
    expectLoads(
        {
            {"24-bit, width 5, packed rows", tgaHeader(2, 5, 1, 24) + w5rows, bgr, w5rows},
            {"24-bit, width 5, rows padded by an earlier writer",
             tgaHeader(2, 5, 2, 24) + w5rows + bytes({0}) + w5rows + bytes({0}), bgr, w5rows + w5rows},
            {"packed rows followed by a footer", tgaHeader(2, 1, 1, 24) + px3 + std::string(26, 'F'), bgr, px3},
            {"32-bit", tgaHeader(2, 1, 1, 32) + "abcd", {grFmtBGRA, grTypeUINT, grBits8}, "abcd"},
            {"16-bit", tgaHeader(2, 1, 1, 16) + "ab", {grFmtBGRA, grTypeUINT, grBitsP1555}, "ab"},
            {"grey, type 3", tgaHeader(3, 3, 1, 8) + px3, grey, px3},
            {"colour-mapped: indices as luminance",
             tgaHeader(1, 2, 1, 8, 0, 2, 1, 2, 24) + bytes({'i', 'd', 0, 0, 255, 255, 0, 0}) + bytes({1, 0}), grey,
             bytes({1, 0})},
            {"type 10 (run-length)", tgaHeader(10, 1, 1, 24) + bytes({0, 1, 2, 3}), kRefused, ""},
            {"descriptor 32 (top-left origin)", tgaHeader(2, 1, 1, 24, 32) + px3, kRefused, ""},
            {"depth 15", tgaHeader(2, 1, 1, 15) + "ab", kRefused, ""},
            {"grey of 16 bits", tgaHeader(3, 1, 1, 16) + "ab", kRefused, ""},
            {"65535 x 65535 from a tiny file", tgaHeader(2, 65535, 65535, 32) + "abcd", kRefused, ""},
            {"width 0", tgaHeader(2, 0, 1, 24), kRefused, ""},
        },
        ".tga", tgaLoad);
}

// Colour as type 2 with packed BGR rows (width 5: 15 bytes a row), grey as
// type 3.
TEST(Tga, WritesPackedRows)
{
    std::string rows, expect = tgaHeader(2, 5, 2, 24);
    for (int i = 0; i < 30; ++i)
        rows += char(i);
    for (int i = 0; i < 30; i += 3)
        expect += bytes({i + 2, i + 1, i});
    vyktest::TempDir dir;
    ASSERT_TRUE(autosaveformat(makeImage({grFmtRGB, grTypeUINT, grBits8}, 5, 2, rows), dir.file("w.tga").c_str()));
    EXPECT_EQ(vyktest::readFile(dir.file("w.tga")), expect);
    ASSERT_TRUE(
        autosaveformat(makeImage({grFmtLuminance, grTypeUINT, grBits8}, 3, 1, "abc"), dir.file("g.tga").c_str()));
    EXPECT_EQ(vyktest::readFile(dir.file("g.tga")), tgaHeader(3, 3, 1, 8) + "abc");
}

// A colour-mapped file, and one of width 5 from another program (packed
// rows and a footer), fail at every cut.
TEST(Tga, TruncationSweep)
{
    const std::string mapped =
        tgaHeader(1, 3, 2, 8, 0, 3, 1, 4, 24) + "abc" + std::string(12, 'm') + std::string(6, 'p');
    for (const std::string& whole : {mapped, vyktest::readFile(dataFile("im_w5.tga"))})
        sweepPrefixes(whole, ".tga", Prefix::Fails, tgaLoad);
}
