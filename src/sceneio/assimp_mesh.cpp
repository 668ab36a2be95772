#include "sceneio/assimp_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace vyk3d
{
namespace
{

bool isFace(const aiFace& f, face_kind_t kind, unsigned vertexCount)
{
    if (f.mNumIndices != unsigned(kind) || !f.mIndices)
        return false;
    for (unsigned k = 0; k < f.mNumIndices; ++k)
        if (f.mIndices[k] >= vertexCount)
            return false;
    return true;
}

bool isTriangle(const aiFace& f, unsigned vertexCount)
{
    return isFace(f, face_kind_t::Triangle, vertexCount);
}

aiVector3D unit(const aiVector3D& v)
{
    float len = v.Length();
    return len > 0.0f && std::isfinite(len) ? v / len : aiVector3D(0.0f, 0.0f, 0.0f);
}

// Some tangent perpendicular to n: n crossed with the axis it is least
// aligned with.
aiVector3D perpendicular(const aiVector3D& n)
{
    aiVector3D a(1.0f, 0.0f, 0.0f);
    if (std::fabs(n.y) < std::fabs(n.x) && std::fabs(n.y) <= std::fabs(n.z))
        a = aiVector3D(0.0f, 1.0f, 0.0f);
    else if (std::fabs(n.z) < std::fabs(n.x))
        a = aiVector3D(0.0f, 0.0f, 1.0f);
    return unit(n ^ a);
}

aiColor4D diffuseOf(const aiMaterial* material)
{
    aiColor4D c(0.5f, 0.5f, 0.5f, 1.0f);
    if (material && aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &c) != AI_SUCCESS)
        aiGetMaterialColor(material, AI_MATKEY_BASE_COLOR, &c);
    return c;
}

// The frame of a triangle's corner: the placed normal, with the mesh's
// tangent made perpendicular to it and the binormal across both (on the
// tangent's side). Where the tangent is degenerate (texture coordinates
// with no area, or a tangent along the normal) the frame is built from the
// normal alone: a frame that is not orthonormal shades each triangle
// differently.
void triangleFrame(const aiMesh& mesh, unsigned idx, const aiMatrix3x3& frameMatrix, const aiMatrix3x3& normalMatrix,
                   bool tangents, float* frame)
{
    const aiVector3D n = mesh.mNormals ? unit(normalMatrix * mesh.mNormals[idx]) : aiVector3D();
    aiVector3D t, b;
    if (tangents && n.SquareLength() > 0.0f) {
        const aiVector3D given = unit(frameMatrix * mesh.mTangents[idx]);
        const aiVector3D across = given - n * (given * n);
        if (across.Length() > 0.1f) {
            t = unit(across);
            b = n ^ t;
            if (b * (frameMatrix * mesh.mBitangents[idx]) < 0.0f)
                b = -b;
        }
    }
    if (t.SquareLength() == 0.0f || b.SquareLength() == 0.0f) {
        t = perpendicular(n);
        b = n ^ t;
    }
    const float values[9] = {t.x, t.y, t.z, b.x, b.y, b.z, n.x, n.y, n.z};
    std::memcpy(frame, values, sizeof values);
}

unsigned char byteOf(float v)
{
    return (unsigned char)(std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f) * 255.0f + 0.5f);
}

struct position_hash_t {
    size_t operator()(const aiVector3D& p) const
    {
        uint32_t b[3];
        std::memcpy(b, &p.x, sizeof b);
        uint64_t h = (uint64_t(b[0]) << 32 | b[1]) * 0x9E3779B97F4A7C15ull ^ b[2];
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        return size_t(h ^ (h >> 32));
    }
};

// Calls f(i, face) for every face i of `mesh` that is a triangle with its
// corners inside the mesh.
template <class F> void eachTriangle(const aiMesh& mesh, F&& f)
{
    for (unsigned i = 0; i < mesh.mNumFaces; ++i)
        if (isTriangle(mesh.mFaces[i], mesh.mNumVertices))
            f(i, mesh.mFaces[i]);
}

// Gives the triangles of `mesh` vertices of their own, after the vertices
// it has: copies of their corners' positions, colours and texture
// coordinates. Faces of other kinds keep the vertices they had. The arrays
// are the aiMesh's, which frees them with delete[]: they are made with new[]
// and held by unique_ptr until handed over.
void unshareTriangles(aiMesh& mesh)
{
    const unsigned old = mesh.mNumVertices;
    unsigned count = old;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i)
        count += isTriangle(mesh.mFaces[i], old) ? 3 : 0;
    auto grow = [&](auto*& array) {
        using T = std::remove_pointer_t<std::remove_reference_t<decltype(array)>>;
        if (!array)
            return;
        std::unique_ptr<T[]> bigger(new T[count]);
        std::copy(array, array + old, bigger.get());
        unsigned at = old;
        for (unsigned i = 0; i < mesh.mNumFaces; ++i)
            if (isTriangle(mesh.mFaces[i], old))
                for (unsigned k = 0; k < 3; ++k)
                    bigger[at++] = array[mesh.mFaces[i].mIndices[k]];
        // The old array goes as the new one is handed over.
        std::unique_ptr<T[]> smaller(array);
        array = bigger.release();
    };
    grow(mesh.mVertices);
    for (aiColor4D*& colours : mesh.mColors)
        grow(colours);
    for (aiVector3D*& coordinates : mesh.mTextureCoords)
        grow(coordinates);
    unsigned at = old;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i)
        if (isTriangle(mesh.mFaces[i], old))
            for (unsigned k = 0; k < 3; ++k)
                mesh.mFaces[i].mIndices[k] = at++;
    mesh.mNumVertices = count;
}

void smoothMesh(aiMesh& mesh)
{
    // One slot per distinct position. A mesh whose faces share vertices
    // already has them as its slots.
    std::vector<unsigned> slotOf(mesh.mNumVertices);
    size_t slotCount = mesh.mNumVertices;
    if (uint64_t(mesh.mNumVertices) < 2 * uint64_t(mesh.mNumFaces)) {
        for (unsigned i = 0; i < mesh.mNumVertices; ++i)
            slotOf[i] = i;
    } else {
        std::unordered_map<aiVector3D, unsigned, position_hash_t> slots;
        slots.reserve(mesh.mNumVertices);
        for (unsigned i = 0; i < mesh.mNumVertices; ++i)
            slotOf[i] = slots.emplace(mesh.mVertices[i], unsigned(slots.size())).first->second;
        slotCount = slots.size();
    }
    // The triangles around each slot, and each triangle's normal (its cross
    // product, so larger triangles weigh more) and direction.
    std::vector<aiVector3D> normal(mesh.mNumFaces), direction(mesh.mNumFaces);
    std::vector<uint64_t> first(slotCount + 1, 0);
    std::vector<unsigned> around;
    for (int pass = 0; pass < 2; ++pass) {
        eachTriangle(mesh, [&](unsigned i, const aiFace& f) {
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned s = slotOf[f.mIndices[k]];
                if (pass == 0)
                    ++first[s + 1];
                else
                    around[first[s]++] = i;
            }
            if (pass == 0) {
                const aiVector3D& a = mesh.mVertices[f.mIndices[0]];
                normal[i] = (mesh.mVertices[f.mIndices[1]] - a) ^ (mesh.mVertices[f.mIndices[2]] - a);
                direction[i] = unit(normal[i]);
            }
        });
        if (pass == 0) {
            for (size_t s = 0; s < slotCount; ++s)
                first[s + 1] += first[s];
            around.resize(first[slotCount]);
        } else {
            for (size_t s = slotCount; s > 0; --s)
                first[s] = first[s - 1];
            first[0] = 0;
        }
    }
    // Each corner's normal over the triangles within the crease angle of
    // its own; a position whose triangles all are keeps one normal.
    const float cosCrease = std::cos(kCreaseDegrees * 3.14159265f / 180.0f);
    std::vector<aiVector3D> corner;
    bool creased = false;
    eachTriangle(mesh, [&](unsigned i, const aiFace& f) {
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned s = slotOf[f.mIndices[k]];
            aiVector3D sum;
            for (uint64_t j = first[s]; j < first[s + 1]; ++j) {
                const unsigned g = around[j];
                if (direction[g] * direction[i] >= cosCrease || direction[i].SquareLength() == 0.0f)
                    sum += normal[g];
                else
                    creased = true;
            }
            corner.push_back(unit(sum));
        }
    });
    if (creased && uint64_t(mesh.mNumVertices) + corner.size() < (uint64_t(1) << 31)) {
        unshareTriangles(mesh);
        mesh.mNormals = new aiVector3D[mesh.mNumVertices]();
        size_t c = 0;
        eachTriangle(mesh, [&](unsigned, const aiFace& f) {
            for (unsigned k = 0; k < 3; ++k)
                mesh.mNormals[f.mIndices[k]] = corner[c++];
        });
        return;
    }
    // One normal a position: the sum of all its triangles'.
    std::vector<aiVector3D> sums(slotCount);
    for (size_t s = 0; s < slotCount; ++s)
        for (uint64_t j = first[s]; j < first[s + 1]; ++j)
            sums[s] += normal[around[j]];
    mesh.mNormals = new aiVector3D[mesh.mNumVertices];
    for (unsigned i = 0; i < mesh.mNumVertices; ++i)
        mesh.mNormals[i] = unit(sums[slotOf[i]]);
}

} // namespace

void specularOf(const aiMaterial* material, unsigned char rgba[4])
{
    aiColor4D s(1.0f, 1.0f, 1.0f, 1.0f);
    float metallic = 0.0f, roughness = 0.0f, strength = 1.0f;
    if (material && aiGetMaterialFloat(material, AI_MATKEY_ROUGHNESS_FACTOR, &roughness) == AI_SUCCESS) {
        aiGetMaterialFloat(material, AI_MATKEY_METALLIC_FACTOR, &metallic);
        const aiColor4D base = diffuseOf(material);
        const float k = (1.0f - std::clamp(roughness, 0.0f, 1.0f)) * (1.0f - std::clamp(roughness, 0.0f, 1.0f));
        metallic = std::clamp(metallic, 0.0f, 1.0f);
        s = aiColor4D((0.04f + (base.r - 0.04f) * metallic) * k, (0.04f + (base.g - 0.04f) * metallic) * k,
                      (0.04f + (base.b - 0.04f) * metallic) * k, 1.0f);
    } else if (material && aiGetMaterialColor(material, AI_MATKEY_COLOR_SPECULAR, &s) == AI_SUCCESS) {
        if (aiGetMaterialFloat(material, AI_MATKEY_SHININESS_STRENGTH, &strength) == AI_SUCCESS)
            s = aiColor4D(s.r * strength, s.g * strength, s.b * strength, 1.0f);
        s.a = 1.0f;
    }
    const unsigned char bytes[4] = {byteOf(s.r), byteOf(s.g), byteOf(s.b), 255};
    std::memcpy(rgba, bytes, 4);
}

bool facesInside(const aiScene& scene)
{
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh* mesh = scene.mMeshes[m];
        for (unsigned i = 0; mesh && i < mesh->mNumFaces; ++i) {
            const aiFace& f = mesh->mFaces[i];
            if (f.mNumIndices == 0 || !f.mIndices)
                return false;
            for (unsigned k = 0; k < f.mNumIndices; ++k)
                if (f.mIndices[k] >= mesh->mNumVertices)
                    return false;
        }
    }
    return true;
}

bool hasTextureCoordinates(const aiScene& scene)
{
    for (unsigned m = 0; m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m] && scene.mMeshes[m]->mTextureCoords[0])
            return true;
    return false;
}

void smoothNormals(aiScene& scene)
{
    for (unsigned m = 0; m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m] && !scene.mMeshes[m]->mNormals && scene.mMeshes[m]->mNumVertices > 0)
            smoothMesh(*scene.mMeshes[m]);
}

face_counts_t faceCounts(const aiMesh& mesh)
{
    face_counts_t n;
    if (mesh.mNumFaces == 0) {
        n.points = mesh.mNumVertices;
        return n;
    }
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        const aiFace& f = mesh.mFaces[i];
        if (isTriangle(f, mesh.mNumVertices))
            ++n.triangles;
        else if (isFace(f, face_kind_t::Line, mesh.mNumVertices))
            ++n.lines;
        else if (isFace(f, face_kind_t::Point, mesh.mNumVertices))
            ++n.points;
        else
            ++n.others;
    }
    return n;
}

// Every mesh reference of the node tree with its accumulated transform,
// walked without recursion (trees from files can be deep).
std::vector<placement_t> placements(const aiScene& scene)
{
    std::vector<placement_t> out;
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> todo;
    if (scene.mRootNode)
        todo.emplace_back(scene.mRootNode, scene.mRootNode->mTransformation);
    while (!todo.empty()) {
        auto [node, m] = todo.back();
        todo.pop_back();
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            if (node->mMeshes[i] < scene.mNumMeshes && scene.mMeshes[node->mMeshes[i]])
                out.push_back({scene.mMeshes[node->mMeshes[i]], m});
        for (unsigned i = node->mNumChildren; i-- > 0;)
            if (node->mChildren[i])
                todo.emplace_back(node->mChildren[i], m * node->mChildren[i]->mTransformation);
    }
    return out;
}

// Writes the faces of one kind of one placed mesh.
uint64_t fillMesh(const placement_t& p, const aiMaterial* material, face_kind_t kind, float* v, float* f, uint32_t* e,
                  uint64_t first, uint64_t count, uint64_t firstWritten)
{
    const aiMesh& mesh = *p.mesh;
    aiMatrix3x3 frameMatrix(p.transform);
    const bool mirrored = frameMatrix.Determinant() < 0.0f;
    aiMatrix3x3 normalMatrix = frameMatrix;
    if (normalMatrix.Determinant() != 0.0f)
        normalMatrix.Inverse().Transpose();
    const aiColor4D diffuse = diffuseOf(material);
    const bool tangents = mesh.HasTangentsAndBitangents();
    const unsigned corners = unsigned(kind);
    const bool cloud = mesh.mNumFaces == 0;
    if (cloud && kind != face_kind_t::Point)
        return 0; // a point cloud's vertices are points only
    const uint64_t faces = cloud ? mesh.mNumVertices : mesh.mNumFaces;
    const uint64_t end = count < faces - std::min(first, faces) ? first + count : faces;
    uint64_t k = 0;
    for (uint64_t i = first; i < end; ++i) {
        const unsigned cloudIndex = unsigned(i);
        const aiFace* face = cloud ? nullptr : &mesh.mFaces[i];
        if (face && !isFace(*face, kind, mesh.mNumVertices))
            continue;
        const unsigned* indices = face ? face->mIndices : &cloudIndex;
        // A mirroring transform turns the winding; swapping two corners
        // keeps the front side out.
        const bool swap = mirrored && kind == face_kind_t::Triangle;
        const unsigned order[3] = {0, swap ? 2u : 1u, swap ? 1u : 2u};
        for (unsigned c = 0; c < corners; ++c) {
            const unsigned idx = indices[order[c]];
            float* rec = v + (corners * k + c) * 9;
            const aiVector3D pos = p.transform * mesh.mVertices[idx];
            const aiColor4D col = mesh.mColors[0] ? mesh.mColors[0][idx] : diffuse;
            const aiVector3D uv = mesh.mTextureCoords[0] ? mesh.mTextureCoords[0][idx] : aiVector3D();
            const float values[9] = {pos.x, pos.y, pos.z, col.r, col.g, col.b, col.a, uv.x, uv.y};
            std::memcpy(rec, values, sizeof values);
            float frame[9] = {};
            if (kind == face_kind_t::Triangle)
                triangleFrame(mesh, idx, frameMatrix, normalMatrix, tangents, frame);
            std::memcpy(f + (corners * k + c) * 9, frame, sizeof frame);
        }
        uint32_t* el = e + (corners + 1) * k;
        for (unsigned c = 0; c < corners; ++c)
            el[c] = uint32_t(corners * (firstWritten + k) + c);
        el[corners] = 0xFFFFFFFFu;
        ++k;
    }
    return k;
}

} // namespace vyk3d
