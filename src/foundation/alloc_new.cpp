#include "foundation/alloc_new.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace libutils
{

namespace
{
// malloc(0) may answer null; every successful allocation is non-null here.
void* heapBytes(uint64_t size)
{
    if (size > SIZE_MAX)
        return nullptr;
    return std::calloc(size ? static_cast<size_t>(size) : 1, 1);
}
} // namespace

void* alloc_new::allocate(uint64_t& size, const char* name, int /*mode*/, uint64_t offset)
{
    if (name && size == 0) {
        struct stat st;
        if (stat(name, &st) != 0)
            return nullptr;
        // The rest of the file from the offset, as a mapping gives it.
        uint64_t fileSize = static_cast<uint64_t>(st.st_size);
        size = offset < fileSize ? fileSize - offset : 0;
    }
    void* buffer = heapBytes(size);
    if (!buffer)
        return nullptr;
    if (name) {
        // calloc already zeroed what the file may fail to supply.
        if (std::FILE* f = std::fopen(name, "rb")) {
            if (offset <= static_cast<uint64_t>(LONG_MAX) && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0)
                (void)std::fread(buffer, 1, static_cast<size_t>(size), f);
            std::fclose(f);
        }
    }
    size_ = size;
    return buffer;
}

void* alloc_new::reallocate(void* buffer, uint64_t newSize, uint64_t /*offset*/)
{
    void* fresh = heapBytes(newSize);
    if (!fresh)
        return nullptr;
    if (buffer)
        std::memcpy(fresh, buffer, static_cast<size_t>(newSize < size_ ? newSize : size_));
    size_ = newSize;
    std::free(buffer);
    return fresh;
}

void alloc_new::deallocate(void* buffer)
{
    if (buffer)
        std::free(buffer);
}

} // namespace libutils
