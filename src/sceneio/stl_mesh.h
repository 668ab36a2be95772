#pragma once
// The CPU half of STL reading and writing, on raw arrays: no GL, no files.
// The polygon records filled here are those of a polygon surface: vertices of
// nine floats (x, y, z; r, g, b, a; u, v), frames of nine floats (tangent,
// binormal, normal) and unsigned 32-bit elements, 0xFFFFFFFF between strips.

#include "foundation/bounds.h"
#include "foundation/math.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vyk3d
{

// The most triangles one surface may hold: its 4 elements a triangle must
// stay countable in 32 bits below the restart index.
const uint64_t kMaxTriangles = 0x3FFFFFFFu;

// The corners a fill writes are bounded by blocks of kBoundsBlock triangles,
// which a view's fit reads instead of the positions themselves.
constexpr uint32_t kBoundsBlock = 1 << 6;

// The blocks of a whole fill, which its parts merge theirs into.
struct shared_bounds_t {
    explicit shared_bounds_t(uint64_t triangles) : blocks(size_t((triangles + kBoundsBlock - 1) / kBoundsBlock)) {}
    std::vector<position_bounds_t> blocks;
    std::mutex mutex;
};

// The blocks of triangles first .. last - 1, filled by one part.
class part_bounds_t
{
  public:
    part_bounds_t(uint32_t first, uint32_t last)
        : firstBlock_(first / kBoundsBlock), blocks_(last > first ? (last - 1) / kBoundsBlock - firstBlock_ + 1 : 0)
    {
    }
    void add(uint32_t triangle, const pos3& p) { blocks_[triangle / kBoundsBlock - firstBlock_].add(p); }
    // Merges the part's blocks into `shared` (none: nothing).
    void mergeInto(shared_bounds_t* shared) const
    {
        if (!shared)
            return;
        std::lock_guard<std::mutex> lock(shared->mutex);
        for (size_t k = 0; k < blocks_.size() && firstBlock_ + k < shared->blocks.size(); ++k)
            shared->blocks[firstBlock_ + k].merge(blocks_[k]);
    }

  private:
    size_t firstBlock_;
    std::vector<position_bounds_t> blocks_;
};

// Where triangle i of a reader goes: vertices and frames 3i..3i+2,
// elements 4i..4i+3 (none are written when `elements` is null). A triangle
// whose frame gets no normal (its corners on one line) sets `zeroNormal`,
// and a whole fill merges the bounds of its corners into `bounds`, when
// there are those. With `positions` set, the fill writes the compact form
// instead of vertices and frames: positions 3i..3i+2 (three floats each)
// and the triangle's normal at `normals` + 3i.
struct mesh_arrays_t {
    float* vertices;
    float* frames;
    uint32_t* elements;
    std::atomic<bool>* zeroNormal = nullptr;
    shared_bounds_t* bounds = nullptr;
    float* positions = nullptr;
    float* normals = nullptr;
};

// Writes triangle i with corners c (x, y, z three times): grey vertices at
// texture coordinate (0, 0), one flat frame (flatFrame) for all three
// corners, elements 3i, 3i+1, 3i+2 and the restart index; in the compact
// form the corners and the frame's normal. The corners go into `bounds`.
void fillTriangle(const mesh_arrays_t& a, uint32_t i, const float c[9], part_bounds_t& bounds);

// The number of whole triangles a binary file of `size` bytes (at least 84)
// holds: the count at byte 80, cut to what the file holds and to
// kMaxTriangles. A cut count is reported on stderr as one line naming `name`.
uint32_t binaryTriangleCount(const char* data, size_t size, const std::string& name);
// Fills n triangles from the records after the 84-byte header.
void fillBinary(const char* data, uint32_t n, const mesh_arrays_t& a);
// Fills triangles first .. first + count - 1 from `count` 50-byte records.
void fillBinaryRecords(const char* records, uint32_t first, uint32_t count, const mesh_arrays_t& a);

// Text STL after its first line: [begin, end) starts at the second line.
// countFacets counts the lines holding "facet normal ". fillText reads that
// many facets; when the text ends inside one it prints "num: " and the last
// line number read (the "solid" line being line 1) and returns false.
// Numbers are never read past the end of their line; a missing one reads 0.
uint64_t countFacets(const char* begin, const char* end);

// What the counting pass sees: the lines holding "facet normal ", those
// holding "vertex ", and all lines. Reading F facets takes 3F distinct
// vertex lines, so F > vertexLines / 3 is bound to end inside a facet:
// the reader can tell without allocating for F triangles first.
//
// countText(begin, end, n) counts n slices of the text at once and cuts it
// into parts for fillText: each part after the first begins at a line
// holding "facet normal ", with the facets and lines before it.
struct text_part_t {
    const char* begin;
    uint64_t facetsBefore;
    uint64_t linesBefore;
};
struct text_counts_t {
    uint64_t facets = 0;
    uint64_t vertexLines = 0;
    uint64_t lines = 0;
    std::vector<text_part_t> parts;
    // The first line holding "facet normal " (null when none does), and the
    // lines before it.
    const char* firstFacet = nullptr;
    uint64_t linesBeforeFacet = 0;
};
text_counts_t countText(const char* begin, const char* end, unsigned slices = 1);
bool fillText(const char* begin, const char* end, uint32_t facets, const mesh_arrays_t& a);
// Reads counts.facets facets (at most kMaxTriangles), the parts at once.
// The result, messages included, is that of the one-part fillText: a part
// read alone counts only when it ends with its own last facet, as reading
// from the start would; otherwise the whole text is read again in order.
bool fillText(const char* begin, const char* end, const text_counts_t& counts, const mesh_arrays_t& a);

// Reads facets first .. last - 1 from [begin, end) alone: the text follows
// `linesBefore` lines and begins at facet `first`'s line. The result is that
// of reading the whole text in order only when this returns true: false
// (printing nothing) when the text ends inside a facet, whose reading would
// have gone on past `end`.
bool fillTextPiece(const char* begin, const char* end, uint64_t linesBefore, uint32_t first, uint32_t last,
                   const mesh_arrays_t& a);

// The facet normal of (q0, q1, q2): normalise((q1 - q0) x (q2 - q1)).
inline dir3 facetNormal(const pos3& q0, const pos3& q1, const pos3& q2)
{
    return divideByLength(triangleNormal(q0, q1, q2));
}

} // namespace vyk3d
