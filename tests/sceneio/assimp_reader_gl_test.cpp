// Mesh formats read through assimp: small files written here (those that
// need no helper to write are in tests/data/scenes), checked as loaded
// records, and the real files of assimp-testmodels through the programs.
#include "sceneio/assimp_reader.h"

#include "foundation/math.h"
#include "model/frame_pass.h"
#include "sceneio/scene.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"
#include "support/mesh_files.h"
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstring>
#include <filesystem>
#include <sstream>

namespace
{

const uint32_t R = 0xFFFFFFFFu;

// What a load gave: models, triangles, the first vertex record, the maps.
struct Loaded {
    bool ok = false;
    std::string err;
    size_t models = 0;
    uint64_t triangles = 0;
    std::vector<float> first;
    std::string colour, bump, specular;
    bool layoutOk = true;  // elements 3k, 3k+1, 3k+2, restart throughout
    bool windingOk = true; // every corner's normal on the front of its triangle
};

Loaded load(const std::string& path)
{
    vyktest::glContext();
    Loaded r;
    scene_t scene;
    vyk3d::frame_pass_t framePass; // for NURBS only: never initialised here
    std::ostringstream err;
    testing::internal::CaptureStderr();
    r.ok = loadScene(scene, path, framePass, err);
    r.err = err.str() + testing::internal::GetCapturedStderr();
    r.models = scene.models.size();
    for (model_t* m : scene.models) {
        vyk3d::polygon_t& p = m->polygon;
        const std::vector<float> v = vyktest::readBuffer<float>(p.vertices, p.vertices.count() * 9);
        const std::vector<float> f = vyktest::readBuffer<float>(p.normals, p.normals.count() * 9);
        const std::vector<uint32_t> e = vyktest::readBuffer<uint32_t>(p.elements, p.elements.count());
        if (r.first.empty()) {
            r.first.assign(v.begin(), v.begin() + 9);
            r.colour = m->texture.colormap, r.bump = m->texture.bumpmap, r.specular = m->texture.specularmap;
        }
        r.triangles += e.size() / 4;
        for (size_t i = 0; i < e.size(); ++i)
            r.layoutOk &= e[i] == (i % 4 == 3 ? R : uint32_t(i / 4 * 3 + i % 4));
        for (size_t t = 0; 27 * t + 26 < v.size(); ++t) {
            const float *a = &v[27 * t], *n = &f[27 * t + 6];
            const dir3 u{a[9] - a[0], a[10] - a[1], a[11] - a[2]}, w{a[18] - a[0], a[19] - a[1], a[20] - a[2]};
            r.windingOk &= dot(cross(u, w), {n[0], n[1], n[2]}) > 0.0f;
        }
    }
    scene.destroyModels();
    return r;
}

} // namespace

TEST(AssimpReader, SmallFilesOfEachFormat)
{
    vyktest::TempDir dir;
    assimptest::objFiles(dir);
    dir.write("tri.gltf", assimptest::gltf(dir, R"(,"translation":[0,0,-3])", {0, 200, 0}));
    dir.write("mirror.gltf", assimptest::gltf(dir, R"(,"scale":[-1,1,1])", {0, 200, 0}));
    dir.write("broken.gltf", "{\"asset\":");
    const struct {
        const char* file;
        bool ok;
        size_t models;
        uint64_t triangles;
        float r, g, b, z; // first vertex: colour and depth
        const char *colour, *bump, *err;
    } cases[] = {
        {"quad.obj", true, 1, 2, 1, 0, 0, 0, "maps/tex.bmp", "h.bmp", "1 lines and points left out.\n"},
        {"tri.gltf", true, 1, 1, 1, 1, 1, -3, "tri.gltf*0", "", ""},
        {"mirror.gltf", true, 1, 1, 1, 1, 1, 0, "mirror.gltf*0", "", ""},
        {"broken.gltf", false, 0, 0, 0, 0, 0, 0, "", "", "broken.gltf: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Loaded r = load(dir.file(c.file));
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_TRUE(*c.err ? r.err.find(c.err) != std::string::npos : r.err.empty()) << r.err;
        EXPECT_EQ(r.models, c.models);
        EXPECT_EQ(r.triangles, c.triangles);
        EXPECT_TRUE(r.layoutOk);
        EXPECT_TRUE(r.windingOk);
        const float want[] = {c.z, c.r, c.g, c.b};
        for (int k = 0; k < 4 && !r.first.empty(); ++k)
            EXPECT_NEAR(r.first[2 + k], want[k], 1e-3f) << k;
        EXPECT_EQ(r.colour, c.colour);
        EXPECT_EQ(r.bump, c.bump);
        EXPECT_EQ(r.specular, "");
    }
}

// Every OBJ, PLY, OFF, glTF 2, 3MF and Collada model of assimp-testmodels
// that assimp imports with triangles loads with all of them, and vykconv
// writes them all, a format at a time, into a file vykshot draws. (Whether
// a picture shows much is the fit's business: it frames the origin, so a
// model far from it or far smaller than a unit shows as a few pixels.) A
// file the library crashes on ends with a message, never a signal. The
// invalid ones end with status 0 or 1.
TEST(AssimpReader, TestModelsPackage)
{
    const std::string root = "/usr/share/assimp/models/";
    if (!vyktest::fileExists(root + "OBJ/box.obj"))
        GTEST_SKIP() << "assimp-testmodels is not installed";
    vyktest::TempDir dir;
    namespace fs = std::filesystem;
    for (const char* folder : {"OBJ", "PLY", "OFF", "glTF2", "3MF", "Collada"}) {
        SCOPED_TRACE(folder);
        std::vector<std::string> conv{vyktest::programPath("vykconv")};
        uint64_t total = 0;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(root + folder)) {
            const std::string f = e.path().string();
            if (!e.is_regular_file() || !isAssimpFormat(f))
                continue;
            Assimp::Importer importer;
            const aiScene* s = importer.ReadFile(f, aiProcess_Triangulate | aiProcess_PreTransformVertices);
            uint64_t n = 0;
            for (unsigned m = 0; s && m < s->mNumMeshes; ++m)
                for (unsigned i = 0; i < s->mMeshes[m]->mNumFaces; ++i)
                    n += s->mMeshes[m]->mFaces[i].mNumIndices == 3;
            if (n == 0)
                continue;
            const Loaded r = load(f);
            EXPECT_TRUE(r.ok) << f << r.err;
            EXPECT_EQ(r.triangles, n) << f;
            conv.push_back(f);
            total += n;
        }
        ASSERT_GT(conv.size(), 1u);
        conv.push_back(dir.file("all.stl"));
        vyktest::RunResult r = vyktest::run(conv);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string stl = vyktest::readFile(dir.file("all.stl"));
        ASSERT_GE(stl.size(), 84u);
        uint32_t count;
        std::memcpy(&count, &stl[80], 4); // little-endian, as the host
        EXPECT_EQ(count, total);
        // Several files would be morph targets: one picture of them all.
        r = vyktest::run(
            {vyktest::programPath("vykshot"), "--size", "64x48", "-o", dir.file("s.png"), dir.file("all.stl")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(vyktest::readImage(dir.file("s.png")).width, 64);
    }
    std::vector<std::string> bad{vyktest::sourcePath("tests/data/importer_crash.off")};
    for (const fs::directory_entry& e : fs::directory_iterator(root + "invalid"))
        bad.push_back(e.path().string());
    for (const std::string& f : bad) {
        const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykshot"), "-o", dir.file("i.png"), f});
        EXPECT_TRUE(r.status == 0 || (r.status == 1 && !r.err.empty())) << f << " " << r.status;
    }
}
