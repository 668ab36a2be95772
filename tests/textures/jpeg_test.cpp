#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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

// Every byte of row y within `tolerance` of the repeated pixel `px`.
void expectRowNear(const grImage2D& img, uint32_t y, const std::string& px, int tolerance = 8)
{
    const unsigned char* r = img.row(y);
    for (uint32_t i = 0; i < img.width * px.size(); ++i)
        ASSERT_NEAR(int(r[i]), int(uint8_t(px[i % px.size()])), tolerance) << "row " << y << " byte " << i;
}

grImage2D noise(uint32_t w, uint32_t h, unsigned seed)
{
    std::string px(size_t(w) * h * 3, '\0');
    srand(seed);
    for (char& c : px)
        c = char(rand() & 0xFF);
    return makeImage({grFmtRGB, grTypeUINT, grBits8}, w, h, px);
}

// A smooth picture: JPEG keeps it close, so rows can be compared.
grImage2D gradient(uint32_t w, uint32_t h)
{
    std::string px;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            px += bytes({int(x * 255 / w), int(y * 255 / h), 128});
    return makeImage({grFmtRGB, grTypeUINT, grBits8}, w, h, px);
}

bool decode(const std::string& path, grImage2D& img, grJpegInfo& info)
{
    grFileBuffer file;
    if (!file.load(path.c_str()))
        return false;
    return jpegDecompress(info, img, file);
}

} // namespace

TEST(Jpeg, FilesOfAnotherProgramRowsFlipped)
{
    // Red on the file's first scanline, blue on its last; CMYK is refused
    // without a word.
    const struct {
        const char* name;
        bool ok;
        grPixelFormat format;
        std::string bottom, top;
        int tolerance;
    } cases[] = {
        {"im_rgb.jpg", true, {grFmtRGB, grTypeUINT, grBits8}, bytes({0, 0, 255}), bytes({255, 0, 0}), 8},
        {"im_gray.jpg", true, {grFmtLuminance, grTypeUINT, grBits8}, bytes({0}), bytes({255}), 4},
        {"im_cmyk.jpg", false, {}, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grImage2D img;
        EXPECT_EQ(vyktest::stderrOf([&] { ASSERT_EQ(autoloadformat(img, dataFile(c.name).c_str()), c.ok); }), "");
        if (!c.ok)
            continue;
        EXPECT_EQ(img.format, c.format);
        EXPECT_EQ(img.store, &grDefaultPixelStore);
        ASSERT_EQ(img.width, 16u);
        ASSERT_EQ(img.height, 16u);
        expectRowNear(img, 0, c.bottom, c.tolerance);
        expectRowNear(img, 15, c.top, c.tolerance);
    }
}

TEST(Jpeg, CutInsideTheScanKeepsTheRowsDecoded)
{
    vyktest::TempDir dir;
    const std::string whole = dir.file("whole.jpg");
    ASSERT_TRUE(autosaveformat(gradient(64, 64), whole.c_str()));
    grImage2D full;
    grJpegInfo info;
    ASSERT_TRUE(decode(whole, full, info));

    const std::string bytesOfFile = vyktest::readFile(whole);
    const std::string cut = dir.file("cut.jpg");
    vyktest::writeFile(cut, bytesOfFile.substr(0, bytesOfFile.size() * 2 / 3));
    grImage2D img;
    const std::string err = vyktest::stderrOf([&] { ASSERT_TRUE(autoloadformat(img, cut.c_str())); });
    EXPECT_NE(err.find(cut + ": error detected.\n"), std::string::npos) << err;
    const std::string tail = cut + ": jpeg decompress fail, but continue.\n";
    ASSERT_GE(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
    // The top rows came first and are whole; the bottom row was never reached.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.row(63)), 64 * 3),
              std::string(reinterpret_cast<const char*>(full.row(63)), 64 * 3));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.row(0)), 64 * 3), std::string(64 * 3, '\0'));
}

TEST(Jpeg, BrokenHeadersStop)
{
    vyktest::TempDir dir;
    const std::string gray = vyktest::readFile(dataFile("im_gray.jpg"));
    // An unknown marker whose length asks for far more than the file holds:
    // the skip stops at the end of the data.
    const std::string skip = bytes({0xFF, 0xD8, 0xFF, 0xF0, 0xFF, 0xFF, 1, 2, 3});
    // The frame header claims 60000 x 60000 pixels.
    std::string huge = gray;
    size_t sof = huge.find(bytes({0xFF, 0xC0}));
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, bytes({0xEA, 0x60, 0xEA, 0x60}));
    const std::string stop = ": error detected.\n<>: jpeg decompress fail, stop.\n";
    struct Case {
        std::string name;
        std::string file;
        std::string message; // <> stands for the path
    } cases[] = {
        {"empty.jpg", "", stop},
        {"header-cut.jpg", gray.substr(0, 30), stop},
        {"skip.jpg", skip, stop},
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

TEST(Jpeg, TruncationSweep)
{
    // A cut inside the scan loads with what was decoded ("but continue.").
    for (const char* name : {"im_gray.jpg", "im_rgb.jpg"})
        sweepPrefixes(vyktest::readFile(dataFile(name)), ".jpg", Prefix::SameSize,
                      [](grImage2D& img, const char* path) { return autoloadformat(img, path); });
}

TEST(Jpeg, SavesBaselineWithoutExtraMarkers)
{
    vyktest::TempDir dir;
    const std::string path = dir.file("s.jpg");
    ASSERT_TRUE(autosaveformat(gradient(300, 200), path.c_str()));
    const std::string file = vyktest::readFile(path);
    EXPECT_NE(file.find(bytes({0xFF, 0xC0})), std::string::npos); // baseline frame
    grImage2D img;
    grJpegInfo info;
    ASSERT_TRUE(decode(path, img, info));
    EXPECT_EQ(info.width, 300u);
    EXPECT_EQ(info.height, 200u);
    ASSERT_EQ(info.markers.size(), 1u); // the library's own JFIF header
    EXPECT_EQ(info.markers[0].code, 0xE0);
    EXPECT_EQ(info.find(0), &info.markers[0]);
    EXPECT_EQ(info.find(16), nullptr);
    grImage2D again = gradient(300, 200);
    for (uint32_t y : {0u, 100u, 199u})
        for (uint32_t i = 0; i < 300 * 3; i += 37)
            EXPECT_NEAR(int(img.row(y)[i]), int(again.row(y)[i]), 6);

    // Saved markers are written back.
    grJpegMarker comment;
    comment.code = 0xFE;
    ASSERT_TRUE(comment.data.reallocate(5, 0));
    memcpy(comment.data.data(), "hello", 5);
    info.markers.assign(1, comment);
    grFileBuffer out;
    ASSERT_TRUE(jpegCompress(info, out.bytes, gradient(8, 8), 90, true));
    grJpegInfo back;
    ASSERT_TRUE(jpegDecompress(back, img, out));
    const grJpegMarker* m = back.find(16);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m->data.data()), size_t(m->data.size())), "hello");
}

TEST(Jpeg, OutputGrowsPastEightMegabytes)
{
    grJpegInfo info;
    grFileBuffer out;
    ASSERT_TRUE(jpegCompress(info, out.bytes, noise(2600, 2600, 7), 100, true));
    EXPECT_GT(out.bytes.size(), 0x800000u);
    grImage2D img;
    grJpegInfo back;
    // The whole stream, ending in EOI.
    EXPECT_EQ(vyktest::stderrOf([&] { ASSERT_TRUE(jpegDecompress(back, img, out)); }), "");
    EXPECT_EQ(img.width, 2600u);
}

TEST(Jpeg, AlignmentAndBorder)
{
    grImage2D empty;
    empty.format = {grFmtRGB, grTypeUINT, grBits8};
    grByteVector none;
    grJpegInfo refused;
    EXPECT_FALSE(jpegCompress(refused, none, empty, 95, true)); // no pixels

    grFileBuffer file;
    grJpegInfo info;
    ASSERT_TRUE(jpegCompress(info, file.bytes, gradient(10, 6), 95, true));
    grImage2D square;
    ASSERT_TRUE(jpegDecompress(info, square, file, 8));
    EXPECT_EQ(square.width, 16u);
    EXPECT_EQ(square.height, 16u);
    EXPECT_EQ(square.row(6)[0], 0);      // cleared above the picture
    EXPECT_EQ(square.row(0)[10 * 3], 0); // and right of it
    grImage2D framed;
    ASSERT_TRUE(jpegDecompress(info, framed, file, 0, true));
    EXPECT_EQ(framed.width, 10u);
    EXPECT_EQ(framed.rowlength, 12u);
    EXPECT_EQ(framed.skiprows, 1u);
    EXPECT_EQ(framed.skippixels, 1u);
    EXPECT_TRUE(framed.holdsPixels());
    EXPECT_EQ(framed.data()[0], 0); // the frame stays clear
    EXPECT_NEAR(int(framed.row(5)[1]), int(square.row(5)[1]), 0);
}
