// The CPU half of importing through assimp, on meshes made here.
#include "sceneio/assimp_mesh.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// A mesh of vertices without faces is a point cloud: its vertices are
// points, and no triangle or line is written for them (the arrays of those
// kinds are sized by faceCounts, which counts none).
TEST(AssimpMesh, APointCloudFillsPointsOnly)
{
    aiMesh mesh;
    mesh.mNumVertices = 4;
    mesh.mVertices = new aiVector3D[4];
    for (unsigned i = 0; i < 4; ++i)
        mesh.mVertices[i] = aiVector3D(float(i), 0.0f, 0.0f);
    const vyk3d::placement_t placed{&mesh, aiMatrix4x4()};
    const vyk3d::face_counts_t counts = vyk3d::faceCounts(mesh);
    EXPECT_EQ(counts.points, 4u);
    EXPECT_EQ(counts.triangles + counts.lines + counts.others, 0u);
    for (vyk3d::face_kind_t kind : vyk3d::kFaceKinds) {
        SCOPED_TRACE(unsigned(kind));
        const float kUnwritten = -7.0f;
        std::vector<float> vertices(9 * 3 * 4, kUnwritten), frames(9 * 3 * 4, kUnwritten);
        std::vector<uint32_t> elements(4 * 4, 7u);
        const uint64_t written =
            vyk3d::fillMesh(placed, nullptr, kind, vertices.data(), frames.data(), elements.data());
        ASSERT_EQ(written, counts.of(kind));
        for (uint64_t v = 0; v < vertices.size(); ++v)
            if (vertices[v] != (v < 9 * written ? (v % 9 == 0 ? float(v / 9) : vertices[v]) : kUnwritten)) {
                ADD_FAILURE() << "vertex value " << v;
                break;
            }
        for (uint64_t e = 0; e < elements.size(); ++e)
            EXPECT_EQ(elements[e], e < 2 * written ? (e % 2 ? ~0u : uint32_t(e / 2)) : 7u) << e;
    }
}
