// TGA codec: uncompressed colour-mapped (1), true-colour (2) and grey (3)
// files with bottom-left origin.
#pragma once

#include <cstdint>
#include <vector>

#include "textures/image.h"

namespace libgr
{

class grTargaFile
{
  public:
    uint8_t idlength = 0;
    uint8_t colormaptype = 0;
    uint8_t imagetype = 0;
    uint16_t cmapfirst = 0;
    uint16_t cmaplength = 0;
    uint8_t cmapentrysize = 0;
    uint16_t xorigin = 0;
    uint16_t yorigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixeldepth = 0;
    uint8_t descriptor = 0;
    std::vector<unsigned char> ident;
    std::vector<unsigned char> colormap;
    // Pixel rows, each padded to 4 bytes in memory (bottom row first).
    grByteVector pixels;
    // Writing: the image whose rows are written (packed).
    grImage2D wimage;

    // Reads header, identification, colour map and pixel rows. Rows are
    // packed in the file; padded rows are accepted only when the bytes after
    // the header are exactly the padded size and not the packed one (files
    // of earlier versions of this program). Returns false, silently, for a
    // missing file, a directory, or a file shorter than it promises; never
    // allocates more than the file can fill. Safe on untrusted files.
    bool load(const char* name);
    // Types 1, 2, 3 with bit 5 of the descriptor clear; depth 8 luminance
    // (indices of colour-mapped files too), 16 BGRA 1-5-5-5, 24 BGR, 32
    // BGRA. Shares the pixels. Fails silently otherwise.
    bool toImage(grImage2D& image) const;

    // Image to TGA records (unsigned 8-bit BGR/BGRA/RGB/RGBA/luminance,
    // BGRA 1-5-5-5); RGB/RGBA are swapped into a new image. Fails silently
    // for anything else, including RGBA 1-5-5-5.
    bool convert(const grImage2D& image);
    // Writes header and packed rows; false when the file cannot be opened,
    // written or closed.
    bool save(const char* name) const;
};

bool tgaLoad(grImage2D& image, const char* name);
bool tgaSave(const grImage2D& image, const char* name);

} // namespace libgr
