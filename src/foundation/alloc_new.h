// Heap allocator for the reference-sharing vectors of libutils.
#pragma once

#include <cstdint>

namespace libutils
{

class alloc_new
{
  public:
    // Returns a heap buffer of `size` bytes, or null when the heap is out of
    // memory. The mode is not used. With a file name the buffer is filled from
    // the file starting at byte `offset`; a size of 0 then becomes the size of the
    // rest of the file from the offset (stored back through `size`; a file
    // whose size cannot be read gives null). Bytes the file cannot supply (missing, short or unreadable file)
    // are zero; nothing is printed. Safe on untrusted files: never reads past
    // the buffer.
    void* allocate(uint64_t& size, const char* name, int mode, uint64_t offset);
    // A buffer of `newSize` bytes holding the first min(old, new) bytes of
    // `buffer`, which is then freed; null (with `buffer` untouched) when out of
    // memory. The offset is not used.
    void* reallocate(void* buffer, uint64_t newSize, uint64_t offset = 0);
    // Frees a non-null buffer.
    void deallocate(void* buffer);

    uint64_t size() const { return size_; }

  private:
    uint64_t size_ = 0; // byte size of the allocation
};

} // namespace libutils
