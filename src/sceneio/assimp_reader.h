#pragma once
// Mesh formats read through the assimp library (OBJ, PLY, OFF, glTF, 3MF,
// Collada and more): each mesh placed in the file's node tree becomes one
// polygon model of the scene.

#include <cstdint>
#include <iosfwd>
#include <string>

struct scene_t;

// The endings read through assimp, lower case, without dots.
extern const char* const kAssimpFormats[];

// True when fileName ends (in any letter case) in "." and one of
// kAssimpFormats.
bool isAssimpFormat(const std::string& fileName);

// The most triangles one import may bring, all meshes together (a node tree
// can place one mesh any number of times): beyond it a file is refused
// rather than allocated. Each takes 216 bytes of buffers.
const uint64_t kMaxImportTriangles = uint64_t(1) << 25;

// Imports fileName and appends one polygon model (kind 0) per mesh of each
// node, with the node's transform applied, triangle by triangle: three
// vertices of its own a triangle, elements 3k, 3k+1, 3k+2 and the restart
// index. Vertices take positions, the first texture coordinates and the
// first vertex colours, or the material's diffuse colour; frames take the
// normals (smooth normals are made where the file has none) with tangents
// from the texture coordinates, or any tangent perpendicular to the normal.
// The material's colour, bump (normal or height) and specular maps become
// the texture set: files named relative to the model, or PNG and JPEG
// images embedded in it, cached under "<model path>*<index>". A map that
// is not found is left out with one line; one that does not decode gets
// the built-in map in its place (see texture_t::open). Lines and points become
// models of their own (polygon_t::primitive Lines or Points, with zero frames,
// so drawn unlit in their colours); a mesh of vertices without faces is a
// point cloud. Faces of any other kind are left out with one line.
// Returns false after printing "<file>: <reason>" to `err` when the library
// refuses the file, when a face refers to a vertex the file does not have
// ("a face refers to a vertex the file does not have."), when its declared
// counts exceed what it holds ("declared
// counts exceed what the file holds."), when it is PLY with a header the
// library would loop on ("PLY header not understood."), or when
// it brings more than kMaxImportTriangles; true with no model for a file
// without triangles, lines or points. The library runs in a child process (see sandbox.h)
// that may read files but write none, within defaultSandboxLimits(); when
// the child gives no result the import fails with one line:
// "<file>: the importer crashed.", "<file>: the import took longer than
// <seconds> s.", "<file>: the import needed more than <n> MB.", "<file>: the
// importer ended without a result." or "<file>: the importer could not be
// started.". While it runs, "<file>: still importing." every 10 s. Safe on
// untrusted files: nothing the library does there ends or stops the caller
// beyond the limits. Needs a current GL context.
bool readAssimp(const std::string& fileName, scene_t& scene, std::ostream& err);
