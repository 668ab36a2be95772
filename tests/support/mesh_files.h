#pragma once
// Bytes of binary mesh files written by the tests.
#include <initializer_list>
#include <string>

namespace assimptest
{

// The floats' bytes, as a binary file stores them on this machine.
inline std::string floats(std::initializer_list<float> values)
{
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(float));
}

} // namespace assimptest
