#pragma once
// Element counts that PLY and OFF headers declare, checked against the bytes
// the file holds before any importer reserves memory for them.

#include <cstddef>
#include <cstdint>

namespace vyk3d
{

// The least number of bytes the body of the file must hold for its header's
// counts: for PLY the sum over elements of count x the smallest record (the
// scalar sizes, or two bytes a property in text); for OFF six bytes a vertex
// and two a face. The header is read from [data, data + size); the result
// saturates at UINT64_MAX. 0 when the text is neither header (nothing to
// check) or declares nothing.
uint64_t bytesNeeded(const char* data, size_t size);

// False for a PLY header (text starting "ply") without a line whose first
// word is end_header in its first 64 KiB: the importer reads such a file
// again and again without end. True for anything else.
bool plyHeaderReadable(const char* data, size_t size);

} // namespace vyk3d
