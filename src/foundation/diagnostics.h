// The one place every diagnostic goes: the libraries and the programs hand
// their messages to this sink, which writes them to stderr unless a capture
// is in place. A window, a test or the progress line reads them here instead
// of redirecting a stream.
//
// Thread-safe: each call hands over whole text under one lock, so lines from
// two threads never interleave within a line.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace libutils
{

// Hands `text` to the sink unchanged: whole lines ending in '\n', or a
// progress line that rewrites itself ("\r...") and ends without one. Written
// to stderr with one write and no buffering left behind, unless captured.
void report(std::string_view text);

// Formats as printf does and reports the result (any length).
void reportf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// This thread's stream into the sink, for code that writes messages with <<
// and for readers that take a std::ostream for their messages. Text reaches
// the sink when a line ends ('\n' at the end of an insertion) or at a flush
// (std::endl); a thread's unfinished text is reported when the thread ends.
std::ostream& diagnostics();

// The last whole line reported, without its '\n' (a progress line does not
// count); empty before any.
std::string lastMessage();

// While one lives, reported text is kept in it instead of going to stderr;
// the newest capture takes the text and the one before it gets it back when
// it ends. For tests.
class message_capture_t
{
  public:
    message_capture_t();
    ~message_capture_t();
    message_capture_t(const message_capture_t&) = delete;
    message_capture_t& operator=(const message_capture_t&) = delete;

    // Everything reported since this capture began.
    std::string text() const;

  private:
    friend void report(std::string_view text);
    std::string kept;
    message_capture_t* outer;
};

} // namespace libutils
