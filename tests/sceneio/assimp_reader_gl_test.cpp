// Mesh formats read through assimp: small files written here, checked as
// loaded records, and the real files of assimp-testmodels through the
// programs.
#include "sceneio/assimp_reader.h"

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

#include <dirent.h>

#include <cmath>
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
        for (size_t t = 0; 9 * (3 * t + 2) + 2 < v.size(); ++t) {
            const float* a = &v[27 * t];
            float u[3], w[3];
            for (int k = 0; k < 3; ++k)
                u[k] = a[9 + k] - a[k], w[k] = a[18 + k] - a[k];
            const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            const float* fn = &f[27 * t + 6];
            r.windingOk &= n[0] * fn[0] + n[1] * fn[1] + n[2] * fn[2] > 0.0f;
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
    const std::string ply = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                            "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                            "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                            "0 0 0 0 255 0\n1 0 0 0 255 0\n0 1 0 0 255 0\n3 0 1 2\n";
    dir.write("text.ply", ply);
    std::string bin = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n" +
                      assimptest::floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) + "\4";
    for (uint32_t i : {0u, 1u, 2u, 3u})
        bin += std::string(reinterpret_cast<const char*>(&i), 4);
    dir.write("bin.ply", bin);
    bin[bin.size() - 4] = 99; // past the vertices: the library's triangulation would crash
    dir.write("index.ply", bin);
    dir.write("cube.off", "OFF\n# a cube\n8 6 12\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
                          "4 3 2 1 0\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n4 3 0 4 7\n");
    dir.write("tri.gltf", assimptest::gltf(dir, R"(,"translation":[0,0,-3])", {0, 200, 0}));
    dir.write("mirror.gltf", assimptest::gltf(dir, R"(,"scale":[-1,1,1])", {0, 200, 0}));
    dir.write("huge.ply", "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
                          "end_header\n");
    dir.write("broken.gltf", "{\"asset\":");
    dir.write("loop.ply", "ply\nformat ascii 1.0\nend_header0\n");
    dir.write("points.obj", "v 0 0 0\nv 1 0 0\n");
    const float N = NAN; // not checked
    const struct {
        const char* file;
        bool ok;
        size_t models;
        uint64_t triangles;
        float r, g, b, z; // first vertex: colour and depth
        const char *colour, *bump, *err;
    } cases[] = {
        {"quad.obj", true, 1, 2, 1, 0, 0, 0, "maps/tex.bmp", "h.bmp", "1 lines and points left out.\n"},
        {"text.ply", true, 1, 1, 0, 1, 0, 0, "", "", ""},
        {"bin.ply", true, 1, 2, N, N, N, 0, "", "", ""},
        {"cube.off", true, 1, 12, N, N, N, N, "", "", ""},
        {"tri.gltf", true, 1, 1, 1, 1, 1, -3, "tri.gltf*0", "", ""},
        {"mirror.gltf", true, 1, 1, 1, 1, 1, 0, "mirror.gltf*0", "", ""},
        {"huge.ply", false, 0, 0, N, N, N, N, "", "", "huge.ply: declared counts exceed what the file holds.\n"},
        {"broken.gltf", false, 0, 0, N, N, N, N, "", "", "broken.gltf: "},
        {"index.ply", false, 0, 0, N, N, N, N, "", "",
         "index.ply: a face refers to a vertex the file does not have.\n"},
        {"loop.ply", false, 0, 0, N, N, N, N, "", "", "loop.ply: PLY header not understood.\n"},
        {"points.obj", true, 0, 0, N, N, N, N, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Loaded r = load(dir.file(c.file));
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (!*c.err) {
            EXPECT_EQ(r.err, "");
        }
        EXPECT_EQ(r.models, c.models);
        EXPECT_EQ(r.triangles, c.triangles);
        EXPECT_TRUE(r.layoutOk);
        EXPECT_TRUE(r.windingOk);
        const float want[] = {c.r, c.g, c.b, c.z};
        const int at[] = {3, 4, 5, 2};
        for (int k = 0; k < 4 && !r.first.empty(); ++k)
            if (!std::isnan(want[k])) {
                EXPECT_NEAR(r.first[at[k]], want[k], 1e-3f) << k;
            }
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
    for (const char* folder : {"OBJ", "PLY", "OFF", "glTF2", "3MF", "Collada"}) {
        std::vector<std::string> files;
        uint64_t total = 0;
        std::vector<std::string> pending{root + folder};
        while (!pending.empty()) {
            const std::string d = pending.back();
            pending.pop_back();
            DIR* h = opendir(d.c_str());
            for (dirent* e; h && (e = readdir(h));) {
                const std::string name = e->d_name, path = d + "/" + name;
                if (e->d_type == DT_DIR && name[0] != '.')
                    pending.push_back(path);
                else if (e->d_type == DT_REG && isAssimpFormat(path))
                    files.push_back(path);
            }
            if (h)
                closedir(h);
        }
        std::vector<std::string> kept;
        for (const std::string& f : files) {
            Assimp::Importer importer;
            const aiScene* s = importer.ReadFile(f, aiProcess_Triangulate | aiProcess_PreTransformVertices);
            uint64_t n = 0;
            for (unsigned m = 0; s && m < s->mNumMeshes; ++m)
                for (unsigned i = 0; i < s->mMeshes[m]->mNumFaces; ++i)
                    n += s->mMeshes[m]->mFaces[i].mNumIndices == 3;
            if (n == 0)
                continue;
            SCOPED_TRACE(f);
            const Loaded r = load(f);
            EXPECT_TRUE(r.ok) << r.err;
            EXPECT_EQ(r.triangles, n);
            kept.push_back(f);
            total += n;
        }
        SCOPED_TRACE(folder);
        ASSERT_FALSE(kept.empty());
        std::vector<std::string> conv{vyktest::programPath("vykconv")};
        conv.insert(conv.end(), kept.begin(), kept.end());
        conv.push_back(dir.file("all.stl"));
        vyktest::RunResult r = vyktest::run(conv);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string stl = vyktest::readFile(dir.file("all.stl"));
        ASSERT_GE(stl.size(), 84u);
        EXPECT_EQ(total, uint64_t(uint8_t(stl[80])) | uint64_t(uint8_t(stl[81])) << 8 |
                             uint64_t(uint8_t(stl[82])) << 16 | uint64_t(uint8_t(stl[83])) << 24);
        // Several files would be morph targets: one picture of them all.
        r = vyktest::run(
            {vyktest::programPath("vykshot"), "--size", "64x48", "-o", dir.file("s.png"), dir.file("all.stl")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(vyktest::readImage(dir.file("s.png")).width, 64);
    }
    std::vector<std::string> bad{vyktest::sourcePath("tests/data/importer_crash.off")};
    DIR* h = opendir((root + "invalid").c_str());
    for (dirent* e; h && (e = readdir(h));)
        if (e->d_type == DT_REG)
            bad.push_back(root + "invalid/" + e->d_name);
    if (h)
        closedir(h);
    for (const std::string& f : bad) {
        const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykshot"), "-o", dir.file("i.png"), f});
        EXPECT_TRUE(r.status == 0 || (r.status == 1 && !r.err.empty())) << f << " " << r.status;
    }
}
