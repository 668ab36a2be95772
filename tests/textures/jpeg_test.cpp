#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "image_fixtures.h"
#include "support/capture.h"
#include "support/temp_dir.h"
#include "textures/file_buffer.h"
#include "textures/image_format.h"
#include "textures/jpeg.h"

using namespace libgr;
using namespace imgtest;

namespace
{

// A smooth picture: JPEG keeps it close, so rows can be compared.
grImage2D gradient(uint32_t w, uint32_t h)
{
    std::string px;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            px += bytes({int(x * 255 / w), int(y * 255 / h), 128});
    return makeImage({grFmtRGB, grTypeUINT, grBits8}, w, h, px);
}

} // namespace

// Grey from another program: white on the file's first scanline, black on
// its last, so rows are flipped; CMYK is refused without a word.
TEST(Jpeg, FilesOfAnotherProgram)
{
    grImage2D img;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(autoloadformat(img, dataFile("im_cmyk.jpg").c_str())); }), "");
    ASSERT_TRUE(autoloadformat(img, dataFile("im_gray.jpg").c_str()));
    EXPECT_EQ(img.format, (grPixelFormat{grFmtLuminance, grTypeUINT, grBits8}));
    EXPECT_EQ(img.store, &grDefaultPixelStore);
    ASSERT_EQ(img.height, 16u);
    for (uint32_t x = 0; x < 16; ++x)
        EXPECT_TRUE(img.row(0)[x] <= 4 && img.row(15)[x] >= 251) << x;
}

// A cut inside the scan loads with the top rows, which come first, whole and
// the bottom ones cleared; every shorter prefix fails or keeps the size.
TEST(Jpeg, CutInsideTheScanKeepsTheRowsDecoded)
{
    vyktest::TempDir dir;
    const std::string whole = dir.file("whole.jpg"), cut = dir.file("cut.jpg");
    grImage2D full, img;
    ASSERT_TRUE(autosaveformat(gradient(64, 64), whole.c_str()) && autoloadformat(full, whole.c_str()));
    const std::string bytesOfFile = vyktest::readFile(whole);
    vyktest::writeFile(cut, bytesOfFile.substr(0, bytesOfFile.size() * 2 / 3));
    const std::string err = vyktest::stderrOf([&] { ASSERT_TRUE(autoloadformat(img, cut.c_str())); });
    EXPECT_EQ(err.substr(0, cut.size() + 18), cut + ": error detected.\n");
    const std::string tail = cut + ": jpeg decompress fail, but continue.\n";
    EXPECT_EQ(err.substr(std::max(err.size(), tail.size()) - tail.size()), tail);
    EXPECT_EQ(rowsOf(img).substr(63 * 192), rowsOf(full).substr(63 * 192));
    EXPECT_EQ(rowsOf(img).substr(0, 192), std::string(192, '\0'));

    for (const char* name : {"im_gray.jpg", "im_rgb.jpg"})
        sweepPrefixes(vyktest::readFile(dataFile(name)), ".jpg", Prefix::SameSize,
                      [](grImage2D& img, const char* path) { return autoloadformat(img, path); });
}

TEST(Jpeg, BrokenHeadersStop)
{
    vyktest::TempDir dir;
    const std::string gray = vyktest::readFile(dataFile("im_gray.jpg"));
    // The frame header claims 60000 x 60000 pixels.
    std::string huge = gray;
    const size_t sof = huge.find(bytes({0xFF, 0xC0}));
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, bytes({0xEA, 0x60, 0xEA, 0x60}));
    const std::string stop = ": error detected.\n<>: jpeg decompress fail, stop.\n";
    struct Case {
        std::string name, file;
        std::string message; // <> stands for the path
    } cases[] = {
        {"empty.jpg", "", stop},
        {"header-cut.jpg", gray.substr(0, 30), stop},
        // An unknown marker whose length asks for far more than the file
        // holds: the skip stops at the end of the data.
        {"skip.jpg", bytes({0xFF, 0xD8, 0xFF, 0xF0, 0xFF, 0xFF, 1, 2, 3}), stop},
        {"not-a-jpeg.jpg", "GIF89a", stop},
        {"huge.jpg", huge, ": image too large.\n"},
        {"missing.jpg", "", ": file stat failed.\n"},
        {"", "", ": file stat failed.\n"}, // the directory itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.name == "missing.jpg" ? dir.file(c.name)
                                 : c.name.empty()        ? dir.path()
                                                         : dir.write(c.name, c.file);
        std::string message = path + c.message;
        for (size_t at; (at = message.find("<>")) != std::string::npos;)
            message.replace(at, 2, path);
        grImage2D img;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      EXPECT_FALSE(c.name.empty() ? jpegLoad(img, path.c_str()) : autoloadformat(img, path.c_str()));
                  }),
                  message);
        EXPECT_TRUE(img.empty());
    }
}

// Baseline, with the library's own JFIF header as the only marker; saved
// markers are written back.
TEST(Jpeg, SavesBaselineAndItsMarkers)
{
    vyktest::TempDir dir;
    const std::string path = dir.file("s.jpg");
    ASSERT_TRUE(autosaveformat(gradient(300, 200), path.c_str()));
    EXPECT_NE(vyktest::readFile(path).find(bytes({0xFF, 0xC0})), std::string::npos);
    grFileBuffer file;
    ASSERT_TRUE(file.load(path.c_str()));
    grImage2D img;
    grJpegInfo info;
    ASSERT_TRUE(jpegDecompress(info, img, file));
    EXPECT_TRUE(info.width == 300u && info.height == 200u) << info.width << "x" << info.height;
    ASSERT_EQ(info.markers.size(), 1u);
    EXPECT_TRUE(info.find(0) == &info.markers[0] && info.find(16) == nullptr);
    const grImage2D again = gradient(300, 200);
    for (uint32_t y : {0u, 100u, 199u})
        for (uint32_t i = 0; i < 300 * 3; i += 37)
            EXPECT_NEAR(int(img.row(y)[i]), int(again.row(y)[i]), 6);

    info.markers[0].code = 0xFE;
    ASSERT_TRUE(info.markers[0].data.reallocate(5, 0));
    memcpy(info.markers[0].data.data(), "hello", 5);
    grFileBuffer out;
    ASSERT_TRUE(jpegCompress(info, out.bytes, gradient(8, 8), 90, true));
    grJpegInfo back;
    ASSERT_TRUE(jpegDecompress(back, img, out));
    ASSERT_NE(back.find(16), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.find(16)->data.data()), 5), "hello");
}

// Past the output's first 8 MB the whole stream, ending in EOI, is kept.
TEST(Jpeg, OutputGrowsPastEightMegabytes)
{
    std::string px(2600 * 2600 * 3, '\0');
    srand(7);
    for (char& c : px)
        c = char(rand() & 0xFF);
    grJpegInfo info, back;
    grFileBuffer out;
    ASSERT_TRUE(jpegCompress(info, out.bytes, makeImage({grFmtRGB, grTypeUINT, grBits8}, 2600, 2600, px), 100, true));
    EXPECT_GT(out.bytes.size(), 0x800000u);
    grImage2D img;
    EXPECT_EQ(vyktest::stderrOf([&] { ASSERT_TRUE(jpegDecompress(back, img, out)); }), "");
    EXPECT_EQ(img.width, 2600u);
}

// Padded into a cleared square, or framed by a one-pixel border; an image
// without pixels is refused.
TEST(Jpeg, AlignmentAndBorder)
{
    grImage2D empty;
    empty.format = {grFmtRGB, grTypeUINT, grBits8};
    grFileBuffer file;
    grJpegInfo info;
    EXPECT_FALSE(jpegCompress(info, file.bytes, empty, 95, true));
    ASSERT_TRUE(jpegCompress(info, file.bytes, gradient(10, 6), 95, true));
    grImage2D square, framed;
    ASSERT_TRUE(jpegDecompress(info, square, file, 8));
    EXPECT_TRUE(square.width == 16u && square.height == 16u);
    EXPECT_TRUE(square.row(6)[0] == 0 && square.row(0)[10 * 3] == 0); // cleared above and right of the picture
    ASSERT_TRUE(jpegDecompress(info, framed, file, 0, true));
    EXPECT_EQ((std::vector<uint32_t>{framed.width, framed.rowlength, framed.skiprows, framed.skippixels}),
              (std::vector<uint32_t>{10, 12, 1, 1}));
    EXPECT_TRUE(framed.holdsPixels());
    EXPECT_EQ(framed.data()[0], 0); // the frame stays clear
    EXPECT_EQ(framed.row(5)[1], square.row(5)[1]);
}
