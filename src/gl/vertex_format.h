#pragma once

// The vertex layout the whole program shares: attribute kinds with their
// component counts, GL types and normalisation, and the vertex formats built
// from them. The GLSL programs declare their inputs at the locations these
// formats produce (see attribute_array_t::bindAttributes).

#include "foundation/refvector.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace vyk3d
{

// One attribute kind; a record lays its kinds' components one after another
// in 4-byte words, without padding.
enum class element_t : uint32_t {
    Position = 0,  // 3 floats
    Normal = 1,    // 3 floats, normalized
    RGBA = 2,      // 4 floats, normalized
    TexCoord3 = 3, // 3 floats
    TexCoord2 = 4, // 2 floats
    PointSize = 5, // 1 float
    ID = 6,        // 1 unsigned int
    Vector3w = 7,  // 4 words, no GL type
    Matrix3w = 8,  // 16 words, no GL type
};

// Kind name as spelled in the enumeration ("Position"); "" above Matrix3w.
const char* elementName(element_t kind);
// Component count in 4-byte words; 0 above Matrix3w.
uint32_t elementWords(element_t kind);
// GL component type (GL_FLOAT, GL_UNSIGNED_INT), 0 for Vector3w, Matrix3w
// and kinds above Matrix3w.
uint32_t elementType(element_t kind);
// Whether GL normalizes the components.
bool elementNormalized(element_t kind);

// An ordered list of kinds. Formats are shared by copying (reference
// counted); each format the program uses is built once (the functions
// below) and lives for the run.
using vertex_format_t = libutils::refvector2<element_t, libutils::alloc_mmap>;

// A new format holding `kinds` in order; empty when no storage can be had.
vertex_format_t makeFormat(std::initializer_list<element_t> kinds);
vertex_format_t makeFormat(const element_t* kinds, size_t count);

// Words per record: the sum of the kinds' words.
uint32_t formatStride(const vertex_format_t& format);

// The formats in use, built on first call.
const vertex_format_t& vertexFormat();       // Position, RGBA, TexCoord2 (9)
const vertex_format_t& frameFormat();        // Normal x3: tangent, binormal, normal (9)
const vertex_format_t& workFrameFormat();    // Normal x4: two tangent/binormal pairs (12)
const vertex_format_t& pointSizeFormat();    // PointSize (1)
const vertex_format_t& controlPointFormat(); // Position, RGBA (7)
const vertex_format_t& positionFormat();     // Position (3): compact surfaces
const vertex_format_t& facetNormalFormat();  // Normal (3): one a triangle

} // namespace vyk3d
