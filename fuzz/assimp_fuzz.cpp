// The assimp import path on arbitrary bytes: the declared-count check, the
// import with the viewer's steps and the polygon records of every placed
// mesh. The first byte chooses the format: 0 OBJ, 1 PLY, 2 OFF (mod 3).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sceneio/assimp_mesh.h"
#include "sceneio/assimp_reader.h"
#include "sceneio/declared_counts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const char* const kHints[] = {"obj", "ply", "off"};
    const char* hint = kHints[data[0] % 3];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    --size;
    if (!declared::plyHeaderReadable(bytes, size) || declared::bytesNeeded(bytes, size) > size)
        return 0; // the reader refuses it before importing
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes, size, 0, hint);
    if (!scene || !assimpmesh::facesInside(*scene))
        return 0;
    scene = importer.ApplyPostProcessing(assimpmesh::kImportSteps);
    if (!scene)
        return 0;
    assimpmesh::smoothNormals(*const_cast<aiScene*>(scene));
    if (assimpmesh::hasTextureCoordinates(*scene))
        scene = importer.ApplyPostProcessing(assimpmesh::kTangentSteps);
    if (!scene)
        return 0;
    for (const assimpmesh::Placement& p : assimpmesh::placements(*scene)) {
        const assimpmesh::FaceCounts counts = assimpmesh::faceCounts(*p.mesh);
        for (assimpmesh::FaceKind kind : assimpmesh::kFaceKinds) {
            const uint64_t n = counts.of(kind), c = uint64_t(kind);
            if (n > kMaxImportTriangles)
                return 0;
            std::vector<float> vertices(9 * c * n + 1), frames(9 * c * n + 1);
            std::vector<uint32_t> elements((c + 1) * n + 1);
            const aiMaterial* material =
                p.mesh->mMaterialIndex < scene->mNumMaterials ? scene->mMaterials[p.mesh->mMaterialIndex] : nullptr;
            assimpmesh::fillMesh(p, material, kind, vertices.data(), frames.data(), elements.data());
            for (uint64_t i = 0; i < (c + 1) * n; ++i)
                if (elements[i] != (i % (c + 1) == c ? 0xFFFFFFFFu : uint32_t(i / (c + 1) * c + i % (c + 1))))
                    std::abort();
        }
    }
    return 0;
}
