// Shared steps of the texture uploads: pixel-format translation to OpenGL
// enumerants, the unpack state, the colour-index map guard and the check
// that an upload stays inside the image's storage.
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "textures/image.h"

namespace libgr
{

// The OpenGL side of a pixel format.
struct grGLFormat {
    GLint internalformat = 0;
    GLenum format = 0;
    GLenum type = 0;
};

// OpenGL pixel format of a component layout code; 0 for layouts that have
// none (red-green, depth-stencil, two components) and unknown codes.
GLenum grGLPixelFormat(uint32_t format);

// Translates a pixel format; with `compressed` and GL_ARB_texture_compression
// the unsized internal formats become their compressed forms. On refusal
// prints "Not supported image format!" and the "imgformat: ", "imgtype: ",
// "imgbits: " lines (codes in hexadecimal) and returns false.
bool translate(const grPixelFormat& pf, bool compressed, grGLFormat& out);
// The same without the message, for callers that only ask.
bool translateQuiet(const grPixelFormat& pf, bool compressed, grGLFormat& out);

// GL_UNPACK_SWAP_BYTES and GL_UNPACK_ALIGNMENT from the store; null sets the
// defaults (no swapping, alignment 4) that an image without a store is laid
// out with.
void grSetPixelStore(const grPixelStore* store);
// The unpack state of one image: its pixel store, then the row length and
// skips (GL_UNPACK_SKIP_PIXELS only for 1-D; the image height and skip
// images as well for 3-D).
void grSetUnpack(const grImage1D& image);
void grSetUnpack(const grImage2D& image);
void grSetUnpack(const grImage3D& image);

// Bytes OpenGL reads from the image's first byte under its unpack state for
// the given pixel format and type (rows padded to the store's alignment, the
// last row unpadded); 0 for an empty image or an unknown type.
uint64_t grUploadBytes(const grImage2D& image, GLenum format, GLenum type);
uint64_t grUploadBytes(const grImage1D& image, GLenum format, GLenum type);
uint64_t grUploadBytes(const grImage3D& image, GLenum format, GLenum type);

// Whether an uncompressed upload of the image with this format and type stays
// inside its storage. An image without storage passes (OpenGL then only
// defines the level). Otherwise prints
// "image data is smaller than its upload, skip." and returns false: a format
// whose OpenGL type is wider than the image's own bits, or a view cut short,
// must not let the driver read past the mapping.
bool grUploadFits(const grImage2D& image, const grGLFormat& gl);
bool grUploadFits(const grImage1D& image, const grGLFormat& gl);
bool grUploadFits(const grImage3D& image, const grGLFormat& gl);

// Byte count of a compressed image's view (the size handed to the compressed
// uploads).
GLsizei grCompressedBytes(const grByteVector& image);

// Loads the three colour-index maps and sets GL_MAP_COLOR while alive, when
// the map has entries; GL_MAP_COLOR goes back to false at the end of the
// scope, also when it is left by an exception.
class grColorMapGuard
{
  public:
    explicit grColorMapGuard(const grPixelMap& map);
    ~grColorMapGuard();
    grColorMapGuard(const grColorMapGuard&) = delete;
    grColorMapGuard& operator=(const grColorMapGuard&) = delete;
    bool active() const { return active_; }

  private:
    bool active_ = false;
};

// The colour-index maps an upload of `image` loads: its own for a
// colour-index image, none for any other.
template <class Image> const grPixelMap& grColorMapOf(const Image& image)
{
    static const grPixelMap none;
    return image.format.format == grFmtColorIndex ? image.pixelmap : none;
}

// Smallest power of two not below n (1 for 0).
uint32_t grCeilPow2(uint32_t n);

// Steps shared by the 2-D and cube-map uploads; `target` is GL_TEXTURE_2D or
// a cube face.

// Edge of the square that level `level` of a texture of non-zero `size` is
// placed into: the smallest power of two not below the size, plus 2 for a
// border on level 0 (2 alone for a size up to 2); each further level halves
// it, so the chain stays complete.
uint32_t grSquareEdge(uint32_t size, uint32_t level, bool border);

// glCompressedTexImage2DARB of the image's bytes; without
// GL_ARB_texture_compression prints "error, ARB_texture_compression
// unsupported when compressed image loading, skip." and returns false.
bool grUploadCompressed2D(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl, GLint border);

// Defines an edge x edge level without data, then writes the image into its
// lower-left corner (when the image has storage that fits its upload).
void grUploadIntoSquare(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl, GLint border,
                        uint32_t edge);

// Sub-image upload at 0, 0 of a compressed or uncompressed image (Update).
void grUploadSubImage2D(GLenum target, GLint level, const grImage2D& image, const grGLFormat& gl);

// Whether GL_GENERATE_MIPMAP_SGIS may be used with this internal format.
bool grSgisMipmapFormat(GLint internalformat);

} // namespace libgr
