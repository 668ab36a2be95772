#include "textures/file_buffer.h"

#include "foundation/diagnostics.h"
#include "foundation/file_read.h"

#include <cstdio>

namespace libgr
{

bool loadWholeFile(grByteVector& out, const char* name, uint64_t& size)
{
    out.release();
    const auto reserve = [&](uint64_t n) -> char* {
        return out.allocate(n, nullptr, 1, 0, true) ? reinterpret_cast<char*>(out.data()) : nullptr;
    };
    using libutils::file_status_t;
    const file_status_t status = libutils::readWholeFile(name, reserve, size);
    if (status != file_status_t::Ok) {
        const bool stat = status == file_status_t::Missing || status == file_status_t::NotRegular;
        libutils::reportf("%s: %s\n", name ? name : "(null)", stat ? "file stat failed." : "file load failed.");
        out.release();
        return false;
    }
    if (size < out.size() && !out.reallocate(size)) { // cut short while read
        out.release();
        return false;
    }
    return true;
}

bool grFileBuffer::load(const char* name)
{
    fname = name;
    uint64_t size = 0;
    return loadWholeFile(bytes, name, size);
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
