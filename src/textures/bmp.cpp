#include "textures/bmp.h"

#include <cstdio>
#include <cstring>

#include "foundation/byteorder.h"
#include "foundation/diagnostics.h"
#include "textures/file_buffer.h"

namespace libgr
{

namespace
{

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint64_t kInfoHeaderSize = 40;

uint64_t paddedRow(uint64_t width, uint32_t bitsPerPixel)
{
    return ((width * bitsPerPixel + 7) / 8 + 3) / 4 * 4;
}

void put16(unsigned char*& p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p += 2;
}

void put32(unsigned char*& p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
    p += 4;
}

} // namespace

bool grBitmapFile::load(const char* name)
{
    grByteVector file; // read whole: the views below outlive any change to the file on disk
    fileheader.release();
    infoheader.release();
    palette.release();
    pixels.release();
    palettecount = 0;
    if (!loadWholeFile(file, name, filesize))
        return false;
    auto clamp = [&](uint64_t offset) { return offset < filesize ? offset : filesize; };

    // Views over the one copy; each is clamped to the file, so a short
    // file gives empty views rather than views past its end.
    fileheader.retarget(file, 0, 1);
    infoheader.retarget(file, clamp(kFileHeaderSize), 1);
    if (fileheader.empty() || infoheader.empty())
        return true; // toImage refuses it

    using libutils::little16;
    using libutils::little32;
    const uint64_t pixelOffset = little32(fileheader[0].bfOffBits);
    const uint16_t bitCount = little16(infoheader[0].biBitCount);
    // The palette follows the info header, whatever its size (40, 108, 124
    // bytes); it ends where the pixels begin and holds at most 2^bits entries.
    const uint64_t paletteStart = kFileHeaderSize + uint64_t(little32(infoheader[0].biSize));
    if (pixelOffset > paletteStart) {
        palettecount = (pixelOffset - paletteStart) / sizeof(tagRGBQUAD);
        if (bitCount <= 8) {
            uint64_t most = uint64_t(1) << bitCount;
            if (palettecount > most)
                palettecount = most;
        }
    }
    palette.retarget(file, clamp(paletteStart), palettecount);
    palettecount = palette.size(); // a palette cut by the end of the file
    pixels.retarget(file, clamp(pixelOffset));
    return true;
}

bool grBitmapFile::toImage(grImage2D& image) const
{
    if (fileheader.empty() || infoheader.empty())
        return false;
    using libutils::little16;
    using libutils::little32;
    const tagBITMAPINFOHEADER& ih = infoheader[0];
    const int32_t biWidth = int32_t(little32(uint32_t(ih.biWidth)));
    const int32_t biHeight = int32_t(little32(uint32_t(ih.biHeight)));
    const uint16_t bitCount = little16(ih.biBitCount);
    if (little32(ih.biSize) < kInfoHeaderSize || little32(ih.biCompression) != 0)
        return false;
    if (biWidth <= 0 || biHeight == 0 || biHeight == INT32_MIN)
        return false;
    const uint32_t width = uint32_t(biWidth);
    const bool topDown = biHeight < 0;
    const uint32_t height = uint32_t(topDown ? -biHeight : biHeight);

    grPixelFormat pf{grFmtLuminance, grTypeUINT, grBits8};
    const bool paletted = palettecount > 0;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        pf.format = paletted ? grFmtColorIndex : grFmtLuminance;
        pf.bits = grBitsCodeOf(bitCount);
        break;
    case 24:
        pf.format = grFmtBGR;
        break;
    case 32:
        if (paletted)
            return false;
        pf.format = grFmtBGRA;
        break;
    default:
        return false;
    }

    // The pixel rows must all be in the file: the header's size is data.
    const uint64_t rowBytes = paddedRow(width, bitCount);
    const uint64_t need = rowBytes * height;
    if (pixels.size() < need)
        return false;

    grImage2D out;
    out.format = pf;
    out.width = width;
    out.height = height;
    if (pf.format == grFmtColorIndex) {
        if (!out.pixelmap.resize(palettecount))
            return false;
        for (uint64_t i = 0; i < palettecount; ++i) {
            out.pixelmap.red[i] = uint16_t(palette[i].rgbRed * 257);
            out.pixelmap.green[i] = uint16_t(palette[i].rgbGreen * 257);
            out.pixelmap.blue[i] = uint16_t(palette[i].rgbBlue * 257);
        }
    }
    if (!topDown) {
        out.retarget(pixels, pixels.offset(), need); // no copy: the file's own rows
    } else {
        // Top-down rows: copied so that the bottom row comes first.
        if (!out.allocate())
            return false;
        for (uint32_t y = 0; y < height; ++y)
            memcpy(out.row(height - 1 - y), pixels.data() + y * rowBytes, size_t(rowBytes));
    }
    image = out;
    return true;
}

bool grBitmapFile::convert(const grImage2D& image)
{
    if (image.compressed)
        return false;
    const grPixelFormat& pf = image.format;
    const bool typeOk = pf.type == grTypeUINT || pf.type == grTypeSINT;
    uint16_t bitCount = 0;
    if (typeOk && pf.format == grFmtLuminance && (pf.bits == grBits1 || pf.bits == grBits4 || pf.bits == grBits8))
        bitCount = uint16_t(grBitsPerComponent(pf.bits));
    else if (typeOk && pf.format == grFmtBGR && pf.bits == grBits8)
        bitCount = 24;
    else {
        libutils::reportf("convert(to bmp): not supported format.\n");
        return false;
    }
    if (!image.holdsPixels() || image.width > uint32_t(INT32_MAX) || image.height > uint32_t(INT32_MAX))
        return false;
    const uint64_t bytes = paddedRow(image.width, bitCount) * image.height;
    if (bytes + 54 > UINT32_MAX)
        return false;
    wfile = tagBITMAPFILEHEADER{0x4D42, uint32_t(bytes + 54), 0, 0, 54};
    winfo = tagBITMAPINFOHEADER{
        40, int32_t(image.width), int32_t(image.height), 1, bitCount, 0, uint32_t(bytes), 72, 72, 0, 0};
    wimage = image;
    return true;
}

bool grBitmapFile::save(const char* name) const
{
    if (wimage.empty())
        return false;
    FILE* f = fopen(name, "wb");
    if (!f)
        return false;
    unsigned char header[54];
    unsigned char* p = header;
    put16(p, wfile.bfType);
    put32(p, wfile.bfSize);
    put16(p, wfile.bfReserved1);
    put16(p, wfile.bfReserved2);
    put32(p, wfile.bfOffBits);
    put32(p, winfo.biSize);
    put32(p, uint32_t(winfo.biWidth));
    put32(p, uint32_t(winfo.biHeight));
    put16(p, winfo.biPlanes);
    put16(p, winfo.biBitCount);
    put32(p, winfo.biCompression);
    put32(p, winfo.biSizeImage);
    put32(p, uint32_t(winfo.biXPelsPerMeter));
    put32(p, uint32_t(winfo.biYPelsPerMeter));
    put32(p, winfo.biClrUsed);
    put32(p, winfo.biClrImportant);
    bool ok = fwrite(header, 1, sizeof header, f) == sizeof header;

    // Rows from the image's own layout, each padded to 4 bytes.
    const uint64_t used = (uint64_t(wimage.width) * winfo.biBitCount + 7) / 8;
    const uint64_t padded = paddedRow(wimage.width, winfo.biBitCount);
    static const unsigned char zeros[4] = {0, 0, 0, 0};
    for (uint32_t y = 0; ok && y < wimage.height; ++y) {
        ok = fwrite(wimage.row(y), 1, size_t(used), f) == used;
        if (ok && padded > used)
            ok = fwrite(zeros, 1, size_t(padded - used), f) == padded - used;
    }
    ok = fflush(f) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    return ok;
}

bool bmpLoad(grImage2D& image, const char* name)
{
    grBitmapFile file;
    return file.load(name) && file.toImage(image);
}

bool bmpSave(const grImage2D& image, const char* name)
{
    grBitmapFile file;
    return file.convert(image) && file.save(name);
}

} // namespace libgr
