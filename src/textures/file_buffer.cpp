#include "textures/file_buffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace libgr
{

bool mapWholeFile(grByteVector& out, const char* name, uint64_t& size)
{
    out.release();
    size = 0;
    // The mapping allocator ends the process on a file it cannot open or
    // map, so anything that is not a readable regular file is refused here
    // as a plain failure (a directory passes open() but not mmap()).
    struct stat st;
    if (!name || stat(name, &st) != 0 || !S_ISREG(st.st_mode)) {
        fprintf(stderr, "%s: file stat failed.\n", name ? name : "(null)");
        return false;
    }
    int fd = open(name, O_RDONLY);
    if (fd < 0) {
        fprintf(stderr, "%s: file load failed.\n", name);
        return false;
    }
    close(fd);
    if (st.st_size == 0)
        return true; // an empty view: every decoder refuses it by its size
    if (!out.allocate(0, name, 0, 0, false)) {
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
