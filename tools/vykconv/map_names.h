#pragma once
// Texture map names of loaded models made fit for a scene text written
// elsewhere.

#include "sceneio/scene.h"

#include <string>

// Renames the maps of `models`, loaded from `input`, for a scene text
// written to `out`: a map embedded in the input (cached, with no file of its
// name) is written beside `out` as "<out without .vyk>_<n>.png", n counting
// from `next`, which is advanced; any other map is named by its path
// relative to out's directory. An imported material's specular colour
// (with no specular map) is written as a one-texel PNG map the same way.
// False, after one line naming the PNG file,
// when one cannot be written.
bool renameMaps(const model_list_t& models, const std::string& input, const std::string& out, unsigned& next);

// `path` relative to the directory `dir`, both taken from the current
// directory when relative, with "." and ".." resolved in the text.
std::string relativePath(const std::string& dir, const std::string& path);
