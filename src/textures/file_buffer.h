// The bytes of a whole encoded file, read into memory of their own, for the
// BMP and JPEG codecs.
#pragma once

#include "textures/image.h"

namespace libgr
{

struct grFileBuffer {
    grByteVector bytes;
    const char* fname = nullptr; // borrowed

    // Reads `name` whole (see loadWholeFile). Safe on any name.
    bool load(const char* name);
    // Writes the view's bytes to `name` (truncating). Returns false, without
    // a message, when the file cannot be opened or written or closed.
    bool save(const char* name) const;
};

// Reads the whole regular file `name` into anonymous storage in `out`, so
// that views into it stay valid whatever later happens to the file; `size`
// receives its byte count (what it still held, when it was cut short while
// read). A missing file or one that is not regular prints "<name>: file stat
// failed.", one that cannot be opened or read "<name>: file load failed.",
// and both return false. An empty file gives an empty view. Safe on any name.
bool loadWholeFile(grByteVector& out, const char* name, uint64_t& size);

} // namespace libgr
