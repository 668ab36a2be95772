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

// Reads the whole of `name` into storage from `reserve(n)`, which returns n
// writable bytes that keep the first bytes of any earlier storage it gave,
// or null. A regular file is read from byte 0 up to its size at the open, in
// large chunks; one cut short meanwhile gives the bytes it still had. With
// `streams` a FIFO or device is read to its end too; without it, it is
// NotRegular. `size` receives the bytes read (0 on failure). Prints nothing.
file_status_t readWholeFile(const char* name, const std::function<char*(uint64_t)>& reserve, uint64_t& size,
                            bool streams = false);

} // namespace libutils
