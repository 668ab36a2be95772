#include "textures/tga.h"

#include <sys/stat.h>

#include <cstdio>

#include "textures/image_convert.h"

namespace libgr
{

namespace
{

constexpr uint64_t kHeaderSize = 18;

uint64_t packedRow(uint64_t width, uint32_t depth)
{
    return (width * depth + 7) / 8;
}
uint64_t paddedRow(uint64_t width, uint32_t depth)
{
    return (packedRow(width, depth) + 3) / 4 * 4;
}

uint16_t get16(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void put16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

struct FileCloser {
    FILE* f;
    ~FileCloser()
    {
        if (f)
            fclose(f);
    }
};

} // namespace

bool grTargaFile::load(const char* name)
{
    ident.clear();
    colormap.clear();
    pixels.release();
    // Only regular files: opening a FIFO would wait for a writer.
    struct stat st;
    if (!name || stat(name, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    FILE* f = fopen(name, "rb");
    if (!f)
        return false;
    FileCloser closer{f};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const uint64_t fileSize = uint64_t(st.st_size);

    unsigned char h[kHeaderSize];
    if (fread(h, 1, kHeaderSize, f) != kHeaderSize)
        return false;
    idlength = h[0];
    colormaptype = h[1];
    imagetype = h[2];
    cmapfirst = get16(h + 3);
    cmaplength = get16(h + 5);
    cmapentrysize = h[7];
    xorigin = get16(h + 8);
    yorigin = get16(h + 10);
    width = get16(h + 12);
    height = get16(h + 14);
    pixeldepth = h[16];
    descriptor = h[17];

    uint64_t pos = kHeaderSize;
    ident.resize(idlength);
    if (idlength && fread(ident.data(), 1, idlength, f) != idlength)
        return false;
    pos += idlength;
    if (colormaptype != 0) {
        // The map's size is bounded by the file before anything is reserved.
        const uint64_t mapBytes = uint64_t(cmaplength) * ((cmapentrysize + 7u) / 8u);
        if (mapBytes > fileSize - pos)
            return false;
        colormap.resize(size_t(mapBytes));
        if (mapBytes && fread(colormap.data(), 1, size_t(mapBytes), f) != mapBytes)
            return false;
        pos += mapBytes;
    }
    if (width == 0 || height == 0 || pixeldepth == 0 || pos > fileSize)
        return false;

    // Rows are packed in a TGA file. Earlier versions of this program wrote
    // them padded to 4 bytes: such a file is recognised when what follows
    // the header is exactly the padded size and not the packed one.
    const uint64_t remaining = fileSize - pos;
    const uint64_t packed = packedRow(width, pixeldepth);
    const uint64_t padded = paddedRow(width, pixeldepth);
    const bool paddedFile = remaining == padded * height && remaining != packed * height;
    const uint64_t fileRow = paddedFile ? padded : packed;
    if (remaining < fileRow * height)
        return false; // the header promises more pixels than the file holds

    if (!pixels.reallocate(padded * height, 0))
        return false;
    for (uint32_t y = 0; y < height; ++y)
        if (fread(pixels.data() + y * padded, 1, size_t(fileRow), f) != fileRow)
            return false;
    return true;
}

bool grTargaFile::toImage(grImage2D& image) const
{
    if (imagetype != 1 && imagetype != 2 && imagetype != 3)
        return false;
    if (descriptor & 32)
        return false; // top-left origin is not read
    if (pixels.empty())
        return false;
    grImage2D out;
    out.format.type = grTypeUINT;
    switch (pixeldepth) {
    case 8:
        out.format = {grFmtLuminance, grTypeUINT, grBits8};
        break;
    case 16:
        out.format = {grFmtBGRA, grTypeUINT, grBitsP1555};
        break;
    case 24:
        out.format = {grFmtBGR, grTypeUINT, grBits8};
        break;
    case 32:
        out.format = {grFmtBGRA, grTypeUINT, grBits8};
        break;
    default:
        return false;
    }
    if (imagetype == 3 && pixeldepth != 8)
        return false;
    out.width = width;
    out.height = height;
    out.retarget(pixels, pixels.offset(), paddedRow(width, pixeldepth) * height);
    if (!out.holdsPixels())
        return false;
    image = out;
    return true;
}

bool grTargaFile::convert(const grImage2D& image)
{
    if (image.compressed || image.format.type != grTypeUINT)
        return false;
    if (image.width == 0 || image.height == 0 || image.width > 0xFFFF || image.height > 0xFFFF)
        return false;
    const uint32_t fmt = image.format.format, bits = image.format.bits;
    grImage2D src = image;
    uint8_t depth = 0, type = 2;
    if (fmt == grFmtBGRA && bits == grBits8)
        depth = 32;
    else if (fmt == grFmtBGRA && bits == grBitsP1555)
        depth = 16;
    else if (fmt == grFmtBGR && bits == grBits8)
        depth = 24;
    else if (fmt == grFmtLuminance && bits == grBits8) {
        depth = 8;
        type = 3; // grey images are type 3; type 2 is colour only
    } else if ((fmt == grFmtRGBA || fmt == grFmtRGB) && bits == grBits8) {
        if (!rgb2bgr(src, image))
            return false;
        depth = fmt == grFmtRGBA ? 32 : 24;
    } else {
        // RGBA 1-5-5-5 among them: its channels cannot be swapped bytewise.
        return false;
    }
    if (!src.holdsPixels())
        return false;
    idlength = 0;
    colormaptype = 0;
    imagetype = type;
    cmapfirst = cmaplength = 0;
    cmapentrysize = 0;
    xorigin = yorigin = 0;
    width = uint16_t(image.width);
    height = uint16_t(image.height);
    pixeldepth = depth;
    descriptor = 0;
    ident.clear();
    colormap.clear();
    wimage = src;
    return true;
}

bool grTargaFile::save(const char* name) const
{
    if (wimage.empty())
        return false;
    FILE* f = fopen(name, "wb");
    if (!f)
        return false;
    unsigned char h[kHeaderSize];
    h[0] = uint8_t(ident.size());
    h[1] = colormaptype;
    h[2] = imagetype;
    put16(h + 3, cmapfirst);
    put16(h + 5, cmaplength);
    h[7] = cmapentrysize;
    put16(h + 8, xorigin);
    put16(h + 10, yorigin);
    put16(h + 12, width);
    put16(h + 14, height);
    h[16] = pixeldepth;
    h[17] = descriptor;
    bool ok = fwrite(h, 1, kHeaderSize, f) == kHeaderSize;
    if (ok && !ident.empty())
        ok = fwrite(ident.data(), 1, ident.size(), f) == ident.size();
    if (ok && !colormap.empty())
        ok = fwrite(colormap.data(), 1, colormap.size(), f) == colormap.size();
    const uint64_t packed = packedRow(width, pixeldepth);
    for (uint32_t y = 0; ok && y < height; ++y)
        ok = fwrite(wimage.row(y), 1, size_t(packed), f) == packed;
    ok = fflush(f) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    return ok;
}

bool tgaLoad(grImage2D& image, const char* name)
{
    grTargaFile file;
    return file.load(name) && file.toImage(image);
}

bool tgaSave(const grImage2D& image, const char* name)
{
    grTargaFile file;
    return file.convert(image) && file.save(name);
}

} // namespace libgr
