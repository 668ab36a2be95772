// PNG adapter over libpng 1.6.
#pragma once

#include <cstddef>

#include "textures/image.h"

namespace libgr
{

// Reads `fname` into `image`: 0 on success; -1 not a PNG, -2/-3 library
// structures, -4 a libpng error (prints "FAIL"; images over
// grMaxDecodedPixels fail here before allocating). A file that cannot be
// opened prints "<name>: file open error, <system text>" and returns -1.
// 16-bit samples stay most significant byte first and the image gets the
// swap-bytes pixel store. Safe on untrusted files.
int pngRead(const char* fname, grImage2D& image);
// The same for a PNG held in memory.
int pngReadMemory(const void* data, size_t size, grImage2D& image);
// Writes luminance, luminance-alpha, RGB, RGBA or colour-index images of 1,
// 2, 4, 8 or 16 bits (16-bit samples taken most significant byte first).
// 0 on success, negative otherwise (a failed write included). `level` is
// zlib's, 0 (none) to 9 (smallest), -1 its default; at level 1, the
// fastest, rows other than colour indices are filtered by the row above
// alone. The pixels are the same at every level, only the size and the time
// differ. With `newFile` the file is created (O_EXCL) and -6 returned
// when a file of that name exists already.
int pngWrite(const char* fname, const grImage2D& image, const char* title, int level = -1, bool newFile = false);

// False after printing the three-line message when the running libpng
// differs from the headers built with.
bool pngVersionCheck();
bool pngLoad(grImage2D& image, const char* name);
bool pngSave(const grImage2D& image, const char* name);

} // namespace libgr
