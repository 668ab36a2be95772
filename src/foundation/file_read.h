// Whole files read into memory the process owns.
//
// A mapping of a file is only as long-lived as the file: when another program
// truncates it (editors and exporters truncate and rewrite when they save), a
// read of a mapped page past the new end raises SIGBUS. Bytes read into owned
// memory stay valid whatever happens to the file.
#pragma once

#include <cstdint>
#include <functional>

namespace libutils
{

enum class file_status_t {
    Ok,
    Missing,    // no such file or directory on the way (not a system failure)
    OpenFailed, // it exists, but cannot be opened or queried
    NotRegular, // a directory, FIFO or device
    NoMemory,   // the storage for its bytes was refused
    ReadFailed, // read() failed on the way
};

// Opens the regular file `name` read-only (read/write when `writable`) into
// `fd` and gives its size. Opening never blocks, not even on a FIFO. On any
// status but Ok nothing stays open. Safe on any name, null included.
file_status_t openRegularFile(const char* name, bool writable, int& fd, uint64_t& size);

// One regular file open for reading in pieces, closed on destruction: for
// readers that parse a large file a chunk at a time instead of holding it
// whole. Safe on any name.
class file_reader_t
{
  public:
    file_reader_t() = default;
    file_reader_t(const file_reader_t&) = delete;
    file_reader_t& operator=(const file_reader_t&) = delete;
    ~file_reader_t();

    // As openRegularFile, read-only.
    file_status_t open(const char* name);
    // The size at the open.
    uint64_t size() const { return size_; }
    // Reads up to `n` bytes from byte `offset`: the count read, short at the
    // end of the file (also when it was cut short since the open), or -1
    // when read() fails.
    int64_t read(char* out, uint64_t n, uint64_t offset) const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// Reads the whole of `name` into storage from `reserve(n)`, which returns n
// writable bytes that keep the first bytes of any earlier storage it gave,
// or null. A regular file is read from byte 0 up to its size at the open, in
// large chunks; one cut short meanwhile gives the bytes it still had. With
// `streams` a FIFO or device is read to its end too; without it, it is
// NotRegular. `size` receives the bytes read (0 on failure). Prints nothing.
file_status_t readWholeFile(const char* name, const std::function<char*(uint64_t)>& reserve, uint64_t& size,
                            bool streams = false);

} // namespace libutils
