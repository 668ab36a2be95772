// Allocator over memory-mapped files and anonymous mappings (POSIX mmap).
#pragma once

#include <cstdint>

namespace libutils
{

class alloc_mmap
{
  public:
    enum access_t : uint32_t { ReadOnly = 0, ReadWrite = 1 };

    // Maps `size` bytes and returns the view, or null.
    //
    // mode 0 maps read-only, mode 1 read/write; any other mode returns null
    // without a message.
    //
    // With a file name the existing file is mapped from byte `offset`. A size of
    // 0 means the rest of the file from the offset (the whole file at offset 0)
    // and is stored back through `size`; a file of 0 bytes gives a valid empty
    // view. A file that does not exist, a view that would reach past the end of
    // a read-only file or a size that cannot be queried returns null without a
    // message (a read/write view grows the file to fit). A file that exists but
    // cannot be opened prints "NAME: file open failed.", one that cannot be
    // mapped "NAME: create file mapping failed.", and both then end the process
    // with the system-error report (see below). Safe on untrusted files: a view
    // never covers bytes the file does not have when it is made. A file that
    // another program truncates later faults on access past its new end
    // (SIGBUS): files that are only read go through readWholeFile instead.
    //
    // Without a file name an anonymous zero-filled mapping of `size` bytes is
    // made (0 bytes gives a valid empty view); out of memory returns null.
    void* allocate(uint64_t& size, const char* name, int mode, uint64_t offset);

    // Resizes the view; returns the new view, or null with the old view left
    // as it was. An anonymous read/write view keeps its first min(old, new)
    // bytes (growth is zero-filled; the offset is not used). A file view is
    // mapped anew at `offset`; its data live in the file.
    void* reallocate(void* view, uint64_t newSize, uint64_t offset);

    // Unmaps the view and closes the file.
    void deallocate(void* view);

    uint64_t size() const { return size_; }
    uint32_t access() const { return access_; }
    bool anonymous() const { return file_ < 0; }

  private:
    uint64_t size_ = 0;          // mapped size in bytes
    uint32_t access_ = ReadOnly; // view access
    int file_ = -1;              // file descriptor, -1 when anonymous
    // The mapping: page-aligned start and length of the current view's pages
    // (a view at an unaligned offset starts inside its first page).
    void* base_ = nullptr;
    uint64_t length_ = 0;
};

// The system-error report: writes "TAG failed with error N: TEXT" (N and TEXT
// from errno) to stderr and ends the process with exit status N.
[[noreturn]] void fatalSystemError(const char* tag);

} // namespace libutils
