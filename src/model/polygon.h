#pragma once

// A polygon surface: triangle strips (separated by the restart index) over
// vertices, tangent frames and work frames held in GL buffers, with the
// triangle-numbering tables that map triangles back to strip positions and
// the selection state. GL thread only.
//
// Producers allocate, write vertices, normals (or zeros) and elements
// through scoped_map_t, then call update(). update() is what makes the data
// safe to draw: it turns every index not below the vertex count into a
// restart index, so such an index ends its strip and never reaches the GPU.

#include "foundation/bounds.h"
#include "gl/vertex_array.h"
#include "model/modeling.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace vyk3d
{

// Where triangle number t starts in the strips, and whether its winding is
// flipped (every second triangle of a strip).
struct polyid_t {
    uint32_t position;
    bool flipped;
};

class polygon_t : public modeling_t
{
  public:
    // What allocate() creates at once.
    // All: every array, for surfaces whose work frames are filled and run
    // through the GPU frame pass (NURBS tessellations, scene polygons).
    // OnDemand: for large meshes read from files, which come with their
    // frames: vertices, normals and elements at once; the work frames (with
    // their vertex array, the frame capture buffer and the point feedback
    // buffer) on workframes(), array(2) or drawforfeedback(); the selection
    // table on the first selectpolygon() (or an update with a selected
    // set); the point sizes and their vertex array on the first point
    // selection or drawpoints(). The tables are built by the producer's
    // update(), not by allocate().
    // TriangleList: as OnDemand, for E / 4 separate triangles over V = 3E / 4
    // vertices (other counts are refused): the elements 3k, 3k+1, 3k+2 and
    // the restart index are made when first used, not by the producer.
    // Compact: the E / 4 triangles of a surface without maps (STL meshes),
    // held in the least room that draws them: V = 3E / 4 `positions` and one
    // normal a triangle in `facetNormals`, which the producer writes. The
    // records of the other forms (vertices, frames, elements) are made from
    // them when something asks for them (fullRecords()).
    // CompactSmooth: as Compact, for meshes whose vertices each have a
    // normal with the frame normalFrame makes of it and no texture
    // coordinate: one normal a vertex in `vertexNormals`, the colour
    // `compactColor` for all. CompactSmoothColours: and one colour a vertex
    // in `vertexColors`.
    enum class buffers_t { All, OnDemand, TriangleList, Compact, CompactSmooth, CompactSmoothColours };

    polygon_t() = default;
    ~polygon_t() override;

    // Reserves V vertices (vertices, normals, wknmls, point sizes) and E
    // elements, builds the vertex array objects and the tables. Counts above
    // 0xFFFFFFFF cannot be indexed and are refused. Prints the failing
    // array's message ("vertices.allocate() failed.") and returns false on
    // failure; arrays allocated before it stay allocated.
    bool allocate(uint64_t vertexCount, uint64_t elementCount, buffers_t buffers = buffers_t::All);
    // Makes sure the work frames, their vertex array, the frame capture
    // buffer and the point feedback buffer exist for the vertices (they do
    // after a full allocate()). Prints "wknmls.allocate() failed." and
    // returns false when the work frames cannot be created.
    bool workframes();
    // Makes the records of a compact surface: vertices of `compactColor`
    // (or their own colours) at texture coordinate (0, 0), and each
    // triangle's flatFrame for its three corners (a smooth surface: each
    // vertex's normalFrame), exactly what a producer of full records writes; the
    // compact stores are then released and the surface draws as any other.
    // True at once for a surface that is not compact. Prints the failing
    // array's message ("vertices.allocate() failed.") and returns false,
    // staying compact, when the records cannot be had.
    bool fullRecords();
    // Whether the surface is held in the compact form, and in which.
    bool compact() const { return compact_; }
    bool smooth() const { return compact_ && smooth_; }
    // The frame (tangent, binormal, normal) of unit normal n in the records
    // of a mesh without texture coordinates: the tangent is n crossed with
    // the axis n is least aligned with, normalised; the binormal n crossed
    // with it.
    static void normalFrame(const float n[3], float frame[9]);
    // The buffer texture over `facetNormals` (0 when not compact), which the
    // compact program reads on texture unit `kFacetUnit`.
    GLuint facetTexture() const { return facetTexture_; }
    static constexpr GLint kFacetUnit = 4;
    // Finishes a filled polygon: takes `newName` when not null, replaces bad
    // indices by the restart index, rebuilds the triangle tables and fills
    // frames whose normal is (0, 0, 0) from their triangles; frames that
    // came with a normal are never overwritten. A producer of separate
    // triangles (TriangleList) that gave every frame a normal says so in
    // `everyFrameHasNormal`: then, with nothing selected, there is nothing
    // to walk.
    void update(const char* newName = nullptr, bool everyFrameHasNormal = false);

    size_t arraycount() const override { return 2; }
    // 0 vertices (the positions of a compact surface, which stays compact),
    // 1 normals, 2 wknmls (both make the full records), else null.
    attribute_array_t* array(size_t index) override;
    const attribute_array_t* array(size_t index) const override;
    element_array_t* elementarray() override { return &elements; }
    const element_array_t* elementarray() const override { return &elements; }

    // `primitive` with primitive restart; a compact surface as a list, for
    // the compact program.
    void draw() override;
    void drawselection();       // selectelems as GL_TRIANGLES
    void drawpoints() override; // vertices as GL_POINTS with point sizes
    void drawforfeedback();     // feedback vertex array as GL_POINTS
    // Over the vertices that elements index; min and max are left alone
    // when no element indexes a vertex.
    void bounds(pos3& min, pos3& max) const override;

    // Triangle t shows in drawselection() (and stays selected through
    // update); an unknown t prints "polygon_t::selectpolygon() polyid(t)
    // >= polyidvector.size(n)" and changes nothing.
    void selectpolygon(uint32_t t);
    void unselectpolygon(uint32_t t);

    void clear() override;

    // Number of vertices (records of positionRecords()).
    uint64_t vertexcount() const { return positionRecords().count(); }
    // Where the positions are: `positions` (three floats a record) for a
    // compact surface, else `vertices`; readers use its stride.
    attribute_array_t& positionRecords() { return compact_ ? positions : vertices; }
    const attribute_array_t& positionRecords() const { return compact_ ? positions : vertices; }

    // What the elements make: triangle strips, or, for points and lines
    // read from mesh files, one line (two indices) or one point (one
    // index) between restart indices. Lines and points are drawn in their
    // colours, unlit (their frames are zero), and form no triangle to pick.
    enum class primitive_t { Triangles, Lines, Points };
    primitive_t primitive = primitive_t::Triangles;

    attribute_array_t vertices;                       // Position, RGBA, TexCoord2
    attribute_array_t normals;                        // tangent, binormal, normal
    attribute_array_t wknmls;                         // two tangent/binormal pairs
    element_array_t elements;                         // strips, 0xFFFFFFFF between them
    attribute_array_t positions;                      // compact form: Position
    attribute_array_t facetNormals;                   // compact form: Normal, one a triangle
    attribute_array_t vertexNormals;                  // smooth compact form: Normal, one a vertex
    attribute_array_t vertexColors;                   // smooth compact form: RGBA, when not all alike
    float compactColor[4] = {0.5f, 0.5f, 0.5f, 1.0f}; // of every vertex
    vertex_array_t drawvao;                           // vertices at 0, normals at 3 (compact: positions at 0)
    vertex_array_t feedbackvao;                       // vertices at 0, wknmls at 3
    vertex_array_t pointvao;                          // vertices at 0, point sizes at 2
    feedback_buffer_t framefeedback;                  // nine words per vertex
    std::set<uint32_t> selectedpolygons;
    // Triangle number -> strip position, made from the elements by the
    // first polyids() after an update (selectpolygon asks for it).
    const std::vector<polyid_t>& polyids();
    std::vector<polyid_t> polyidvector;
    element_array_t selectelems; // three indices per triangle number
    // The bounds of the positions by blocks, as their producer wrote them,
    // when it knew them while writing (the STL readers); allocate clears
    // them. The first fit of a view takes them instead of reading every
    // position twice; whoever moves vertices later clears them.
    std::optional<block_bounds_t> loadedBounds;

  private:
    bool checkPolyid(uint32_t t);
    // Draws the listTriangles_ triangles as a plain list.
    void drawList();
    // Creates selectelems, sized as allocate() sizes it and holding restart
    // indices, when it is missing. False on failure or with no triangles.
    bool selectiontable();
    // Writes triangle t's indices (or restart indices) into a mapped table.
    void writeSelected(uint32_t* sel, const uint32_t* elems, uint32_t t) const;

    uint64_t elementsAllocated_ = 0; // E of the last allocate()
    // Set by update when the strips are the triangles 3k, 3k+1, 3k+2 each
    // followed by a restart index (as STL meshes are): draw() then draws the
    // same triangles as a plain list, without a restart per triangle.
    uint64_t listTriangles_ = 0;
    bool workFramesReady_ = false; // the frame-pass arrays exist
    bool polyidsStale_ = false;    // polyidvector is made on demand
    bool compact_ = false;         // positions and facetNormals hold the surface
    bool smooth_ = false;          // vertexNormals (and vertexColors) instead of facetNormals
    GLuint facetTexture_ = 0;      // buffer texture over facetNormals
    // Drops the compact stores and their texture.
    void releaseCompact();
    // Whether the compact form can draw `triangles` triangles here.
    static bool compactDrawable(uint64_t triangles);
    // The compact stores, texture and vertex array for V vertices.
    bool allocateCompact(uint64_t vertexCount);
    // The same with a normal (and a colour) a vertex.
    bool allocateSmooth(uint64_t vertexCount, bool colours);
    // Writes the full records of the compact surface from its mapped
    // stores (vertex colours or null).
    void expandFlat(const float* positions, float* records, float* frames) const;
    void expandSmooth(const float* positions, const float* normals, const float* colours, float* records,
                      float* frames) const;
};

} // namespace vyk3d
