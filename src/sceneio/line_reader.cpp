#include "sceneio/line_reader.h"

#include <istream>
#include <vector>

line_status_t readLine(std::istream& in, std::string& line, size_t maxLength)
{
    line.clear();
    if (!in.good()) {
        in.setstate(std::ios::failbit);
        return line_status_t::End;
    }
    // istream::getline scans the stream's buffer for the line feed in bulk;
    // it needs a buffer one byte longer than the longest line it may store.
    thread_local std::vector<char> buffer;
    if (buffer.size() < maxLength + 1)
        buffer.resize(maxLength + 1);
    in.getline(buffer.data(), static_cast<std::streamsize>(maxLength + 1));
    const std::streamsize taken = in.gcount();
    if (taken == 0) {
        // Nothing was extracted: the end of the input (failbit is set).
        in.setstate(std::ios::failbit);
        return line_status_t::End;
    }
    if (in.fail()) {
        // maxLength bytes were stored and no line feed followed.
        line.assign(buffer.data(), maxLength);
        in.setstate(std::ios::failbit);
        return line_status_t::TooLong;
    }
    // gcount includes the line feed when one ended the line.
    const bool feed = !in.eof();
    line.assign(buffer.data(), static_cast<size_t>(taken) - (feed ? 1 : 0));
    return line_status_t::Line;
}

uint64_t remainingBytes(std::istream& in)
{
    // A stream read to its end holds nothing more, though it no longer tells
    // its position: a header on the last line sizes no buffer.
    if (in.eof())
        return 0;
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1))
        return UINT64_MAX;
    in.seekg(0, std::ios::end);
    const std::istream::pos_type last = in.tellg();
    in.seekg(here);
    if (last == std::istream::pos_type(-1) || last < here)
        return UINT64_MAX;
    return static_cast<uint64_t>(last - here);
}
