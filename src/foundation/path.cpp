#include "foundation/path.h"

#include <strings.h>

#include <cstring>

int beginsWith(const char* text, const char* keyword)
{
    if (!text)
        return keyword && *keyword ? -1 : 0;
    return std::strncmp(text, keyword, std::strlen(keyword));
}

int beginsWith(const std::string& text, const char* keyword)
{
    return beginsWith(text.c_str(), keyword);
}

int hasExtension(const char* name, size_t length, const char* ending)
{
    if (!name)
        return -1;
    size_t n = std::strlen(ending);
    if (n > length)
        return -1;
    return strncasecmp(name + length - n, ending, n);
}

int hasExtension(const char* name, const char* ending)
{
    if (!name)
        return -1;
    return hasExtension(name, std::strlen(name), ending);
}

int hasExtension(const std::string& name, const char* ending)
{
    return hasExtension(name.data(), name.size(), ending);
}

namespace
{

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}
bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void setPart(std::string& part, const char* first, const char* last)
{
    part.assign(first, last);
}

} // namespace

splitpath_t splitPath(const char* name)
{
    splitpath_t parts;
    if (!name)
        return parts;
    const char* p = name;
    const char* end = name + std::strlen(name);

    // Only a drive letter and ':' at the very start is a drive, so a name such
    // as "v1:sky.jpg" keeps its text.
    if (isLetter(p[0]) && p[1] == ':') {
        setPart(parts.drive, p, p + 2);
        p += 2;
    }

    const char* dirEnd = p;
    for (const char* q = p; q < end; ++q)
        if (isSeparator(*q))
            dirEnd = q + 1;
    setPart(parts.directory, p, dirEnd);
    p = dirEnd;

    const char* dot = nullptr;
    for (const char* q = p; q < end; ++q)
        if (*q == '.')
            dot = q;
    if (dot) {
        setPart(parts.base, p, dot);
        setPart(parts.extension, dot, end);
    } else {
        setPart(parts.base, p, end);
    }
    return parts;
}

namespace
{
bool isTrailing(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}
} // namespace

void trimRight(std::string& text)
{
    size_t n = text.size();
    while (n > 0 && isTrailing(text[n - 1]))
        --n;
    text.resize(n);
}

void trimRight(char* text)
{
    if (!text)
        return;
    size_t n = std::strlen(text);
    while (n > 0 && isTrailing(text[n - 1]))
        --n;
    text[n] = '\0';
}
