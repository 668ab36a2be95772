// Mesh formats read through assimp: the real files of assimp-testmodels
// through the programs. Small files of each format, with what they load,
// are in tests/data/scenes (mesh_*), read by the scene reader's test.
#include "sceneio/assimp_reader.h"

#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

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

// The child writes the records in pieces: a strip of triangles over three
// of them comes back whole, each triangle in its place, in the compact form
// while every vertex allows it. A colour of its own, or a normal of zero, in
// the last piece changes the form of what the pieces before it wrote.
TEST(AssimpReader, ALongStripComesBackInOrder)
{
    vyktest::TempDir dir;
    const unsigned n = 20000;
    // Vertex i at (i, i % 2, 0), grey but for the last, which is red where
    // `redLast` says; the last triangle takes normal 3, of zero, where
    // `zeroNormal` says.
    auto strip = [&](bool redLast, bool zeroNormal) {
        std::string obj = "vn 0 0 1\nvn 0 0 -1\nvn 0 0 0\n";
        for (unsigned i = 0; i < n + 2; ++i)
            obj += "v " + std::to_string(i) + " " + std::to_string(i % 2) + " 0" +
                   (redLast && i == n + 1 ? " 1 0 0\n" : " 0.5 0.5 0.5\n");
        for (unsigned i = 0; i < n; ++i) {
            // Every other triangle turns: its normal too.
            const std::string normal = zeroNormal && i == n - 1 ? "3" : i % 2 ? "2" : "1";
            obj += "f";
            for (unsigned c = i + 1; c <= i + 3; ++c)
                obj += " " + std::to_string(c) + "//" + normal;
            obj += "\n";
        }
        return obj;
    };
    struct form_case_t {
        const char* name;
        bool redLast, zeroNormal, compact;
    };
    for (const form_case_t& f : {form_case_t{"grey", false, false, true}, form_case_t{"red last", true, false, true},
                                 form_case_t{"zero normal last", false, true, false}}) {
        SCOPED_TRACE(f.name);
        const vyktest::LoadedScene s = vyktest::loadSceneFile(
            dir.write(std::string("strip") + (f.redLast ? "r" : "") + (f.zeroNormal ? "z" : "") + ".obj",
                      strip(f.redLast, f.zeroNormal)));
        ASSERT_TRUE(s.ok) << s.err;
        EXPECT_EQ(s.compact, f.compact);
        ASSERT_EQ(s.elements.size(), 4u * n);
        for (unsigned k = 0; k < n; ++k) {
            float x[3] = {s.vertices[27 * k], s.vertices[27 * k + 9], s.vertices[27 * k + 18]};
            std::sort(x, x + 3);
            const float red = f.redLast && k == n - 1 ? 1.0f : 0.5f;
            const float* last = &s.vertices[27 * k + 9 * (s.vertices[27 * k + 18] == float(k + 2) ? 2 : 1)];
            // (A zero normal is made again from the triangle when drawn.)
            const bool given = !f.zeroNormal || k != n - 1;
            if (x[0] != float(k) || x[2] != float(k + 2) || s.elements[4 * k] != 3 * k ||
                s.elements[4 * k + 3] != ~0u || s.vertices[27 * k + 3] != 0.5f || last[3] != red ||
                (given && s.frames[27 * k + 8] != (k % 2 ? -1.0f : 1.0f))) {
                ADD_FAILURE() << "triangle " << k;
                break;
            }
        }
    }
}
