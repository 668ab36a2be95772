// The bytes of a whole encoded file, read into memory, for the codecs.
#pragma once

#include "textures/image.h"

namespace libgr
{

struct grFileBuffer {
    grByteVector bytes;
    const char* fname = nullptr; // borrowed

    // Reads `name` whole. A missing file, a directory, an empty or
    // unreadable file prints "<name>: file stat failed." (or ": file load
    // failed." when the mapping fails) and returns false. Safe on any name.
    bool load(const char* name);
    // Writes the view's bytes to `name` (truncating). Returns false, without
    // a message, when the file cannot be opened or written or closed.
    bool save(const char* name) const;
};

// Reads the whole regular file `name` into `out`; a file that shrinks
// during the read gives the bytes read, never a fault. Prints "<name>: file stat failed." or
// "<name>: file load failed." and returns false otherwise. `size` receives
// the file's byte count.
bool mapWholeFile(grByteVector& out, const char* name, uint64_t& size);

} // namespace libgr
