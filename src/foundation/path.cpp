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

// Copies [first, last) into a part, cut to 259 bytes without splitting a
// UTF-8 character (continuation bytes are 10xxxxxx).
void setPart(char* part, const char* first, const char* last)
{
    size_t n = static_cast<size_t>(last - first);
    const size_t room = splitpath_t::kPartSize - 1;
    if (n > room) {
        n = room;
        // A UTF-8 character has at most three continuation bytes; more in a
        // row is not UTF-8, and the plain byte cut stands.
        size_t back = 0;
        while (back < 3 && (static_cast<unsigned char>(first[n - back]) & 0xC0) == 0x80)
            ++back;
        if ((static_cast<unsigned char>(first[n - back]) & 0xC0) != 0x80)
            n -= back;
    }
    std::memcpy(part, first, n);
    part[n] = '\0';
}

} // namespace

splitpath_t splitPath(const char* name)
{
    splitpath_t parts;
    parts.drive[0] = parts.directory[0] = parts.base[0] = parts.extension[0] = '\0';
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
