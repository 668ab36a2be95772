#include "sceneio/key_line.h"

#include "sceneio/evaluate.h"
#include "sceneio/number_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

bool isIgnoredLine(const std::string& line)
{
    return line.empty() || line[0] == '#' || line == "\r";
}

namespace
{

// strtoul with base 0 as it reads where unsigned long has 32 bits, which is
// what the format's integers are: a value above 4294967295 gives 4294967295
// rather than its low bits (a count of 4294967299 must not read as 3), and a
// minus sign negates modulo 2^32 (-1 is 4294967295).
uint32_t readUnsigned32(const char*& p)
{
    char* after = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(p, &after, 0);
    const bool outOfRange = errno == ERANGE;
    const char* sign = p;
    while (std::isspace(static_cast<unsigned char>(*sign)))
        ++sign;
    const unsigned long long magnitude = *sign == '-' ? 0 - v : v;
    p = after;
    return outOfRange || magnitude > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

// Nothing but blanks and carriage returns up to the end of the line.
bool blankTail(const char* p, const char* end)
{
    for (; p < end; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r')
            return false;
    return true;
}

} // namespace

key_line_t::key_line_t(const std::string& line, size_t start)
    : p_(line.c_str() + (start < line.size() ? start : line.size())), end_(line.c_str() + line.size())
{
}

key_line_t::key_line_t(const std::string& line) : key_line_t(line, line.size())
{
    const size_t space = line.find(' ');
    if (space == std::string::npos) {
        hasValues_ = false;
        return;
    }
    p_ = line.c_str() + space + 1;
}

bool key_line_t::next()
{
    if (!first_) {
        if (p_ >= end_) {
            missing_ = true;
            return false;
        }
        ++p_; // the separator, whatever it is
    }
    if (blankTail(p_, end_)) {
        // A value list may end without its last values (they read as 0),
        // but not right after a separator or the key's blank.
        if (!(first_ && !hasValues_))
            cut_ = true;
        missing_ = true;
        first_ = false;
        return false;
    }
    first_ = false;
    return true;
}

uint32_t key_line_t::integer()
{
    if (!next())
        return 0;
    // The line's own terminating zero stops the number at end_ at the latest.
    return readUnsigned32(p_);
}

float key_line_t::real()
{
    if (!next())
        return 0.0f;
    const char* after = nullptr;
    const double v = readDouble(p_, &after);
    p_ = after;
    return static_cast<float>(v);
}

float key_line_t::expression()
{
    if (!next())
        return 0.0f;
    const char* after = nullptr;
    const float v = evaluate(p_, &after);
    p_ = after;
    return v;
}

bool key_line_t::flag()
{
    if (!next())
        return false;
    if (std::strncmp(p_, "true", 4) == 0) {
        p_ += 4;
        return true;
    }
    return readUnsigned32(p_) != 0;
}

std::string key_line_t::path(const std::string& line)
{
    const size_t space = line.find(' ');
    if (space == std::string::npos)
        return std::string();
    size_t last = line.size();
    if (last > space + 1 && line[last - 1] == '\r')
        --last;
    return line.substr(space + 1, last - space - 1);
}

namespace
{

// pi / 180 as the scene files have always used it.
const double degreesToRadians = 0.017453292519943122;

float radians(float degrees)
{
    return static_cast<float>(static_cast<double>(degrees) * degreesToRadians);
}

} // namespace

pos3 circlePoint(float r, float thetaDegrees, float z)
{
    const float t = radians(thetaDegrees);
    return pos3{-r * std::sin(t), r * std::cos(t), z};
}

pos3 spherePoint(float r, float thetaDegrees, float phiDegrees)
{
    const float t = radians(thetaDegrees);
    const float p = radians(phiDegrees);
    const float st = std::sin(t);
    return pos3{-r * st * std::sin(p), r * st * std::cos(p), r * std::cos(t)};
}
