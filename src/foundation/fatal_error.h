// The one exception the libraries throw: a condition the process cannot go
// on from (a built-in shader that does not build, a file that exists but
// cannot be mapped, a file the start needs that does not load). Code below
// the programs never ends the process; it throws this, and each program's
// main reports the message and ends with the status.
#pragma once

#include <stdexcept>
#include <string>

namespace libutils
{

class fatal_error_t : public std::runtime_error
{
  public:
    // `message` is what main reports, without a final newline (it may hold
    // several lines); empty when the message went to the sink already.
    fatal_error_t(int status, const std::string& message) : std::runtime_error(message), status_(status) {}

    // The process's exit status: 0 to 255.
    int status() const noexcept { return status_; }

  private:
    int status_;
};

// For main: reports the message of `e` (when not empty) as one line to the
// diagnostics sink and returns the status to end with.
int endWith(const fatal_error_t& e);

} // namespace libutils
