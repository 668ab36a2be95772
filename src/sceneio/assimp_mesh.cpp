#include "sceneio/assimp_mesh.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace assimpmesh
{
namespace
{

bool isTriangle(const aiFace& f, unsigned vertexCount)
{
    return f.mNumIndices == 3 && f.mIndices[0] < vertexCount && f.mIndices[1] < vertexCount &&
           f.mIndices[2] < vertexCount;
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

struct PositionHash {
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

void smoothMesh(aiMesh& mesh)
{
    // One slot per distinct position, summing the faces' cross products. A
    // mesh whose faces share vertices already has them as its slots.
    std::vector<unsigned> slotOf(mesh.mNumVertices);
    size_t slotCount = mesh.mNumVertices;
    if (uint64_t(mesh.mNumVertices) < 2 * uint64_t(mesh.mNumFaces)) {
        for (unsigned i = 0; i < mesh.mNumVertices; ++i)
            slotOf[i] = i;
    } else {
        std::unordered_map<aiVector3D, unsigned, PositionHash> slots;
        slots.reserve(mesh.mNumVertices);
        for (unsigned i = 0; i < mesh.mNumVertices; ++i)
            slotOf[i] = slots.emplace(mesh.mVertices[i], unsigned(slots.size())).first->second;
        slotCount = slots.size();
    }
    std::vector<aiVector3D> sums(slotCount);
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        const aiFace& f = mesh.mFaces[i];
        if (!isTriangle(f, mesh.mNumVertices))
            continue;
        const aiVector3D& a = mesh.mVertices[f.mIndices[0]];
        const aiVector3D n = (mesh.mVertices[f.mIndices[1]] - a) ^ (mesh.mVertices[f.mIndices[2]] - a);
        for (unsigned k = 0; k < 3; ++k)
            sums[slotOf[f.mIndices[k]]] += n;
    }
    mesh.mNormals = new aiVector3D[mesh.mNumVertices];
    for (unsigned i = 0; i < mesh.mNumVertices; ++i)
        mesh.mNormals[i] = unit(sums[slotOf[i]]);
}

} // namespace

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

uint64_t triangleCount(const aiMesh& mesh, uint64_t& others)
{
    uint64_t n = 0;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        if (isTriangle(mesh.mFaces[i], mesh.mNumVertices))
            ++n;
        else
            ++others;
    }
    return n;
}

// Every mesh reference of the node tree with its accumulated transform,
// walked without recursion (trees from files can be deep).
std::vector<Placement> placements(const aiScene& scene)
{
    std::vector<Placement> out;
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

// Writes the triangles of one placed mesh.
void fillMesh(const Placement& p, const aiMaterial* material, float* v, float* f, uint32_t* e)
{
    const aiMesh& mesh = *p.mesh;
    aiMatrix3x3 frameMatrix(p.transform);
    const bool mirrored = frameMatrix.Determinant() < 0.0f;
    aiMatrix3x3 normalMatrix = frameMatrix;
    if (normalMatrix.Determinant() != 0.0f)
        normalMatrix.Inverse().Transpose();
    const aiColor4D diffuse = diffuseOf(material);
    const bool tangents = mesh.HasTangentsAndBitangents();
    uint64_t k = 0;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        const aiFace& face = mesh.mFaces[i];
        if (!isTriangle(face, mesh.mNumVertices))
            continue;
        // A mirroring transform turns the winding; swapping two corners
        // keeps the front side out.
        const unsigned order[3] = {0, mirrored ? 2u : 1u, mirrored ? 1u : 2u};
        for (unsigned c = 0; c < 3; ++c) {
            const unsigned idx = face.mIndices[order[c]];
            float* rec = v + (3 * k + c) * 9;
            const aiVector3D pos = p.transform * mesh.mVertices[idx];
            const aiColor4D col = mesh.mColors[0] ? mesh.mColors[0][idx] : diffuse;
            const aiVector3D uv = mesh.mTextureCoords[0] ? mesh.mTextureCoords[0][idx] : aiVector3D();
            const float values[9] = {pos.x, pos.y, pos.z, col.r, col.g, col.b, col.a, uv.x, uv.y};
            std::memcpy(rec, values, sizeof values);
            const aiVector3D n = mesh.mNormals ? unit(normalMatrix * mesh.mNormals[idx]) : aiVector3D();
            aiVector3D t, b;
            if (tangents && n.SquareLength() > 0.0f) {
                t = unit(frameMatrix * mesh.mTangents[idx]);
                b = unit(frameMatrix * mesh.mBitangents[idx]);
            }
            if (t.SquareLength() == 0.0f || b.SquareLength() == 0.0f) {
                t = perpendicular(n);
                b = n ^ t;
            }
            const float frame[9] = {t.x, t.y, t.z, b.x, b.y, b.z, n.x, n.y, n.z};
            std::memcpy(f + (3 * k + c) * 9, frame, sizeof frame);
        }
        uint32_t* el = e + 4 * k;
        el[0] = uint32_t(3 * k);
        el[1] = uint32_t(3 * k + 1);
        el[2] = uint32_t(3 * k + 2);
        el[3] = 0xFFFFFFFFu;
        ++k;
    }
}

} // namespace assimpmesh
