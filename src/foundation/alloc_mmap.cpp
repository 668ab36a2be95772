#include "foundation/alloc_mmap.h"
#include "foundation/fatal_error.h"
#include "foundation/file_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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
    int prot = access == alloc_mmap_win::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    int flags = file >= 0 ? MAP_SHARED : MAP_PRIVATE | MAP_ANONYMOUS;
    void* p = mmap(nullptr, static_cast<size_t>(size + delta), prot, flags, file, static_cast<off_t>(aligned));
    if (p == MAP_FAILED)
        return {nullptr, 0, nullptr};
    return {p, size + delta, static_cast<char*>(p) + delta};
}

// Closes `file` (when open) and throws "NAME: WHAT" with the system error
// that made it fail (saved first: closing may change errno).
[[noreturn]] void fatalFileError(const char* name, const char* what, int file = -1)
{
    const int code = errno;
    if (file >= 0)
        close(file);
    errno = code;
    fatalSystemError("alloc_mmap_win::allocate()", std::string(name) + ": " + what + "\n");
}

} // namespace

void fatalSystemError(const char* tag, const std::string& before)
{
    const int code = errno;
    // An exit status keeps only 8 bits; never let a failure read as success.
    throw fatal_error_t(code > 0 && code < 256 ? code : 1,
                        before + tag + " failed with error " + std::to_string(code) + ": " + std::strerror(code));
}

void* alloc_mmap_win::allocate(uint64_t& size, const char* name, int mode, uint64_t offset)
{
    if (mode != 0 && mode != 1)
        return nullptr;
    m_access = mode == 0 ? ReadOnly : ReadWrite;

    if (!name) {
        m_file = -1;
        mapping_t m = mapBytes(m_file, m_access, size, 0);
        if (!m.view)
            return nullptr; // out of memory is the caller's to report
        m_base = m.base;
        m_length = m.length;
        m_size = size;
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
        if (ftruncate(fd, static_cast<off_t>(offset + size)) != 0)
            fatalFileError(name, "create file mapping failed.", fd);
    }
    mapping_t m = mapBytes(fd, m_access, size, offset);
    if (!m.view)
        fatalFileError(name, "create file mapping failed.", fd);
    m_file = fd;
    m_base = m.base;
    m_length = m.length;
    m_size = size;
    return m.view;
}

void* alloc_mmap_win::reallocate(void* view, uint64_t newSize, uint64_t offset)
{
    mapping_t m{};
    if (m_file < 0) {
        m = mapBytes(-1, m_access, newSize, 0);
        if (!m.view)
            return nullptr;
        if (m_access == ReadWrite && view) {
            uint64_t n = newSize < m_size ? newSize : m_size;
            if (n)
                std::memcpy(m.view, view, static_cast<size_t>(n));
        }
    } else {
        struct stat st;
        if (fstat(m_file, &st) != 0)
            return nullptr;
        uint64_t fileSize = static_cast<uint64_t>(st.st_size);
        if (offset > UINT64_MAX - newSize)
            return nullptr;
        if (offset + newSize > fileSize) {
            if (m_access != ReadWrite)
                return nullptr;
            if (ftruncate(m_file, static_cast<off_t>(offset + newSize)) != 0)
                return nullptr;
        }
        m = mapBytes(m_file, m_access, newSize, offset);
        if (!m.view)
            return nullptr;
    }
    // The old mapping goes only once the new one exists, so a refusal keeps
    // the old storage and size.
    if (m_base)
        munmap(m_base, static_cast<size_t>(m_length));
    m_base = m.base;
    m_length = m.length;
    m_size = newSize;
    return m.view;
}

void alloc_mmap_win::deallocate(void* /*view*/)
{
    if (m_base)
        munmap(m_base, static_cast<size_t>(m_length));
    m_base = nullptr;
    m_length = 0;
    m_size = 0;
    if (m_file >= 0)
        close(m_file);
    m_file = -1;
}

} // namespace libutils
