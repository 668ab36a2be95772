// Loading and saving images by file-name extension (".jpg", ".bmp", ".png",
// ".tga", any letter case).
#pragma once

#include <cstddef>

#include "textures/image.h"

namespace libgr
{

// Reads `image` from `fname`; a colour-index result is expanded to 8-bit RGB.
// Returns false on any failure (unknown extension: prints
// "autoloadformat load fail, fname=<name>"; codec messages otherwise).
// Safe on untrusted files: every codec checks its file against its buffers.
bool autoloadformat(grImage2D& image, const char* fname);
inline bool autoloadformat(const char* fname, grImage2D& image)
{
    return autoloadformat(image, fname);
}

// Reads `image` from an encoded PNG or JPEG held in memory, told apart by
// their signatures; `name` labels the codec messages. False for anything
// else or a decoding failure. Safe on untrusted bytes.
bool autoloadmemory(grImage2D& image, const unsigned char* data, size_t size, const char* name);

// Writes `image` to `fname` (JPEG at quality 95; BMP only from 8-bit RGB,
// written as 24-bit BGR). Returns false on any failure, including a failed
// write; an unknown extension prints "autosaveformat load fail, fname=<name>".
bool autosaveformat(const grImage2D& image, const char* fname);
inline bool autosaveformat(const char* fname, const grImage2D& image)
{
    return autosaveformat(image, fname);
}

} // namespace libgr
