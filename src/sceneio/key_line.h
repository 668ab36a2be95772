#pragma once
// The values of one key line of a scene text file ("position 1,2*3,4"): the
// matching rule for keys and the value types integer, real, expression, flag
// and path. Pure text handling; nothing here touches a surface.

#include "foundation/math.h"

#include <cstdint>
#include <cstring>
#include <string>

// A line begins with a keyword when its first characters equal it exactly.
// Inline so that the length of a literal key folds to a constant.
inline bool beginsWithKey(const std::string& line, const char* key)
{
    const size_t n = std::strlen(key);
    return line.size() >= n && std::memcmp(line.data(), key, n) == 0;
}

// True for the lines every reader skips: a comment ("#..."), an empty line
// and a line of a single carriage return.
bool isIgnoredLine(const std::string& line);

// Walks the values of a list that follow one another with exactly one
// separator character between them. Reads never go past the end of the line:
// a value that is missing because the line ended reads as 0 (or false) and
// sets missing(); a value list that ends right after a separator (nothing
// but blanks or a carriage return follow it) sets cut() - the sign of a line
// that was cut short.
class key_line_t
{
  public:
    // Values start at `start` (normally just after the first space).
    key_line_t(const std::string& line, size_t start);
    // Values start after the first space; a line without one has none
    // (hasValues() is false, which is the "not set" case of the readers).
    explicit key_line_t(const std::string& line);

    bool hasValues() const { return hasValues_; }
    bool cut() const { return cut_; }
    bool missing() const { return missing_; }

    // strtoul with base 0 in 32 bits: -1 is 4294967295, and so is any value
    // above it.
    uint32_t integer();
    // strtod, rounded to float.
    float real();
    // One expression (evaluate), which itself stops at "," or "\r".
    float expression();
    // "true..." is true; otherwise an integer that is true when not 0.
    bool flag();

    // The rest of the line after the first space without one carriage return
    // at its very end; empty when the line has no space.
    static std::string path(const std::string& line);

  private:
    // Positions the cursor at the next value; false when there is none.
    bool next();

    const char* p_;
    const char* end_;
    bool first_ = true;
    bool hasValues_ = true;
    bool cut_ = false;
    bool missing_ = false;
};

// Control points and vertices given by angles in degrees. The angle is turned
// into radians in double precision, then rounded to float before sine and
// cosine are taken in single precision.
// (-r sin t, r cos t, z)
pos3 circlePoint(float r, float thetaDegrees, float z);
// (-r sin t sin p, r sin t cos p, r cos t)
pos3 spherePoint(float r, float thetaDegrees, float phiDegrees);
