#include "foundation/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace libutils
{

namespace
{

// One read() moves at most this much: large enough that the calls cost
// nothing beside the copy, small enough for any kernel's limit.
constexpr uint64_t kChunk = uint64_t(1) << 28;

bool isMissing(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG;
}

// Reads up to `want` bytes into `out`, from `offset` or (at -1) from where
// the file stands; the count read, or -1.
int64_t readUpTo(int fd, char* out, uint64_t want, int64_t offset = -1)
{
    uint64_t done = 0;
    while (done < want) {
        const uint64_t n = want - done < kChunk ? want - done : kChunk;
        const ssize_t got = offset < 0 ? ::read(fd, out + done, size_t(n))
                                       : ::pread(fd, out + done, size_t(n), off_t(offset + int64_t(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += uint64_t(got);
    }
    return int64_t(done);
}

file_status_t openAny(const char* name, bool writable, int& fd, struct stat& st)
{
    fd = -1;
    if (!name)
        return file_status_t::Missing;
    // O_NONBLOCK: a FIFO without a writer would block the open.
    fd = ::open(name, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return isMissing(errno) ? file_status_t::Missing : file_status_t::OpenFailed;
    if (fstat(fd, &st) != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        fd = -1;
        return file_status_t::OpenFailed;
    }
    return file_status_t::Ok;
}

} // namespace

file_status_t openRegularFile(const char* name, bool writable, int& fd, uint64_t& size)
{
    size = 0;
    struct stat st;
    file_status_t status = openAny(name, writable, fd, st);
    if (status == file_status_t::Ok && !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        status = file_status_t::NotRegular;
    }
    if (status == file_status_t::Ok)
        size = uint64_t(st.st_size);
    return status;
}

file_status_t readWholeFile(const char* name, const std::function<char*(uint64_t)>& reserve, uint64_t& size,
                            bool streams)
{
    size = 0;
    int fd = -1;
    struct stat st;
    file_status_t status = openAny(name, false, fd, st);
    if (status != file_status_t::Ok)
        return status;
    const bool regular = S_ISREG(st.st_mode);
    if (!regular && (!streams || S_ISDIR(st.st_mode))) {
        ::close(fd);
        return file_status_t::NotRegular;
    }
    // A stream has no size: its storage doubles until a read comes up short.
    uint64_t room = regular ? uint64_t(st.st_size) : kChunk / 64;
    uint64_t done = 0;
    for (;;) {
        char* out = room ? reserve(room) : nullptr;
        if (room && !out) {
            status = file_status_t::NoMemory;
            break;
        }
        const int64_t got = room ? readUpTo(fd, out + done, room - done) : 0;
        if (got < 0) {
            status = file_status_t::ReadFailed;
            break;
        }
        done += uint64_t(got);
        if (regular || done < room)
            break;
        room *= 2;
    }
    ::close(fd);
    if (status == file_status_t::Ok)
        size = done;
    return status;
}

file_reader_t::~file_reader_t()
{
    if (fd_ >= 0)
        ::close(fd_);
}

file_status_t file_reader_t::open(const char* name)
{
    if (fd_ >= 0)
        ::close(fd_);
    return openRegularFile(name, false, fd_, size_);
}

int64_t file_reader_t::read(char* out, uint64_t n, uint64_t offset) const
{
    if (fd_ < 0 || offset > uint64_t(INT64_MAX))
        return -1;
    return readUpTo(fd_, out, n, int64_t(offset));
}

} // namespace libutils
