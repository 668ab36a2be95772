// The assimp import path on arbitrary bytes: the declared-count check, the
// import with the viewer's steps and the polygon records of every placed
// mesh. The first byte chooses the format: 0 OBJ, 1 PLY, 2 OFF, 3 glTF
// (JSON), 4 Collada (XML), 5 3MF (zip), mod 6; fuzz/assimp.dict holds the
// formats' keywords.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <unistd.h>

#include "foundation/sandbox.h"
#include "sceneio/assimp_mesh.h"
#include "sceneio/assimp_reader.h"
#include "sceneio/declared_counts.h"

namespace
{

// False when the records of a mesh come out wrong.
bool importBytes(const uint8_t* data, size_t size)
{
    if (size < 1)
        return true;
    static const char* const kHints[] = {"obj", "ply", "off", "gltf", "dae", "3mf"};
    const char* hint = kHints[data[0] % 6];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    --size;
    if (!vyk3d::plyHeaderReadable(bytes, size) || vyk3d::bytesNeeded(bytes, size) > size)
        return true; // the reader refuses it before importing
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes, size, 0, hint);
    if (!scene || !vyk3d::facesInside(*scene))
        return true;
    scene = importer.ApplyPostProcessing(vyk3d::kImportSteps);
    if (!scene)
        return true;
    vyk3d::smoothNormals(*const_cast<aiScene*>(scene));
    if (vyk3d::hasTextureCoordinates(*scene))
        scene = importer.ApplyPostProcessing(vyk3d::kTangentSteps);
    if (!scene)
        return true;
    for (const vyk3d::placement_t& p : vyk3d::placements(*scene)) {
        const vyk3d::face_counts_t counts = vyk3d::faceCounts(*p.mesh);
        for (vyk3d::face_kind_t kind : vyk3d::kFaceKinds) {
            const uint64_t n = counts.of(kind), c = uint64_t(kind);
            if (n > kMaxImportTriangles)
                return true;
            std::vector<float> vertices(9 * c * n + 1), frames(9 * c * n + 1);
            std::vector<uint32_t> elements((c + 1) * n + 1);
            const aiMaterial* material =
                p.mesh->mMaterialIndex < scene->mNumMaterials ? scene->mMaterials[p.mesh->mMaterialIndex] : nullptr;
            vyk3d::fillMesh(p, material, kind, vertices.data(), frames.data(), elements.data());
            for (uint64_t i = 0; i < (c + 1) * n; ++i)
                if (elements[i] != (i % (c + 1) == c ? 0xFFFFFFFFu : uint32_t(i / (c + 1) * c + i % (c + 1))))
                    return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#ifdef VYK_FUZZ_REPLAY
    // Replayed by the tests: an input that crashes or hangs the library
    // itself (kept in regressions/assimp/) ends only the child, as in the
    // viewer, if sooner; wrong records still fail.
    const sandbox_limits_t limits{10, defaultSandboxLimits().bytes};
    const sandbox_result_t r = runSandboxed(limits, [&](int) { return importBytes(data, size); });
    if (r.output >= 0)
        close(r.output);
    if (r.end == sandbox_end_t::noResult)
        std::abort();
#else
    if (!importBytes(data, size))
        std::abort();
#endif
    return 0;
}
