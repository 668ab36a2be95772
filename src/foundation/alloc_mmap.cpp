#include "foundation/alloc_mmap.h"
#include "foundation/file_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace libutils
{

namespace
{

// Views of 0 bytes point here: mmap refuses empty mappings, yet an empty
// vector is a valid vector. Nothing is ever read or written through it.
alignas(16) char g_emptyView[16];

uint64_t pageSize()
{
    static const uint64_t size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return size;
}

struct mapping_t {
    void* base;      // page-aligned start, null for an empty view
    uint64_t length; // bytes mapped from base
    void* view;      // the caller's first byte
};

// Maps `size` bytes at `offset` of `file` (-1: anonymous memory, offset not
// used). Returns a mapping whose view is null on failure, errno set.
mapping_t mapBytes(int file, uint32_t access, uint64_t size, uint64_t offset)
{
    if (size == 0)
        return {nullptr, 0, g_emptyView};
    uint64_t aligned = 0;
    uint64_t delta = 0;
    if (file >= 0) {
        aligned = offset / pageSize() * pageSize();
        delta = offset - aligned;
    }
    if (size > SIZE_MAX - delta) {
        errno = ENOMEM;
        return {nullptr, 0, nullptr};
    }
    int prot = access == alloc_mmap::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    int flags = file >= 0 ? MAP_SHARED : MAP_PRIVATE | MAP_ANONYMOUS;
    void* p = mmap(nullptr, static_cast<size_t>(size + delta), prot, flags, file, static_cast<off_t>(aligned));
    if (p == MAP_FAILED)
        return {nullptr, 0, nullptr};
    return {p, size + delta, static_cast<char*>(p) + delta};
}

// Prints "NAME: WHAT" and ends the process with the system error that made
// it fail (saved first: writing the line may change errno).
[[noreturn]] void fatalFileError(const char* name, const char* what)
{
    int code = errno;
    std::fprintf(stderr, "%s: %s\n", name, what);
    errno = code;
    fatalSystemError("alloc_mmap_win::allocate()");
}

} // namespace

void fatalSystemError(const char* tag)
{
    int code = errno;
    std::fprintf(stderr, "%s failed with error %d: %s\n", tag, code, std::strerror(code));
    std::fflush(stderr);
    // An exit status keeps only 8 bits; never let a failure read as success.
    std::exit(code > 0 && code < 256 ? code : 1);
}

void* alloc_mmap::allocate(uint64_t& size, const char* name, int mode, uint64_t offset)
{
    if (mode != 0 && mode != 1)
        return nullptr;
    access_ = mode == 0 ? ReadOnly : ReadWrite;

    if (!name) {
        file_ = -1;
        mapping_t m = mapBytes(file_, access_, size, 0);
        if (!m.view)
            return nullptr; // out of memory is the caller's to report
        base_ = m.base;
        length_ = m.length;
        size_ = size;
        return m.view;
    }

    int fd = -1;
    uint64_t fileSize = 0;
    switch (openRegularFile(name, mode == 1, fd, fileSize)) {
    case file_status_t::Ok:
        break;
    case file_status_t::Missing:
        return nullptr; // bad input, not a system failure
    case file_status_t::NotRegular:
        errno = ENODEV;
        fatalFileError(name, "create file mapping failed.");
    default:
        fatalFileError(name, "file open failed.");
    }
    if (size == 0)
        size = offset < fileSize ? fileSize - offset : 0;
    if (offset > UINT64_MAX - size) {
        close(fd);
        return nullptr;
    }
    if (offset + size > fileSize) {
        // A read-only view past the end would fault on access; a read/write one
        // grows the file to fit.
        if (mode == 0) {
            close(fd);
            return nullptr;
        }
        if (ftruncate(fd, static_cast<off_t>(offset + size)) != 0) {
            fatalFileError(name, "create file mapping failed.");
        }
    }
    mapping_t m = mapBytes(fd, access_, size, offset);
    if (!m.view) {
        fatalFileError(name, "create file mapping failed.");
    }
    file_ = fd;
    base_ = m.base;
    length_ = m.length;
    size_ = size;
    return m.view;
}

void* alloc_mmap::reallocate(void* view, uint64_t newSize, uint64_t offset)
{
    mapping_t m{};
    if (file_ < 0) {
        m = mapBytes(-1, access_, newSize, 0);
        if (!m.view)
            return nullptr;
        if (access_ == ReadWrite && view) {
            uint64_t n = newSize < size_ ? newSize : size_;
            if (n)
                std::memcpy(m.view, view, static_cast<size_t>(n));
        }
    } else {
        struct stat st;
        if (fstat(file_, &st) != 0)
            return nullptr;
        uint64_t fileSize = static_cast<uint64_t>(st.st_size);
        if (offset > UINT64_MAX - newSize)
            return nullptr;
        if (offset + newSize > fileSize) {
            if (access_ != ReadWrite)
                return nullptr;
            if (ftruncate(file_, static_cast<off_t>(offset + newSize)) != 0)
                return nullptr;
        }
        m = mapBytes(file_, access_, newSize, offset);
        if (!m.view)
            return nullptr;
    }
    // The old mapping goes only once the new one exists, so a refusal keeps
    // the old storage and size.
    if (base_)
        munmap(base_, static_cast<size_t>(length_));
    base_ = m.base;
    length_ = m.length;
    size_ = newSize;
    return m.view;
}

void alloc_mmap::deallocate(void* /*view*/)
{
    if (base_)
        munmap(base_, static_cast<size_t>(length_));
    base_ = nullptr;
    length_ = 0;
    size_ = 0;
    if (file_ >= 0)
        close(file_);
    file_ = -1;
}

} // namespace libutils
