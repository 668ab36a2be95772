// The path splitter on arbitrary names: parts stay bounded and zero-ended,
// and a name whose parts were not cut joins back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name(reinterpret_cast<const char*>(data), size);
    name = name.c_str(); // names end at their first zero byte
    splitpath_t p = splitPath(name.c_str());
    const char* parts[] = {p.drive, p.directory, p.base, p.extension};
    std::string joined;
    bool cut = false;
    for (const char* part : parts) {
        size_t n = strnlen(part, splitpath_t::kPartSize);
        if (n >= splitpath_t::kPartSize)
            std::abort();
        cut = cut || n >= splitpath_t::kPartSize - 4; // may have been cut
        joined += part;
    }
    if (!cut && joined != name)
        std::abort();
    if (joined.size() > name.size())
        std::abort();
    std::string trimmed = name;
    trimRight(trimmed);
    hasExtension(name, ".vyk");
    return 0;
}
