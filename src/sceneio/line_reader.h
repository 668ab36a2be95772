#pragma once
// Line input of the scene text reader: one line at a time, with a bound on
// its length, and the remaining size of the file for sanity checks of counts.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

// Longest line the scene text reader accepts, in bytes without the line
// feed. Real lines are a few dozen bytes; a longer one is not a scene file.
constexpr size_t maxSceneLine = size_t(1) << 20;

enum class line_status_t {
    Line,    // a line was read (the last one may lack its line feed)
    End,     // end of input with nothing read; the stream's failbit is set
    TooLong, // more than the limit before a line feed; the stream's failbit is set
};

// Reads up to the next line feed into `line` (the line feed is dropped; a
// carriage return stays). Bytes are taken as they are, zero bytes included.
// Never stores more than maxLength bytes: a longer line gives TooLong, with
// `line` holding its first maxLength bytes. Safe on untrusted input.
line_status_t readLine(std::istream& in, std::string& line, size_t maxLength);

// Bytes between the stream's read position and its end (0 once it was read
// to its end), or UINT64_MAX when the stream cannot tell (not seekable).
// Leaves the position unchanged.
uint64_t remainingBytes(std::istream& in);
