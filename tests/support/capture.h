#pragma once

// What a piece of code writes to the standard streams.

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

template <class F> std::string stdoutOf(F&& body)
{
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

} // namespace vyktest
