#include "view/directory_part.h"

#include <cstring>

std::string directoryPart(const char* name)
{
    if (!name)
        return std::string();
    std::size_t end = 0; // one past the last separator seen
    for (std::size_t i = 0; name[i] != '\0'; ++i)
        if (name[i] == '/' || name[i] == '\\')
            end = i + 1;
    return std::string(name, end);
}
