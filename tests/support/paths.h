#pragma once

#include <string>

namespace vyktest
{

// Absolute path of a program built by this project ("vykview", "vykshot", ...).
inline std::string programPath(const std::string& name)
{
    return std::string(VYK_BINARY_DIR) + "/" + name;
}

// Absolute path of a file in the source tree ("examples/demo.vyk").
inline std::string sourcePath(const std::string& relative)
{
    return std::string(VYK_SOURCE_DIR) + "/" + relative;
}

} // namespace vyktest
