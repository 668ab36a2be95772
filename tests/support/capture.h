#pragma once

// What a piece of code reports to the diagnostics sink (stderr outside a
// test).

#include "foundation/diagnostics.h"

#include <string>

namespace vyktest
{

template <class F> std::string stderrOf(F&& body)
{
    libutils::message_capture_t capture;
    body();
    return capture.text();
}

} // namespace vyktest
