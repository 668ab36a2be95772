#include "textures/png.h"

#include "foundation/diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace libgr
{

namespace
{

// Each dimension alone; the pixel count is checked after the header.
constexpr png_uint_32 kMaxDimension = 0x10000;

uint32_t depthCode(int depth)
{
    switch (depth) {
    case 1:
        return grBits1;
    case 2:
        return grBits2;
    case 4:
        return grBits4;
    case 8:
        return grBits8;
    case 16:
        return grBits16;
    default:
        return grBitsNone;
    }
}

// libpng's own lines, worded as its default handlers word them, go to the
// diagnostics sink; an error then jumps back to the caller's setjmp.
void pngError(png_structp png, png_const_charp text)
{
    libutils::reportf("libpng error: %s\n", text);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp text)
{
    libutils::reportf("libpng warning: %s\n", text);
}

uint64_t powerOfTwoAtLeast(uint64_t n)
{
    uint64_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

namespace
{

// Decodes the PNG in `fp` (closed here either way).
int pngReadStream(FILE* fp, grImage2D& image)
{
    png_byte sig[4];
    if (fread(sig, 1, 4, fp) != 4 || png_sig_cmp(sig, 0, 4) != 0) {
        fclose(fp);
        return -1;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) {
        fclose(fp);
        return -2;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        fclose(fp);
        return -3;
    }
    // Objects with destructors are made before the trap: a jump back to
    // setjmp must not skip one.
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        fclose(fp);
        libutils::reportf("FAIL\n");
        png_destroy_read_struct(&png, &info, nullptr);
        return -4;
    }
    png_init_io(png, fp);
    png_set_sig_bytes(png, 4);
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    // Only the header, the palette and the pixels are used: every other
    // chunk is skipped unread, whatever length it claims.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (uint64_t(width) * height > grMaxDecodedPixels)
        png_error(png, "image too large");
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image.release();
    image.pixelmap.reset();
    image.compressed = 0;
    image.rowlength = image.skippixels = image.skiprows = 0;
    image.store = nullptr;
    image.width = width;
    image.height = height;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        image.format.format = grFmtLuminance;
        break;
    case PNG_COLOR_TYPE_RGB:
        image.format.format = grFmtRGB;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        image.format.format = grFmtLuminanceAlpha;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        image.format.format = grFmtRGBA;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        image.format.format = grFmtColorIndex;
        break;
    default:
        png_error(png, "unknown colour type");
    }
    image.format.type = grTypeUINT;
    image.format.bits = depthCode(depth);
    if (image.format.bits == grBitsNone)
        png_error(png, "unknown bit depth");
    // 16-bit samples stay most significant byte first, as in the file; the
    // store tells the upload to swap them on this little-endian host.
    if (depth == 16)
        image.store = &grSwapBytesPixelStore;

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) == 0)
            count = 0;
        if (count > 0) {
            uint64_t size = powerOfTwoAtLeast(uint64_t(count));
            if (!image.pixelmap.resize(size))
                png_error(png, "out of memory");
            for (uint64_t i = 0; i < size; ++i) {
                bool set = i < uint64_t(count);
                image.pixelmap.red[i] = set ? uint16_t(palette[i].red * 257) : 0;
                image.pixelmap.green[i] = set ? uint16_t(palette[i].green * 257) : 0;
                image.pixelmap.blue[i] = set ? uint16_t(palette[i].blue * 257) : 0;
            }
        }
    }
    if (png_get_rowbytes(png, info) > image.rowSize())
        png_error(png, "row size mismatch");
    if (!image.allocate())
        png_error(png, "allocate failed");
    rows.resize(height);
    for (png_uint_32 r = 0; r < height; ++r)
        rows[r] = image.row(height - 1 - r);
    png_read_image(png, rows.data());
    fclose(fp);
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
}

} // namespace

int pngRead(const char* fname, grImage2D& image)
{
    // Only regular files: opening a FIFO would wait for a writer.
    struct stat st;
    if (stat(fname, &st) == 0 && !S_ISREG(st.st_mode))
        return -1;
    FILE* fp = fopen(fname, "rb");
    if (!fp) {
        libutils::reportf("%s: file open error, %s\n", fname, strerror(errno));
        return -1;
    }
    return pngReadStream(fp, image);
}

int pngReadMemory(const void* data, size_t size, grImage2D& image)
{
    if (size == 0)
        return -1;
    FILE* fp = fmemopen(const_cast<void*>(data), size, "rb");
    return fp ? pngReadStream(fp, image) : -1;
}

int pngWrite(const char* fname, const grImage2D& image, const char* title, int level, bool newFile)
{
    // Both are read after setjmp: volatile, so a jump back cannot clobber them.
    volatile int colorType;
    switch (image.format.format) {
    case grFmtLuminance:
        colorType = PNG_COLOR_TYPE_GRAY;
        break;
    case grFmtLuminanceAlpha:
        colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
        break;
    case grFmtRGB:
        colorType = PNG_COLOR_TYPE_RGB;
        break;
    case grFmtRGBA:
        colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        break;
    case grFmtColorIndex:
        colorType = PNG_COLOR_TYPE_PALETTE;
        break;
    default:
        return -1;
    }
    volatile int depth;
    switch (image.format.bits) {
    case grBits1:
        depth = 1;
        break;
    case grBits2:
        depth = 2;
        break;
    case grBits4:
        depth = 4;
        break;
    case grBits8:
        depth = 8;
        break;
    case grBits16:
        depth = 16;
        break;
    default:
        return -1;
    }
    if (!image.holdsPixels())
        return -1;
    // A colour-index image is written with its pixel map as the palette
    // (high bytes of the 16-bit entries); without entries there is none.
    const uint64_t paletteMax = uint64_t(1) << (depth < 8 ? depth : 8);
    if (colorType == PNG_COLOR_TYPE_PALETTE && (depth == 16 || image.pixelmap.count == 0))
        return -1;

    FILE* fp = nullptr;
    if (newFile) {
        // Made here or not at all: a file of that name, even one made a
        // moment ago, is never written over.
        const int fd = open(fname, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return errno == EEXIST ? -6 : -1;
        fp = fdopen(fd, "wb");
        if (!fp)
            close(fd);
    } else {
        fp = fopen(fname, "wb");
    }
    if (!fp)
        return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) {
        fclose(fp);
        return -2;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        fclose(fp);
        return -3;
    }
    std::vector<png_bytep> rows;
    std::vector<png_color> palette;
    if (setjmp(png_jmpbuf(png))) {
        libutils::reportf("FAIL\n");
        png_destroy_write_struct(&png, &info);
        fclose(fp);
        return -4;
    }
    png_init_io(png, fp);
    if (level >= 0 && level <= 9)
        png_set_compression_level(png, level);
    png_set_IHDR(png, info, image.width, image.height, depth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_8 sigBit;
    memset(&sigBit, 0, sizeof sigBit);
    const png_byte d = png_byte(depth);
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        sigBit.gray = d;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        sigBit.gray = sigBit.alpha = d;
        break;
    case PNG_COLOR_TYPE_RGB:
        sigBit.red = sigBit.green = sigBit.blue = d;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        sigBit.red = sigBit.green = sigBit.blue = sigBit.alpha = d;
        break;
    default:
        break;
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        uint64_t count = image.pixelmap.count < paletteMax ? image.pixelmap.count : paletteMax;
        palette.resize(size_t(count));
        for (uint64_t i = 0; i < count; ++i)
            palette[i] = png_color{png_byte(image.pixelmap.red[i] >> 8), png_byte(image.pixelmap.green[i] >> 8),
                                   png_byte(image.pixelmap.blue[i] >> 8)};
        png_set_PLTE(png, info, palette.data(), int(count));
    } else {
        png_set_sBIT(png, info, &sigBit);
        // The fastest level filters each row by the one above alone: half
        // the time of trying every filter on a rendered frame, at much the
        // same size.
        if (level == 1)
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    }
    png_text text;
    if (title) {
        memset(&text, 0, sizeof text);
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>("Title");
        text.text = const_cast<png_charp>(title);
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    // Rows are already packed (sub-byte samples several to a byte) and
    // 16-bit samples most significant byte first, as PNG stores them: no
    // packing or swapping transform is asked for.
    rows.resize(image.height);
    for (uint32_t r = 0; r < image.height; ++r)
        rows[r] = const_cast<png_bytep>(image.row(image.height - 1 - r));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    bool ok = fflush(fp) == 0 && !ferror(fp);
    ok = fclose(fp) == 0 && ok;
    return ok ? 0 : -5;
}

bool pngVersionCheck()
{
    const char* running = png_get_libpng_ver(nullptr);
    if (running && strcmp(running, PNG_LIBPNG_VER_STRING) == 0)
        return true;
    libutils::reportf("libpng version different.\n  header: %s\n  source: %s\n", PNG_LIBPNG_VER_STRING,
                      running ? running : "");
    return false;
}

bool pngLoad(grImage2D& image, const char* name)
{
    return pngVersionCheck() && pngRead(name, image) == 0;
}

bool pngSave(const grImage2D& image, const char* name)
{
    return pngVersionCheck() && pngWrite(name, image, nullptr) == 0;
}

} // namespace libgr
