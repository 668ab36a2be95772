#include "textures/file_buffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace libgr
{

bool mapWholeFile(grByteVector& out, const char* name, uint64_t& size)
{
    out.release();
    size = 0;
    // Anything that is not a regular file (a directory passes open()) is a
    // plain failure.
    struct stat st;
    if (!name || stat(name, &st) != 0 || !S_ISREG(st.st_mode)) {
        fprintf(stderr, "%s: file stat failed.\n", name ? name : "(null)");
        return false;
    }
    int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "%s: file load failed.\n", name);
        return false;
    }
    if (st.st_size == 0) {
        close(fd);
        return true; // an empty view: every decoder refuses it by its size
    }
    // Read, not mapped: a viewer reads files that editors may be saving, and
    // a mapped file truncated under the reader ends it with SIGBUS. A file
    // that shrank keeps what was read; one that grew, what it had at stat.
    uint64_t got = 0;
    bool ok = out.allocate(uint64_t(st.st_size), nullptr, 1, 0, false);
    while (ok && got < out.size()) {
        const ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += uint64_t(n);
    }
    close(fd);
    if (!ok || (got < out.size() && !out.reallocate(got))) {
        fprintf(stderr, "%s: file load failed.\n", name);
        return false;
    }
    size = out.size();
    return true;
}

bool grFileBuffer::load(const char* name)
{
    fname = name;
    uint64_t size = 0;
    return mapWholeFile(bytes, name, size);
}

bool grFileBuffer::save(const char* name) const
{
    FILE* f = fopen(name, "wb");
    if (!f)
        return false;
    uint64_t n = bytes.size();
    bool ok = n == 0 || fwrite(bytes.data(), 1, n, f) == n;
    ok = fflush(f) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    return ok;
}

} // namespace libgr
