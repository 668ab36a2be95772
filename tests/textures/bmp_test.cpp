#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "image_fixtures.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_format.h"

using namespace libgr;
using namespace imgtest;

namespace
{

struct BmpSpec {
    int32_t width = 2;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t infoSize = 40;
    std::string palette;      // 4 bytes per entry: blue, green, red, reserved
    std::string pixels;       // rows padded to 4 bytes
    int64_t pixelOffset = -1; // -1: right after the palette
};

std::string bmpFile(const BmpSpec& s)
{
    std::string info;
    le32(info, s.infoSize);                // info header size
    le32(info, uint32_t(s.width));         // width
    le32(info, uint32_t(s.height));        // height
    le16(info, 1);                         // planes
    le16(info, s.bits);                    // bits per pixel
    le32(info, s.compression);             // compression
    le32(info, uint32_t(s.pixels.size())); // image size
    le32(info, 2835);
    le32(info, 2835); // resolution
    le32(info, 0);
    le32(info, 0); // colours used, important
    if (s.infoSize > 40)
        info.append(s.infoSize - 40, '\0');
    const uint32_t offset =
        s.pixelOffset >= 0 ? uint32_t(s.pixelOffset) : uint32_t(14 + info.size() + s.palette.size());
    std::string f = "BM";
    le32(f, uint32_t(14 + info.size() + s.palette.size() + s.pixels.size())); // file size
    le32(f, 0);                                                               // reserved
    le32(f, offset);                                                          // pixel data offset
    return f + info + s.palette + s.pixels;
}

struct LoadCase {
    const char* name;
    BmpSpec spec;
    bool ok;
    uint32_t format;
    uint32_t bits;
    uint64_t mapEntries;
    std::string rows; // packed rows, bottom first
};

} // namespace

TEST(Bmp, LoadTable)
{
    const std::string pal2 = bytes({0, 0, 255, 0, /* red */ 255, 0, 0, 0 /* blue */});
    std::string pal20;
    for (int i = 0; i < 20; ++i)
        pal20 += bytes({i, i, i, 0});
    const LoadCase cases[] = {
        {"24-bit, 2x2",
         {2, 2, 24, 0, 40, "", bytes({1, 2, 3, 4, 5, 6, 0, 0, /* row 1 */ 7, 8, 9, 10, 11, 12, 0, 0})},
         true,
         grFmtBGR,
         grBits8,
         0,
         bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})},
        {"32-bit", {1, 1, 32, 0, 40, "", bytes({1, 2, 3, 4})}, true, grFmtBGRA, grBits8, 0, bytes({1, 2, 3, 4})},
        {"8-bit without palette is luminance",
         {3, 1, 8, 0, 40, "", bytes({9, 8, 7, 0})},
         true,
         grFmtLuminance,
         grBits8,
         0,
         bytes({9, 8, 7})},
        {"24-bit with a palette leaves an empty map",
         {1, 1, 24, 0, 40, pal2, bytes({1, 2, 3, 0})},
         true,
         grFmtBGR,
         grBits8,
         0,
         bytes({1, 2, 3})},
        {"8-bit palette after a 124-byte info header",
         {2, 1, 8, 0, 124, pal2, bytes({1, 0, 0, 0})},
         true,
         grFmtColorIndex,
         grBits8,
         2,
         bytes({1, 0})},
        {"4-bit palette capped at 16 entries",
         {2, 1, 4, 0, 40, pal20, bytes({0x12, 0, 0, 0})},
         true,
         grFmtColorIndex,
         grBits4,
         16,
         bytes({0x12})},
        {"pixel offset inside the info header: no palette",
         {1, 1, 8, 0, 40, "", bytes({5, 0, 0, 0}), 20},
         true,
         grFmtLuminance,
         grBits8,
         0,
         bytes({0}) /* byte 20: high half of the width */},
        {"top-down rows are flipped",
         {1, -2, 24, 0, 40, "", bytes({1, 2, 3, 0, /* second */ 4, 5, 6, 0})},
         true,
         grFmtBGR,
         grBits8,
         0,
         bytes({4, 5, 6, 1, 2, 3})},
        {"16-bit", {1, 1, 16, 0, 40, "", bytes({1, 2, 0, 0})}, false, 0, 0, 0, ""},
        {"compression 1", {1, 1, 8, 1, 40, "", bytes({1, 0, 0, 0})}, false, 0, 0, 0, ""},
        {"32-bit with a palette", {1, 1, 32, 0, 40, pal2, bytes({1, 2, 3, 4})}, false, 0, 0, 0, ""},
        {"width 0", {0, 1, 24, 0, 40, "", ""}, false, 0, 0, 0, ""},
        {"negative width", {-1, 1, 24, 0, 40, "", bytes({1, 2, 3, 0})}, false, 0, 0, 0, ""},
        {"height 0", {1, 0, 24, 0, 40, "", ""}, false, 0, 0, 0, ""},
        {"more rows than the file holds", {1, 3, 24, 0, 40, "", bytes({1, 2, 3, 0, 4, 5, 6, 0})}, false, 0, 0, 0, ""},
        {"huge width, tiny file", {0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 40, "", bytes({1, 2, 3, 4})}, false, 0, 0, 0, ""},
        {"pixel offset past the end", {1, 1, 24, 0, 40, "", bytes({1, 2, 3, 0}), 5000}, false, 0, 0, 0, ""},
        {"12-byte core header", {1, 1, 24, 0, 12, "", bytes({1, 2, 3, 0})}, false, 0, 0, 0, ""},
        {"info header size past the end: no palette",
         {1, 1, 8, 0, 0xFFFFFFF0, "", bytes({6, 0, 0, 0})},
         true,
         grFmtLuminance,
         grBits8,
         0,
         bytes({6})},
    };
    vyktest::TempDir dir;
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        BmpSpec spec = c.spec;
        if (spec.infoSize < 40 || spec.infoSize > 1000) {
            // A header size the file does not match: written as 40 bytes,
            // then the size field is patched.
            std::string f = bmpFile(BmpSpec{spec.width, spec.height, spec.bits, 0, 40, "", spec.pixels});
            std::string size;
            le32(size, spec.infoSize);
            f.replace(14, 4, size);
            dir.write("case.bmp", f);
        } else {
            dir.write("case.bmp", bmpFile(spec));
        }
        grImage2D img;
        testing::internal::CaptureStderr();
        bool ok = bmpLoad(img, dir.file("case.bmp").c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_EQ(ok, c.ok);
        if (!ok)
            continue;
        EXPECT_EQ(img.format.format, c.format);
        EXPECT_EQ(img.format.type, uint32_t(grTypeUINT));
        EXPECT_EQ(img.format.bits, c.bits);
        EXPECT_EQ(img.pixelmap.count, c.mapEntries);
        EXPECT_EQ(rowsOf(img), c.rows);
    }
}

TEST(Bmp, PaletteEntriesBecomeSixteenBitMaps)
{
    vyktest::TempDir dir;
    dir.write("p.bmp", bmpFile(BmpSpec{2, 1, 8, 0, 40, bytes({0, 0, 255, 0, 1, 2, 3, 0}), bytes({1, 0, 0, 0})}));
    grImage2D img;
    ASSERT_TRUE(bmpLoad(img, dir.file("p.bmp").c_str()));
    ASSERT_EQ(img.pixelmap.count, 2u);
    EXPECT_EQ(img.pixelmap.red[0], 0xFFFF);
    EXPECT_EQ(img.pixelmap.blue[0], 0);
    EXPECT_EQ(img.pixelmap.red[1], 3 * 257);
    EXPECT_EQ(img.pixelmap.green[1], 2 * 257);
    EXPECT_EQ(img.pixelmap.blue[1], 1 * 257);
    // The pixels are the file's own bytes, not a copy.
    EXPECT_EQ(img.use_count(), 1u);
    EXPECT_EQ(img.offset(), 14u + 40u + 8u);
}

TEST(Bmp, FilesOfAnotherProgram)
{
    grImage2D img;
    // 8 bits, 256-entry palette, pixel offset 1078: expanded to RGB.
    ASSERT_TRUE(autoloadformat(img, dataFile("im_pal8.bmp").c_str()));
    EXPECT_EQ(img.format, (grPixelFormat{grFmtRGB, grTypeUINT, grBits8}));
    ASSERT_EQ(img.width, 3u);
    ASSERT_EQ(img.height, 20u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.row(0)), 3), bytes({0, 0, 255}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.row(19)), 9), bytes({255, 0, 0, 255, 0, 0, 255, 0, 0}));

    // Without the expansion it is colour index with the whole palette.
    grImage2D raw;
    ASSERT_TRUE(bmpLoad(raw, dataFile("im_pal8.bmp").c_str()));
    EXPECT_EQ(raw.format.format, uint32_t(grFmtColorIndex));
    EXPECT_EQ(raw.pixelmap.count, 256u);

    // 4 bits: high nibble first.
    ASSERT_TRUE(autoloadformat(img, dataFile("im_pal4.bmp").c_str()));
    EXPECT_EQ(rowsOf(img), bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));

    // 1 bit has no expansion; compression 1 is refused.
    EXPECT_FALSE(autoloadformat(img, dataFile("im_pal1.bmp").c_str()));
    EXPECT_FALSE(autoloadformat(img, dataFile("im_rle8.bmp").c_str()));
}

TEST(Bmp, CapitalExtension)
{
    vyktest::TempDir dir;
    dir.write("UP.BMP", vyktest::readFile(dataFile("im_pal8.bmp")));
    grImage2D img;
    EXPECT_TRUE(autoloadformat(img, dir.file("UP.BMP").c_str()));
    EXPECT_EQ(img.width, 3u);
}

TEST(Bmp, WritesHeaderAndPaddedRows)
{
    // 3x2 RGB: saved as 24-bit BGR, 12 bytes a row.
    grImage2D img = makeImage({grFmtRGB, grTypeUINT, grBits8}, 3, 2,
                              bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, /* row 1 */ 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    vyktest::TempDir dir;
    ASSERT_TRUE(autosaveformat(img, dir.file("w.bmp").c_str()));
    std::string expect = "BM";
    le32(expect, 54 + 24); // file size
    le32(expect, 0);       // reserved
    le32(expect, 54);      // pixel data offset
    le32(expect, 40);      // info header size
    le32(expect, 3);
    le32(expect, 2); // width, height
    le16(expect, 1);
    le16(expect, 24); // planes, bits
    le32(expect, 0);
    le32(expect, 24); // compression, image size
    le32(expect, 72);
    le32(expect, 72); // resolution
    le32(expect, 0);
    le32(expect, 0); // colours
    expect += bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0});
    expect += bytes({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0});
    EXPECT_EQ(vyktest::readFile(dir.file("w.bmp")), expect);

    grImage2D back;
    ASSERT_TRUE(autoloadformat(back, dir.file("w.bmp").c_str()));
    EXPECT_EQ(back.format.format, uint32_t(grFmtBGR));
    EXPECT_EQ(rowsOf(back), bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
}

TEST(Bmp, WriteRefusals)
{
    vyktest::TempDir dir;
    const std::string name = dir.file("r.bmp");
    grImage2D grey = makeImage({grFmtLuminance, grTypeUINT, grBits8}, 2, 1, bytes({1, 2}));
    // Luminance cannot be swapped, so autosaveformat refuses it silently...
    testing::internal::CaptureStderr();
    EXPECT_FALSE(autosaveformat(grey, name.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // ...while the codec itself writes it as 8 bits without a palette.
    ASSERT_TRUE(bmpSave(grey, name.c_str()));
    grImage2D back;
    ASSERT_TRUE(bmpLoad(back, name.c_str()));
    EXPECT_EQ(back.format.format, uint32_t(grFmtLuminance));
    EXPECT_EQ(rowsOf(back), bytes({1, 2}));

    grImage2D rgba = makeImage({grFmtRGBA, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3, 4}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(autosaveformat(rgba, name.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "convert(to bmp): not supported format.\n");

    // A full disk is a failure.
    grImage2D rgb = makeImage({grFmtRGB, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3}));
    ASSERT_EQ(symlink("/dev/full", dir.file("full.bmp").c_str()), 0);
    EXPECT_FALSE(autosaveformat(rgb, dir.file("full.bmp").c_str()));
    grImage2D bgr = makeImage({grFmtBGR, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3}));
    grBitmapFile file;
    ASSERT_TRUE(file.convert(bgr));
    EXPECT_FALSE(file.save("/dev/full"));
    EXPECT_FALSE(file.save(dir.path().c_str())); // a directory cannot be opened for writing
}

TEST(Bmp, HostileNames)
{
    vyktest::TempDir dir;
    dir.write("empty.bmp", "");
    grImage2D img;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bmpLoad(img, dir.file("empty.bmp").c_str()));
    EXPECT_FALSE(bmpLoad(img, dir.file("missing.bmp").c_str()));
    EXPECT_FALSE(bmpLoad(img, dir.path().c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              dir.file("missing.bmp") + ": file stat failed.\n" + dir.path() + ": file stat failed.\n");
}

TEST(Bmp, TruncationSweep)
{
    const std::string files[] = {
        bmpFile(BmpSpec{3, 2, 24, 0, 40, "", std::string(24, '\x7F')}),
        vyktest::readFile(dataFile("im_pal8.bmp")),
    };
    vyktest::TempDir dir;
    for (const std::string& whole : files) {
        for (size_t n = 0; n <= whole.size(); ++n) {
            const std::string name = dir.file("cut" + std::to_string(n) + ".bmp");
            vyktest::writeFile(name, whole.substr(0, n));
            grImage2D img;
            EXPECT_EQ(bmpLoad(img, name.c_str()), n == whole.size()) << n;
        }
    }
}
