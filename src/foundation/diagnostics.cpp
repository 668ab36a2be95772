#include "foundation/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <streambuf>
#include <vector>

namespace libutils
{

namespace
{

std::mutex g_lock;
message_capture_t* g_capture = nullptr;
std::string g_last;

// Collects one thread's insertions and reports them a line at a time.
class sink_buffer_t : public std::streambuf
{
  public:
    ~sink_buffer_t() override { sync(); }

  protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) {
            pending.push_back(static_cast<char>(c));
            if (c == '\n')
                sync();
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        pending.append(s, static_cast<size_t>(n));
        if (n > 0 && s[n - 1] == '\n')
            sync();
        return n;
    }
    int sync() override
    {
        if (!pending.empty()) {
            report(pending);
            pending.clear();
        }
        return 0;
    }

  private:
    std::string pending;
};

} // namespace

void report(std::string_view text)
{
    if (text.empty())
        return;
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_capture) {
        g_capture->kept.append(text);
    } else {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
    // The last whole line: a progress line, which ends without '\n', keeps
    // the one before.
    if (text.back() != '\n')
        return;
    const std::string_view body = text.substr(0, text.size() - 1);
    const size_t start = body.rfind('\n');
    g_last.assign(start == std::string_view::npos ? body : body.substr(start + 1));
}

void reportf(const char* format, ...)
{
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        va_end(again);
        report(std::string_view(small, static_cast<size_t>(n)));
        return;
    }
    std::vector<char> large(static_cast<size_t>(n) + 1);
    std::vsnprintf(large.data(), large.size(), format, again);
    va_end(again);
    report(std::string_view(large.data(), static_cast<size_t>(n)));
}

std::ostream& diagnostics()
{
    thread_local sink_buffer_t buffer;
    thread_local std::ostream stream(&buffer);
    return stream;
}

std::string lastMessage()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_last;
}

message_capture_t::message_capture_t()
{
    std::lock_guard<std::mutex> hold(g_lock);
    outer = g_capture;
    g_capture = this;
}

message_capture_t::~message_capture_t()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_capture = outer;
}

std::string message_capture_t::text() const
{
    std::lock_guard<std::mutex> hold(g_lock);
    return kept;
}

} // namespace libutils
