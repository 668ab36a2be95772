// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct scene_t;
namespace vyk3d
{
class frame_pass_t;
}

namespace vykfuzz
{

// Writes the input to one file per process (under $TMPDIR or /tmp, removed
// at exit) whose name ends in `extension`, and returns its path. Aborts when
// the file cannot be written: a fuzz run without its input is meaningless.
std::string inputFile(const uint8_t* data, size_t size, const char* extension);

// Makes a GL context current as vykshot does (openGLContext), once per
// process; aborts when none can be had.
void glContext();

// The loaders' GPU frame pass, made once with glContext().
vyk3d::frame_pass_t& framePass();

// Loads the bytes as a scene file with the given ending ("<bytes>" for
// scene text, ".stl"). Messages go nowhere.
bool loadBytes(scene_t& scene, const uint8_t* data, size_t size, const char* extension);

} // namespace vykfuzz
