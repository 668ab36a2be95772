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

// Makes a GL context current (a hidden freeglut window with GLEW), once per
// process. Needs an X display: run GL targets under xvfb-run -a.
void glContext();

} // namespace vykfuzz
