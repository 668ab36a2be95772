// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vykfuzz
{

// Writes the input to one file per process (under $TMPDIR or /tmp, removed
// at exit) whose name ends in `extension`, and returns its path. Aborts when
// the file cannot be written: a fuzz run without its input is meaningless.
std::string inputFile(const uint8_t* data, size_t size, const char* extension);

// Makes a GL context current as vykshot does (openGLContext), once per
// process; aborts when none can be had.
void glContext();

} // namespace vykfuzz
