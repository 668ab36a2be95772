#include "view/directory_part.h"

#include <cstring>

void directoryPart(const char* name, char (&out)[kDirectoryPartSize])
{
    std::memset(out, 0, sizeof out);
    if (!name)
        return;
    std::size_t end = 0; // one past the last separator seen
    for (std::size_t i = 0; i + 1 < kDirectoryPartSize && name[i] != '\0'; ++i) {
        if (name[i] == '/' || name[i] == '\\')
            end = i + 1;
    }
    std::memcpy(out, name, end);
}
