#pragma once
// STL meshes, text and binary: reading one file into one polygon model of a
// scene, and writing polygon models back as STL.
//
// Every triangle read gets three vertices of its own (grey, texture
// coordinate 0,0), one flat tangent frame shared by its corners and the four
// elements i0, i1, i2, 0xFFFFFFFF. Normals stored in the file are ignored.

#include "sceneio/scene.h"

#include <cstdint>
#include <iosfwd>
#include <string>

// Reads fileName as STL and appends one polygon model (kind 0) to
// scene.models. A file whose size is exactly 84 + 50 x the count at byte 80
// is binary whatever its first bytes; any other file is text when it begins
// with "solid", else binary.
// Returns false, with no message, when the file cannot be opened or read or
// the surface cannot be allocated; a text file that ends inside a facet
// prints "num: " and the last line number read, and returns false. A binary
// file shorter than its count loads the whole triangles it holds and prints
// one line saying so. After a failure the appended model may stay in
// scene.models; the caller destroys it.
// Safe on untrusted input: counts from the file never drive an allocation the
// file cannot fill, and no number is read past the end of its line.
// A regular file of 84 bytes or more is read in pieces of a few megabytes
// (a text file twice: counted, then read), never whole; only a malformed
// text file, whose facets run past the piece they begin in, is then read
// again whole, in order.
bool readStl(const std::string& fileName, scene_t& scene);

// Starts counting the large text STL files among the first `count` of
// `names` (those named ".stl"; the first of readStl's two passes) on a thread
// of its own, so that readStl finds their counts made: for a program to call
// before it makes its GL context. Prints nothing and changes nothing readStl
// reports: it takes a file's count once, and only while the file is
// unchanged since it was counted (same inode, size and times); otherwise it
// counts the file itself. Only the first call starts anything.
void prefetchStl(int count, char* const* names);
// Ends the counting ahead: counts not taken yet are freed, and readStl counts
// every file itself from now on.
void endPrefetchStl();

// The two readers behind readStl, for streams. Each reads the rest of `in`:
// the binary reader expects the stream after the first five bytes of the
// file, the text reader the stream after "solid"; the size rule does not
// apply. Same results and messages as readStl ("stl" stands for the file
// name), except that the new model is left for the caller to finish: open
// its texture set and update its polygon, as readStl does.
bool readStlBinary(std::istream& in, scene_t& scene);
bool readStlText(std::istream& in, scene_t& scene);

// Writes the triangles of the models' polygon surfaces (walked as triangle
// strips separated by 0xFFFFFFFF) as binary STL, with the file name (or
// headerName when given: the name a file written under a temporary name
// will have) as the 80-byte header. Returns false, with no message, when the
// file cannot be opened or a write fails (e.g. a full disk); the file is
// closed either way. Needs a current GL context.
bool writeStlBinary(const std::string& fileName, const model_list_t& models, const char* headerName = nullptr);
// The same for the polygon surface of one model.
bool writeStlBinary(const std::string& fileName, const model_t& model, const char* headerName = nullptr);

// The same as text STL: "solid <name>", one facet per triangle in scientific
// notation, "endsolid ", CR LF line ends.
bool writeStlText(const std::string& fileName, const model_list_t& models, const char* headerName = nullptr);
