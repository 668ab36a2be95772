#pragma once
// Writing surfaces, and optionally the environment, back to files: the .vyk
// scene text format (read back by readSceneText) or binary STL.
//
// Text conventions: CR LF line ends; floats with up to 6 significant digits
// (the stream's default notation); colours as 8-bit integers (clamped to
// 0..1, NaN counting as 1, times 255 plus 0.5, truncated), a "color" line
// only where the 8-bit colour changes, starting from the reader's default
// (128, 128, 128, 255); flags as "true"/"false"; the strip separator as
// "element -1".
//
// Every writer needs a current GL context (surfaces live in GL buffers) and
// returns false when the file cannot be opened or any write fails (a full
// disk included); the file is closed either way. Only an unrecognised ending
// prints a message ("file extension not recognized.").

#include "sceneio/scene.h"

#include <iosfwd>
#include <list>
#include <string>

// Chooses the format by the ending of fileName, in any letter case: ".stl"
// writes the models as binary STL, ".vyk" as scene text. `headerName`, when
// given, is the name recorded inside an STL file instead of fileName (for
// callers that write to a temporary file first).
bool saveScene(scene_t& scene, const std::string& fileName, const char* headerName = nullptr);
bool saveModels(const model_list_t& models, const std::string& fileName, const char* headerName = nullptr);
bool saveModel(model_t& model, const std::string& fileName, const char* headerName = nullptr);

// Scene text: writeSceneText writes the environment section (when it has a
// name) and an empty line, then every model; writeModelsText every model,
// each followed by an empty line; writeModelText the one model. Each model's
// polygon (and, for a NURBS model, its NURBS surface) takes fileName as its
// name. Models of kinds other than polygon and NURBS, and empty surfaces,
// are skipped.
bool writeSceneText(scene_t& scene, const std::string& fileName);
bool writeModelsText(const model_list_t& models, const std::string& fileName);
bool writeModelText(model_t& model, const std::string& fileName);

// The sections. writeEnvironment writes nothing and returns false when the
// environment has no name. The surface writers write nothing for a surface
// whose counts make it empty. All return whether the stream is still good.
bool writeEnvironment(const vyk3d::environment_t& environment, std::ostream& out);
bool writeNurbsSurface(const vyk3d::nurbs_t& nurbs, std::ostream& out);
bool writePolygonSurface(const vyk3d::texture_t& texture, const vyk3d::polygon_t& polygon, std::ostream& out);
// The texture set lines: "refractfactor", the filter lines ("mipmap",
// "nearlinear", "maglinear", "aniso") whenever any map is named, each named
// map with its options, "mercatorsphere".
bool writeMaterial(const vyk3d::texture_t& texture, std::ostream& out);

// The 8-bit value a colour component is written as.
unsigned quantizeColor(float component);
