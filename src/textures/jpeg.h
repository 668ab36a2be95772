// JPEG adapter over libjpeg: a memory source over a grFileBuffer, a growing
// memory destination, error traps and the bottom-row-first row order.
#pragma once

#include <cstdint>
#include <vector>

#include "textures/file_buffer.h"
#include "textures/image.h"

namespace libgr
{

struct grJpegMarker {
    uint8_t code = 0;
    grByteVector data;
};

struct grJpegInfo {
    uint64_t width = 0;
    uint64_t height = 0;
    std::vector<grJpegMarker> markers;

    // Index 0..15: APP0..APP15, 16: comment. First saved marker with that
    // code, or null.
    const grJpegMarker* find(unsigned index) const;
};

// Decodes `file` into `image` (RGB, YCbCr or luminance, 8-bit). A broken
// header prints "<name>: jpeg decompress fail, stop." and fails; a file cut
// or broken inside the scan prints "<name>: jpeg decompress fail, but
// continue." and succeeds with the rows decoded so far; a colour model
// other than RGB, YCbCr or grey (CMYK) fails silently; an image of more
// than grMaxDecodedPixels prints "<name>: image too large." and fails
// before allocating. `alignment` > 0 pads into a cleared square whose edge
// is the larger dimension rounded up to it; `border` adds a one-pixel
// border. Safe on untrusted data.
bool jpegDecompress(grJpegInfo& info, grImage2D& image, const grFileBuffer& file, uint32_t alignment = 0,
                    bool border = false);

// Encodes `image` (RGB, YCbCr or luminance, unsigned 8-bit) into `out`,
// with the info's saved markers. Returns false for other formats, images
// that do not hold their pixels, or a library error (no message of ours).
bool jpegCompress(grJpegInfo& info, grByteVector& out, const grImage2D& image, int quality, bool forceBaseline);

bool jpegLoad(grImage2D& image, const char* name);
bool jpegSave(const grImage2D& image, const char* name);

} // namespace libgr
