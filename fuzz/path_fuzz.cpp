// The path splitter on arbitrary names: the parts join back to the name.
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
    if (p.drive + p.directory + p.base + p.extension != name)
        std::abort();
    std::string trimmed = name;
    trimRight(trimmed);
    hasExtension(name, ".vyk");
    return 0;
}
