// BMP codec: reads uncompressed BMP files in place from one copy of the
// whole file in memory; writes 1-, 4-, 8-bit luminance and 24-bit BGR images.
#pragma once

#include <cstdint>

#include "textures/image.h"

namespace libgr
{

#pragma pack(push, 1)
struct tagBITMAPFILEHEADER {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};
struct tagBITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
struct tagRGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
#pragma pack(pop)
static_assert(sizeof(tagBITMAPFILEHEADER) == 14, "file header is 14 bytes");
static_assert(sizeof(tagBITMAPINFOHEADER) == 40, "info header is 40 bytes");

class grBitmapFile
{
  public:
    // Reading: typed views into the one copy of the file.
    libutils::ofsvector<tagBITMAPFILEHEADER, libutils::alloc_mmap> fileheader;
    libutils::ofsvector<tagBITMAPINFOHEADER, libutils::alloc_mmap> infoheader;
    libutils::ofsvector<tagRGBQUAD, libutils::alloc_mmap> palette;
    grByteVector pixels;
    uint64_t filesize = 0;
    uint64_t palettecount = 0;

    // Writing: header records and the image whose rows are written.
    tagBITMAPFILEHEADER wfile{};
    tagBITMAPINFOHEADER winfo{};
    grImage2D wimage;

    // Reads the file whole and lays the views over it. A missing or
    // unreadable file (or a directory) prints "<name>: file stat failed."
    // or "<name>: file load failed." and returns false. Safe on untrusted
    // files: every view is clamped to the file.
    bool load(const char* name);
    // The loaded file as an image (shares the copy; top-down files are
    // copied bottom row first). Fails silently for compression other than
    // 0, unsupported depths, a width or height of 0 or out of range, an
    // info header shorter than 40 bytes, or pixel data shorter than the
    // header promises.
    bool toImage(grImage2D& image) const;

    // Image to BMP records: luminance 1/4/8-bit or BGR 8-bit; anything else
    // prints "convert(to bmp): not supported format." and fails; a
    // compressed image or one that does not hold its pixels fails silently.
    bool convert(const grImage2D& image);
    // Writes the converted records and padded rows; false (silent) when the
    // file cannot be opened, written or closed.
    bool save(const char* name) const;
};

// load + toImage.
bool bmpLoad(grImage2D& image, const char* name);
// convert + save (no channel swap: the caller supplies BGR or luminance).
bool bmpSave(const grImage2D& image, const char* name);

} // namespace libgr
