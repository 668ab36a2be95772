// The bytes of a whole encoded file (read-only mapping) for the JPEG codec.
#pragma once

#include "textures/image.h"

namespace libgr
{

struct grFileBuffer {
    grByteVector bytes;
    const char* fname = nullptr; // borrowed

    // Maps `name` read-only. A missing file, a directory, an empty or
    // unreadable file prints "<name>: file stat failed." (or ": file load
    // failed." when the mapping fails) and returns false. Safe on any name.
    bool load(const char* name);
    // Writes the view's bytes to `name` (truncating). Returns false, without
    // a message, when the file cannot be opened or written or closed.
    bool save(const char* name) const;
};

// Maps the whole regular, non-empty file `name` read-only into `out`
// (offset 0, no limit). Prints "<name>: file stat failed." or
// "<name>: file load failed." and returns false otherwise. `size` receives
// the file's byte count.
bool mapWholeFile(grByteVector& out, const char* name, uint64_t& size);

} // namespace libgr
