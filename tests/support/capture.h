#pragma once

// What a piece of code writes to stderr.

#include <gtest/gtest.h>

#include <string>

namespace vyktest
{

template <class F> std::string stderrOf(F&& body)
{
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

} // namespace vyktest
