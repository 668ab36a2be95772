#include "sceneio/line_reader.h"

#include <istream>
#include <streambuf>

line_status readLine(std::istream& in, std::string& line, size_t maxLength)
{
    line.clear();
    std::streambuf* sb = in.rdbuf();
    if (!in.good() || sb == nullptr) {
        in.setstate(std::ios::failbit);
        return line_status::End;
    }
    using traits = std::char_traits<char>;
    bool any = false;
    for (;;) {
        const traits::int_type c = sb->sbumpc();
        if (traits::eq_int_type(c, traits::eof())) {
            // Like std::getline: a last line without a line feed still
            // counts; only an empty read fails the stream.
            in.setstate(any ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
            return any ? line_status::Line : line_status::End;
        }
        any = true;
        const char ch = traits::to_char_type(c);
        if (ch == '\n')
            return line_status::Line;
        if (line.size() >= maxLength) {
            in.setstate(std::ios::failbit);
            return line_status::TooLong;
        }
        line.push_back(ch);
    }
}

uint64_t remainingBytes(std::istream& in)
{
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
