#include "textures/texture_upload.h"

#include "foundation/diagnostics.h"

#include <algorithm>

namespace libgr
{

namespace
{

enum : uint32_t { S = grTypeSINT, U = grTypeUINT, F = grTypeFLOAT };

struct Row {
    uint32_t format;
    uint32_t type;
    uint32_t bits;
    GLint internalformat;
    GLenum gltype;
};

// The pixel-format translation table: (layout, type, bits code) to internal
// format and pixel type. Combinations that are not listed are refused.
// Signed 8- and 16-bit colour images (the derived normal maps among them)
// go to the signed normalised formats: an unsigned normalised format would
// clamp every negative normal component to 0.
const Row kRows[] = {
    // 0 luminance
    {0, S, grBits4, GL_LUMINANCE4, GL_BYTE},
    {0, S, grBits8, GL_LUMINANCE8, GL_BYTE},
    {0, S, grBits12, GL_LUMINANCE12, GL_SHORT},
    {0, S, grBits16, GL_LUMINANCE16, GL_SHORT},
    {0, S, grBits32, GL_LUMINANCE, GL_INT},
    {0, U, grBits1, GL_LUMINANCE, GL_BITMAP},
    {0, U, grBits4, GL_LUMINANCE4, GL_UNSIGNED_BYTE},
    {0, U, grBits8, GL_LUMINANCE8, GL_UNSIGNED_BYTE},
    {0, U, grBits16, GL_LUMINANCE16, GL_UNSIGNED_SHORT},
    {0, U, grBits32, GL_LUMINANCE, GL_UNSIGNED_INT},
    {0, F, grBits16, GL_LUMINANCE16F_ARB, GL_HALF_FLOAT},
    {0, F, grBits32, GL_LUMINANCE32F_ARB, GL_FLOAT},
    // 1 luminance-alpha
    {1, S, grBits4, GL_LUMINANCE4_ALPHA4, GL_BYTE},
    {1, S, grBitsP62, GL_LUMINANCE6_ALPHA2, GL_BYTE},
    {1, S, grBits8, GL_LUMINANCE8_ALPHA8, GL_BYTE},
    {1, S, grBitsP124, GL_LUMINANCE12_ALPHA4, GL_SHORT},
    {1, S, grBits16, GL_LUMINANCE16_ALPHA16, GL_SHORT},
    {1, S, grBits32, GL_LUMINANCE_ALPHA, GL_INT},
    {1, U, grBits1, GL_LUMINANCE_ALPHA, GL_BITMAP},
    {1, U, grBits4, GL_LUMINANCE4_ALPHA4, GL_UNSIGNED_BYTE},
    {1, U, grBitsP62, GL_LUMINANCE6_ALPHA2, GL_UNSIGNED_BYTE},
    {1, U, grBits8, GL_LUMINANCE8_ALPHA8, GL_UNSIGNED_BYTE},
    {1, U, grBitsP124, GL_LUMINANCE12_ALPHA4, GL_BITMAP},
    {1, U, grBits12, GL_LUMINANCE12_ALPHA12, GL_UNSIGNED_SHORT},
    {1, U, grBits16, GL_LUMINANCE16_ALPHA16, GL_UNSIGNED_SHORT},
    {1, U, grBits24, GL_LUMINANCE_ALPHA, GL_UNSIGNED_INT},
    {1, U, grBits32, GL_LUMINANCE_ALPHA, GL_UNSIGNED_INT},
    {1, F, grBits16, GL_LUMINANCE_ALPHA16F_ARB, GL_HALF_FLOAT},
    {1, F, grBits32, GL_LUMINANCE_ALPHA32F_ARB, GL_FLOAT},
    // 2 intensity
    {2, S, grBits4, GL_INTENSITY4, GL_BYTE},
    {2, S, grBits8, GL_INTENSITY8, GL_BYTE},
    {2, S, grBits16, GL_INTENSITY16, GL_SHORT},
    {2, S, grBits32, GL_INTENSITY, GL_INT},
    {2, U, grBits1, GL_INTENSITY, GL_BITMAP},
    {2, U, grBits4, GL_INTENSITY4, GL_UNSIGNED_BYTE},
    {2, U, grBits8, GL_INTENSITY8, GL_UNSIGNED_BYTE},
    {2, U, grBits12, GL_INTENSITY12, GL_UNSIGNED_SHORT},
    {2, U, grBits16, GL_INTENSITY16, GL_UNSIGNED_SHORT},
    {2, U, grBits32, GL_INTENSITY, GL_UNSIGNED_INT},
    {2, F, grBits16, GL_INTENSITY16F_ARB, GL_HALF_FLOAT},
    {2, F, grBits32, GL_INTENSITY32F_ARB, GL_FLOAT},
    // 3 red
    {3, S, grBits8, GL_R8I, GL_BYTE},
    {3, S, grBits16, GL_R16I, GL_SHORT},
    {3, S, grBits32, GL_R32I, GL_INT},
    {3, U, grBits1, GL_RED, GL_BITMAP},
    {3, U, grBits8, GL_R8UI, GL_UNSIGNED_BYTE},
    {3, U, grBits16, GL_R16UI, GL_UNSIGNED_SHORT},
    {3, U, grBits32, GL_R32UI, GL_UNSIGNED_INT},
    {3, F, grBits16, GL_R16F, GL_HALF_FLOAT},
    {3, F, grBits32, GL_R32F, GL_FLOAT},
    // 4 green
    {4, S, grBits8, GL_GREEN, GL_BYTE},
    {4, S, grBits16, GL_GREEN, GL_SHORT},
    {4, S, grBits32, GL_GREEN, GL_INT},
    {4, U, grBits1, GL_GREEN, GL_BITMAP},
    {4, U, grBits8, GL_GREEN, GL_UNSIGNED_BYTE},
    {4, U, grBits16, GL_GREEN, GL_UNSIGNED_SHORT},
    {4, U, grBits32, GL_GREEN, GL_UNSIGNED_INT},
    {4, F, grBits16, GL_GREEN, GL_HALF_FLOAT},
    {4, F, grBits32, GL_GREEN, GL_FLOAT},
    // 5 blue
    {5, S, grBits8, GL_BLUE, GL_BYTE},
    {5, S, grBits16, GL_BLUE, GL_SHORT},
    {5, S, grBits32, GL_BLUE, GL_INT},
    {5, U, grBits1, GL_BLUE, GL_BITMAP},
    {5, U, grBits8, GL_BLUE, GL_UNSIGNED_BYTE},
    {5, U, grBits16, GL_BLUE, GL_UNSIGNED_SHORT},
    {5, U, grBits32, GL_BLUE, GL_UNSIGNED_INT},
    {5, F, grBits16, GL_BLUE, GL_HALF_FLOAT},
    {5, F, grBits32, GL_BLUE, GL_FLOAT},
    // 6 alpha
    {6, S, grBits4, GL_ALPHA4, GL_BYTE},
    {6, S, grBits8, GL_ALPHA, GL_BYTE},
    {6, S, grBits12, GL_ALPHA12, GL_SHORT},
    {6, S, grBits16, GL_ALPHA16, GL_SHORT},
    {6, S, grBits32, GL_ALPHA, GL_INT},
    {6, U, grBits1, GL_ALPHA, GL_BITMAP},
    {6, U, grBits4, GL_ALPHA4, GL_UNSIGNED_BYTE},
    {6, U, grBits8, GL_ALPHA, GL_UNSIGNED_BYTE},
    {6, U, grBits12, GL_ALPHA12, GL_UNSIGNED_SHORT},
    {6, U, grBits16, GL_ALPHA16, GL_UNSIGNED_SHORT},
    {6, U, grBits32, GL_ALPHA, GL_UNSIGNED_INT},
    {6, F, grBits16, GL_ALPHA16F_ARB, GL_HALF_FLOAT},
    {6, F, grBits32, GL_ALPHA32F_ARB, GL_FLOAT},
    // 8 RGB
    {8, S, grBitsP233, GL_R3_G3_B2, GL_UNSIGNED_BYTE_2_3_3_REV},
    {8, S, grBits4, GL_RGB4, GL_BYTE},
    {8, S, grBitsP565, GL_RGB5, GL_UNSIGNED_SHORT_5_6_5_REV},
    {8, S, grBits8, GL_RGB8_SNORM, GL_BYTE},
    {8, S, grBits12, GL_RGB12, GL_SHORT},
    {8, S, grBits16, GL_RGB16_SNORM, GL_SHORT},
    {8, S, grBits32, GL_RGB, GL_INT},
    {8, U, grBits1, GL_RGB, GL_BITMAP},
    {8, U, grBitsP233, GL_R3_G3_B2, GL_UNSIGNED_BYTE_2_3_3_REV},
    {8, U, grBits4, GL_RGB4, GL_UNSIGNED_BYTE},
    {8, U, grBitsP565, GL_RGB5, GL_UNSIGNED_SHORT_5_6_5_REV},
    {8, U, grBits8, GL_RGB8, GL_UNSIGNED_BYTE},
    {8, U, grBits12, GL_RGB12, GL_UNSIGNED_SHORT},
    {8, U, grBits16, GL_RGB16, GL_UNSIGNED_SHORT},
    {8, U, grBits32, GL_RGB, GL_UNSIGNED_INT},
    {8, F, grBits16, GL_RGB16F, GL_HALF_FLOAT},
    {8, F, grBits32, GL_RGB32F, GL_FLOAT},
    // 9 RGBA
    {9, S, grBits4, GL_RGBA4, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {9, S, grBitsP1555, GL_RGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {9, S, grBitsP2101010, GL_RGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    {9, S, grBits8, GL_RGBA8_SNORM, GL_BYTE},
    {9, S, grBits12, GL_RGBA12, GL_SHORT},
    {9, S, grBits16, GL_RGBA16_SNORM, GL_SHORT},
    {9, S, grBits32, GL_RGBA, GL_INT},
    {9, U, grBits1, GL_RGBA, GL_BITMAP},
    {9, U, grBits4, GL_RGBA4, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {9, U, grBitsP1555, GL_RGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {9, U, grBitsP2101010, GL_RGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    {9, U, grBits8, GL_RGBA8, GL_UNSIGNED_BYTE},
    {9, U, grBits12, GL_RGBA12, GL_UNSIGNED_SHORT},
    {9, U, grBits16, GL_RGBA16, GL_UNSIGNED_SHORT},
    {9, U, grBits32, GL_RGBA, GL_UNSIGNED_INT},
    {9, F, grBits16, GL_RGBA16F, GL_HALF_FLOAT},
    {9, F, grBits32, GL_RGBA32F, GL_FLOAT},
    // 10 BGR
    {10, S, grBits8, GL_RGB8_SNORM, GL_BYTE},
    {10, S, grBitsP233, GL_R3_G3_B2, GL_UNSIGNED_BYTE_2_3_3_REV},
    {10, S, grBitsP565, GL_RGB5, GL_UNSIGNED_SHORT_5_6_5_REV},
    {10, U, grBits8, GL_RGB, GL_UNSIGNED_BYTE},
    {10, U, grBitsP233, GL_R3_G3_B2, GL_UNSIGNED_BYTE_2_3_3_REV},
    {10, U, grBitsP565, GL_RGB5, GL_UNSIGNED_SHORT_5_6_5_REV},
    // 11 BGRA
    {11, S, grBits8, GL_RGBA8_SNORM, GL_BYTE},
    {11, S, grBitsP1555, GL_RGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {11, S, grBits4, GL_RGB4, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {11, S, grBitsP2101010, GL_RGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    {11, U, grBits8, GL_RGBA, GL_UNSIGNED_BYTE},
    {11, U, grBitsP1555, GL_RGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {11, U, grBits4, GL_RGB4, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {11, U, grBitsP2101010, GL_RGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    // 12 depth
    {12, F, grBits16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT},
    {12, F, grBits24, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT},
    {12, F, grBits32, GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT},
    // 17 colour index
    {17, U, grBits1, GL_COLOR_INDEX, GL_BITMAP},
    {17, U, grBits8, GL_COLOR_INDEX, GL_UNSIGNED_BYTE},
};

// Internal formats that a texture asking for compression is given instead.
const GLint kCompressed[][2] = {
    {GL_ALPHA, GL_COMPRESSED_ALPHA},
    {GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE},
    {GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA},
    {GL_INTENSITY8, GL_COMPRESSED_INTENSITY},
    {GL_RGB8, GL_COMPRESSED_RGB},
    {GL_RGBA8, GL_COMPRESSED_RGBA},
};

// Bits one pixel occupies in client memory for an OpenGL format and type; 0
// for a type OpenGL rejects without reading.
uint32_t glBitsPerPixel(GLenum format, GLenum type)
{
    switch (type) {
    case GL_UNSIGNED_BYTE_2_3_3_REV:
    case GL_UNSIGNED_BYTE_3_3_2:
        return 8;
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV:
        return 16;
    case GL_UNSIGNED_INT_2_10_10_10_REV:
    case GL_UNSIGNED_INT_10_10_10_2:
        return 32;
    default:
        break;
    }
    uint32_t size;
    switch (type) {
    case GL_BITMAP:
        size = 1;
        break;
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
        size = 8;
        break;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_HALF_FLOAT:
        size = 16;
        break;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT:
        size = 32;
        break;
    default:
        return 0;
    }
    uint32_t components;
    switch (format) {
    case GL_LUMINANCE_ALPHA:
    case GL_RG:
        components = 2;
        break;
    case GL_RGB:
    case GL_BGR:
        components = 3;
        break;
    case GL_RGBA:
    case GL_BGRA:
        components = 4;
        break;
    default:
        components = 1;
        break;
    }
    return components * size;
}

GLint unpackInt(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Bytes read for `images` slices of `height` rows of `width` pixels under the
// current unpack state.
uint64_t uploadBytes(uint64_t width, uint64_t height, uint64_t images, bool threeD, GLenum format, GLenum type)
{
    uint64_t bpp = glBitsPerPixel(format, type);
    if (bpp == 0 || width == 0 || height == 0 || images == 0)
        return 0;
    uint64_t rowlength = uint64_t(std::max(unpackInt(GL_UNPACK_ROW_LENGTH), 0));
    uint64_t alignment = uint64_t(std::max(unpackInt(GL_UNPACK_ALIGNMENT), 1));
    uint64_t skippixels = uint64_t(std::max(unpackInt(GL_UNPACK_SKIP_PIXELS), 0));
    uint64_t skiprows = uint64_t(std::max(unpackInt(GL_UNPACK_SKIP_ROWS), 0));
    uint64_t imageheight = height, skipimages = 0;
    if (threeD) {
        imageheight = uint64_t(std::max(unpackInt(GL_UNPACK_IMAGE_HEIGHT), 0));
        if (imageheight == 0)
            imageheight = height;
        skipimages = uint64_t(std::max(unpackInt(GL_UNPACK_SKIP_IMAGES), 0));
    }
    if (rowlength == 0)
        rowlength = width;
    uint64_t rowbytes = (rowlength * bpp + 7) / 8;
    rowbytes = (rowbytes + alignment - 1) / alignment * alignment;
    uint64_t rows = (skipimages + images - 1) * imageheight + skiprows + height - 1;
    return rows * rowbytes + ((skippixels + width) * bpp + 7) / 8;
}

bool fits(const grByteVector& image, uint64_t need)
{
    if (image.data() == nullptr || need <= image.size())
        return true;
    libutils::diagnostics() << "image data is smaller than its upload, skip." << std::endl;
    return false;
}

} // namespace

GLenum grGLPixelFormat(uint32_t format)
{
    static const GLenum kFormats[] = {
        GL_LUMINANCE,
        GL_LUMINANCE_ALPHA,
        GL_INTENSITY,
        GL_RED,
        GL_GREEN,
        GL_BLUE,
        GL_ALPHA,
        0,
        GL_RGB,
        GL_RGBA,
        GL_BGR,
        GL_BGRA,
        GL_DEPTH_COMPONENT,
        0,
        GL_RGB,
        GL_RGBA,
        0,
        GL_COLOR_INDEX,
    };
    return format < sizeof(kFormats) / sizeof(kFormats[0]) ? kFormats[format] : 0;
}

bool translateQuiet(const grPixelFormat& pf, bool compressed, grGLFormat& out)
{
    GLenum glformat = grGLPixelFormat(pf.format);
    if (glformat == 0)
        return false;
    // The YCbCr and four-component layouts upload as RGB and RGBA.
    uint32_t layout = pf.format == grFmtYCbCr ? grFmtRGB : pf.format == grFmtFour ? grFmtRGBA : pf.format;
    for (const Row& row : kRows) {
        if (row.format != layout || row.type != pf.type || row.bits != pf.bits)
            continue;
        out.internalformat = row.internalformat;
        out.format = glformat;
        out.type = row.gltype;
        if (compressed && GLEW_ARB_texture_compression) {
            for (const auto& pair : kCompressed)
                if (pair[0] == out.internalformat)
                    out.internalformat = pair[1];
        }
        return true;
    }
    return false;
}

bool translate(const grPixelFormat& pf, bool compressed, grGLFormat& out)
{
    if (translateQuiet(pf, compressed, out))
        return true;
    libutils::diagnostics() << "Not supported image format!\n"
                            << std::hex << "imgformat: " << pf.format << "\nimgtype: " << pf.type
                            << "\nimgbits: " << pf.bits << std::dec << std::endl;
    return false;
}

void grSetPixelStore(const grPixelStore* store)
{
    // An image without a store has 4-byte rows of native-order samples; the
    // state a previous image left behind (swapped 16-bit samples, 1-byte
    // rows) must not apply to it.
    if (!store)
        store = &grDefaultPixelStore;
    glPixelStorei(GL_UNPACK_SWAP_BYTES, store->swapbytes ? GL_TRUE : GL_FALSE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, store->alignment ? GLint(store->alignment) : 4);
}

void grSetUnpack(const grImage1D& image)
{
    grSetPixelStore(image.store);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, GLint(image.skippixels));
}

void grSetUnpack(const grImage2D& image)
{
    grSetPixelStore(image.store);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(image.rowlength));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, GLint(image.skippixels));
    glPixelStorei(GL_UNPACK_SKIP_ROWS, GLint(image.skiprows));
}

void grSetUnpack(const grImage3D& image)
{
    grSetPixelStore(image.store);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(image.rowlength));
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, GLint(image.imageheight));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, GLint(image.skippixels));
    glPixelStorei(GL_UNPACK_SKIP_ROWS, GLint(image.skiprows));
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, GLint(image.skipimages));
}

uint64_t grUploadBytes(const grImage1D& image, GLenum format, GLenum type)
{
    uint64_t bpp = glBitsPerPixel(format, type);
    if (bpp == 0 || image.width == 0)
        return 0;
    uint64_t skippixels = uint64_t(std::max(unpackInt(GL_UNPACK_SKIP_PIXELS), 0));
    return ((skippixels + image.width) * bpp + 7) / 8;
}

uint64_t grUploadBytes(const grImage2D& image, GLenum format, GLenum type)
{
    return uploadBytes(image.width, image.height, 1, false, format, type);
}

uint64_t grUploadBytes(const grImage3D& image, GLenum format, GLenum type)
{
    return uploadBytes(image.width, image.height, image.depth, true, format, type);
}

bool grUploadFits(const grImage1D& image, const grGLFormat& gl)
{
    return fits(image, grUploadBytes(image, gl.format, gl.type));
}

bool grUploadFits(const grImage2D& image, const grGLFormat& gl)
{
    return fits(image, grUploadBytes(image, gl.format, gl.type));
}

bool grUploadFits(const grImage3D& image, const grGLFormat& gl)
{
    return fits(image, grUploadBytes(image, gl.format, gl.type));
}

GLsizei grCompressedBytes(const grByteVector& image)
{
    uint64_t n = image.size();
    return n > 0x7FFFFFFFu ? 0x7FFFFFFF : GLsizei(n);
}

grColorMapGuard::grColorMapGuard(const grPixelMap& map)
{
    if (map.count == 0)
        return;
    // Never hand the driver more entries than the three maps hold.
    uint64_t n = std::min<uint64_t>({map.count, map.red.size(), map.green.size(), map.blue.size()});
    if (n == 0)
        return;
    GLsizei count = GLsizei(std::min<uint64_t>(n, 0x7FFFFFFF));
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    glPixelMapusv(GL_PIXEL_MAP_I_TO_R, count, map.red.data());
    glPixelMapusv(GL_PIXEL_MAP_I_TO_G, count, map.green.data());
    glPixelMapusv(GL_PIXEL_MAP_I_TO_B, count, map.blue.data());
    active_ = true;
}

grColorMapGuard::~grColorMapGuard()
{
    if (active_)
        glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

uint32_t grCeilPow2(uint32_t n)
{
    uint32_t p = 1;
    while (p < n && p < 0x80000000u)
        p <<= 1;
    return p;
}

} // namespace libgr

namespace libgr
{

uint32_t grSquareEdge(uint32_t size, uint32_t level, bool border)
{
    if (level == 0 && border)
        return size <= 2 ? 2 : 2 + grCeilPow2(size - 2);
    uint32_t edge = grCeilPow2(size) >> std::min<uint32_t>(level, 31);
    return edge ? edge : 1;
}

bool grUploadCompressed2D(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl, GLint border)
{
    if (!GLEW_ARB_texture_compression) {
        libutils::diagnostics() << "error, ARB_texture_compression unsupported when compressed image loading, skip."
                                << std::endl;
        return false;
    }
    glCompressedTexImage2DARB(target, level, GLenum(gl.internalformat), GLsizei(image.width), GLsizei(image.height),
                              border, grCompressedBytes(image), image.data());
    return true;
}

void grUploadIntoSquare(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl, GLint border,
                        uint32_t edge)
{
    glTexImage2D(target, level, gl.internalformat, GLsizei(edge), GLsizei(edge), border, gl.format, gl.type, nullptr);
    if (image.data() && grUploadFits(image, gl))
        glTexSubImage2D(target, level, 0, 0, GLsizei(image.width), GLsizei(image.height), gl.format, gl.type,
                        image.data());
}

void grUploadSubImage2D(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl)
{
    if (image.compressed) {
        if (!GLEW_ARB_texture_compression) {
            libutils::diagnostics() << "error, ARB_texture_compression unsupported when compressed image loading, skip."
                                    << std::endl;
            return;
        }
        glCompressedTexSubImage2DARB(target, level, 0, 0, GLsizei(image.width), GLsizei(image.height),
                                     GLenum(gl.internalformat), grCompressedBytes(image), image.data());
        return;
    }
    if (image.data() && grUploadFits(image, gl))
        glTexSubImage2D(target, level, 0, 0, GLsizei(image.width), GLsizei(image.height), gl.format, gl.type,
                        image.data());
}

bool grSgisMipmapFormat(GLint internalformat)
{
    switch (internalformat) {
    case GL_RGB:
    case GL_RGBA:
    case GL_RGB5:
    case GL_RGB8:
    case GL_RGBA8:
    case GL_BGR:
    case GL_BGRA:
        return true;
    default:
        return false;
    }
}

} // namespace libgr
