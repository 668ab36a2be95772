#pragma once
// The CPU half of importing through assimp: the import steps, the meshes
// placed by the node tree and their triangles written as polygon records
// (see stl_mesh.h: nine floats a vertex and a frame, restart-separated
// elements). No GL, no files.

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstdint>
#include <vector>

namespace vyk3d
{

// The import reads the file with no steps; when facesInside holds,
// kImportSteps make triangles, smoothNormals normals where the file has
// none and kTangentSteps tangents, run only when a mesh has texture
// coordinates. Vertices are not joined: every triangle gets its own three
// anyway.
const unsigned kImportSteps = aiProcess_Triangulate;
const unsigned kTangentSteps = aiProcess_CalcTangentSpace;

// True when every face of every mesh has indices, all of them below its
// mesh's vertex count: the library's triangulation crashes on others.
bool facesInside(const aiScene& scene);

// Gives every mesh without normals ones: a triangle's corner takes the sum
// of the (area-weighted) normals of the triangles around its position that
// meet its own at less than kCreaseDegrees, normalised. So a sphere stays
// round and a cube keeps flat faces. Where one position needs two normals,
// the mesh's triangles get vertices of their own (appended, so other faces
// keep theirs). Where faces share vertices (fewer vertices than two a face)
// the vertices are the positions. (The library's own step gives each shared
// vertex the normal of its last face only.)
const float kCreaseDegrees = 60.0f;
void smoothNormals(aiScene& scene);

// True when some mesh has texture coordinates, so tangents can be made.
bool hasTextureCoordinates(const aiScene& scene);

// A mesh as placed by a node.
struct placement_t {
    const aiMesh* mesh;
    aiMatrix4x4 transform;
};

// Every mesh reference of the node tree with its accumulated transform.
std::vector<placement_t> placements(const aiScene& scene);

// The specular colour a material implies, as RGBA bytes for a one-texel
// specular map: its specular colour, times its specular strength when it
// has one; for a metallic-roughness material (glTF) the reflectance of a
// dielectric (0.04) blended into the base colour by the metalness and
// dimmed by the roughness, (1 - roughness) squared; white without a
// material or either.
void specularOf(const aiMaterial* material, unsigned char rgba[4]);

// The drawn kinds of faces, by their number of corners: triangles, lines
// (two indices) and points (one index).
enum class face_kind_t : unsigned { Triangle = 3, Line = 2, Point = 1 };
const face_kind_t kFaceKinds[] = {face_kind_t::Triangle, face_kind_t::Line, face_kind_t::Point};

// How many faces of each kind a mesh holds with indices inside it, and how
// many others (longer polygons left by a failed triangulation, broken
// faces). A mesh with vertices and no faces at all is a point cloud: each
// vertex counts as a point.
struct face_counts_t {
    uint64_t triangles = 0, lines = 0, points = 0, others = 0;
    uint64_t of(face_kind_t kind) const
    {
        return kind == face_kind_t::Triangle ? triangles : kind == face_kind_t::Line ? lines : points;
    }
};
face_counts_t faceCounts(const aiMesh& mesh);

// Writes the counted faces of one kind of one placed mesh: with c corners a
// face, face k takes vertices and frames c*k .. c*k+c-1 (position, colour,
// texture coordinate; then tangent, binormal, normal) and elements
// (c+1)*k .. (c+1)*k+c, its own vertices then the restart index. Vertices
// without colours take the material's diffuse colour (grey without a
// material); a mirroring transform swaps two corners of a triangle so the
// winding stays. Lines and points get zero frames: they are drawn unlit.
void fillMesh(const placement_t& p, const aiMaterial* material, face_kind_t kind, float* vertices, float* frames,
              uint32_t* elements);

} // namespace vyk3d
