#pragma once
// One loaded scene file: its surface records and its environment, and the
// entry points that read a file into it.

#include "model/environment.h"
#include "model/nurbs.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "sceneio/line_reader.h"

#include <cstdint>
#include <iosfwd>
#include <list>
#include <memory>
#include <string>

namespace vyk3d
{
class frame_pass_t;
}

// One surface of a scene. The loaders make it and append it to the scene's
// models before the section that fills it is read.
struct model_t {
    enum : uint32_t { Polygon = 0, Nurbs = 1 };

    explicit model_t(uint32_t kind_ = Polygon);
    model_t(const model_t&) = delete;
    model_t& operator=(const model_t&) = delete;

    // The surface chosen by kind: polygon (0), nurbs (1), null otherwise.
    vyk3d::modeling_t* surface();
    const vyk3d::modeling_t* surface() const;

    uint32_t kind;
    vyk3d::texture_t texture;
    // The file's vertices for a polygon surface, the evaluated mesh for a
    // NURBS surface.
    vyk3d::polygon_t polygon;
    // Refers to this record's texture and polygon; used only for kind 1.
    vyk3d::nurbs_t nurbs;
};

// The surfaces of a scene, in file order; the list owns them.
using model_list_t = std::list<std::unique_ptr<model_t>>;

// The target of one load. The loaders append to models and never remove.
struct scene_t {
    vyk3d::environment_t environment;
    model_list_t models;

    // Appends an empty record of `kind` and returns it.
    model_t& addModel(uint32_t kind);

    // Destroys every record and empties the list. The records hold GL names:
    // call it while the context is current (the destructor does the same).
    void destroyModels();
};

// Loads one file into `scene`, choosing the reader by the file name's ending
// in any letter case: ".stl" goes to readStl (which prints its own messages
// to stderr), ".vyk" to readSceneText, the endings of kAssimpFormats to
// readAssimp. Any other ending prints "file extension not recognized." to
// `err` and returns false; a name of PATH_MAX bytes or more, which no file
// can have, prints "<name>: the name is longer than 4095 bytes." and
// returns false. A file of a known ending that cannot be opened first gets
// its reason, "<file>: <system text>." (as "No such file or directory."),
// then the reader's own lines.
// Needs a current GL context and an initialised `framePass`, which computes
// the tangent frames of NURBS surfaces. Records appended before a failure
// stay in scene.models. Safe on untrusted input.
bool loadScene(scene_t& scene, const std::string& fileName, vyk3d::frame_pass_t& framePass, std::ostream& err);

// Whether the mesh readers keep surfaces in their full records instead of
// the compact form: VYK_FULL_RECORDS set (to anything) says so, for tests
// and benchmarks that compare the two.
bool fullRecordsWanted();

// Reads a whole .vyk file. Returns false when the file cannot be opened
// ("<file>: file open error."), when it holds no section that loaded, or as
// soon as a section fails; messages about single lines ("<n>: illegal
// command: <line>", "<n>: position parm is not set. <line>", "unknown line:
// <line>") go to `err` and never stop the read.
// Safe on untrusted input; these fail the load with one line each:
// - header counts the rest of the file cannot fill, for arrays above
//   smallSectionBytes, checked before anything is allocated (smaller ones
//   are read, and a short one reports each short array at "end"):
//   ("<n>: polygon counts exceed what the file holds: <line>",
//   likewise "nurbs counts"), a NURBS order of 0 or above its control-point
//   count ("<n>: nurbs order out of range: <line>"), a header with too few
//   counts ("<n>: polygon header needs two counts: <line>");
// - a "resolution" outside 2..nurbs_t::maxResolution or above
//   nurbs_t::maxGridVertices vertices ("<n>: resolution out of range ...");
// - a value list that ends right after a separator, such as "position 1,2,"
//   or "element " ("<n>: line ends after a separator: <line>"); a list that
//   merely stops early ("position 1,2") reads its missing values as 0;
// - a line longer than maxSceneLine ("<n>: line too long.").
// No value is read past its line, and expressions of any nesting depth are
// evaluated without recursion.
bool readSceneText(scene_t& scene, const std::string& fileName, vyk3d::frame_pass_t& framePass, std::ostream& err);

// The section readers. Each is entered with the section's header line in
// currentLine, reads up to and including the line that ends the section
// (advancing lineCounter by one per line) and reports to `err` as described
// for readSceneText. `in` must be the scene file being read; the readers use
// its remaining size to refuse counts the file cannot fill.
bool readEnvironment(const std::string& fileName, scene_t& scene, uint64_t& lineCounter, std::string& currentLine,
                     std::istream& in, std::ostream& err);
bool readNurbsSurface(const std::string& fileName, vyk3d::nurbs_t& nurbs, vyk3d::texture_t& texture,
                      vyk3d::polygon_t& polygon, vyk3d::frame_pass_t& framePass, uint64_t& lineCounter,
                      std::string& currentLine, std::istream& in, std::ostream& err);
bool readPolygonSurface(const std::string& fileName, vyk3d::texture_t& texture, vyk3d::polygon_t& polygon,
                        uint64_t& lineCounter, std::string& currentLine, std::istream& in, std::ostream& err);
