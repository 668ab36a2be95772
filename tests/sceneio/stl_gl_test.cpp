// STL files on disk: reading into a scene, writing, round trips.
#include "sceneio/stl.h"

#include "sceneio/scene.h"
#include "support/capture.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const uint32_t R = 0xFFFFFFFFu;

// The STL reader through loadScene, with its messages on stderr.
vyktest::LoadedScene load(const std::string& path)
{
    return vyktest::loadSceneFile(path);
}

std::string le32(uint32_t v)
{
    std::string s;
    for (int k = 0; k < 4; ++k)
        s += char((v >> (8 * k)) & 0xFF);
    return s;
}

std::string floats(std::initializer_list<float> values)
{
    std::string s;
    for (float f : values)
        s.append(reinterpret_cast<const char*>(&f), 4);
    return s;
}

// A binary STL: 80-byte header, count, then one record per corner triple.
std::string binaryStl(const std::string& header, uint32_t count, const std::vector<std::vector<float>>& triangles)
{
    std::string s = header;
    s.resize(80, '\0');
    s += le32(count);
    for (const auto& t : triangles) {
        s += floats({0, 0, 1});                                              // normal, ignored
        s += floats({t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]}); // corners
        s += std::string("\0\0", 2);                                         // attribute bytes
    }
    return s;
}

const std::vector<float> kTri1 = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<float> kTri2 = {5, 5, 5, 6, 5, 5, 5, 7, 5};

// Files by content are in tests/data/scenes. A text file of 100000 facets
// without vertices is refused before they are reserved; a missing file
// fails without a word.
TEST(StlRead, ManyEmptyFacetsAndAMissingFile)
{
    std::string facetLines = "solid t\n";
    for (int i = 0; i < 100000; ++i)
        facetLines += "facet normal 0 0 1\n";
    vyktest::TempDir dir;
    vyktest::LoadedScene r = load(dir.write("many.stl", facetLines));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.stderrText, "num: 100001\n");
    r = load(dir.file("absent.stl"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.stderrText, "");
}

// Every prefix of a binary file, read from disk as a user's file would be.
TEST(StlRead, BinaryTruncationSweep)
{
    const std::string whole = binaryStl("bin", 3, {kTri1, kTri2, kTri1});
    vyktest::TempDir dir;
    for (size_t len = 0; len <= whole.size(); ++len) {
        SCOPED_TRACE(len);
        std::string path = dir.write("cut.stl", whole.substr(0, len));
        vyktest::LoadedScene r = load(path);
        if (len < 5) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.stderrText, "");
        } else if (len < 84) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.stderrText, path + ": binary STL ends inside its 84-byte header.\n");
        } else {
            const size_t held = (len - 84) / 50;
            ASSERT_TRUE(r.ok);
            EXPECT_EQ(r.elements.size(), held * 4);
            EXPECT_EQ(r.stderrText,
                      held == 3 ? std::string()
                                : path + ": binary STL holds " + std::to_string(held) + " of its 3 triangles.\n");
        }
    }
}

// Flat frames: both plane triangles get tangent y, binormal x, normal z at
// all three corners. The degenerate third has no normal, so the surface
// gives it the frame of its last edge, never NaN.
TEST(StlRead, TrianglesGetFlatFrames)
{
    vyktest::TempDir dir;
    const auto r = load(dir.write("t.stl", binaryStl("x", 3, {kTri1, kTri2, {1, 1, 1, 1, 1, 1, 2, 2, 2}})));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.frames.size(), 81u);
    const float s = -1.0f / std::sqrt(3.0f);
    const float frames[2][9] = {{0, 1, 0, 1, 0, 0, 0, 0, 1}, {s, s, s, 0, 0, 0, 0, 0, 0}};
    for (int v = 0; v < 9; ++v)
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(r.frames[9 * v + k], frames[v / 6][k], 1e-6f) << v << "," << k;
}

TEST(StlRead, FilesWrittenByAdmesh)
{
    for (const char* name :
         {"tests/data/sphere_binary.stl", "tests/data/sphere_text.stl", "tests/data/sphere_in.stl"}) {
        SCOPED_TRACE(name);
        vyktest::LoadedScene r = load(vyktest::sourcePath(name));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.stderrText, "");
        EXPECT_EQ(r.elements.size(), 224u * 4);
        EXPECT_EQ(r.vertices.size(), 224u * 27);
        // Every corner lies on the unit sphere.
        for (size_t i = 0; i + 2 < r.vertices.size(); i += 9)
            ASSERT_NEAR(std::sqrt(r.vertices[i] * r.vertices[i] + r.vertices[i + 1] * r.vertices[i + 1] +
                                  r.vertices[i + 2] * r.vertices[i + 2]),
                        1.0, 1e-5)
                << i;
    }
}

TEST(StlRead, StreamReaders)
{
    // Both expect the stream after the first five bytes, as readStl leaves it.
    std::istringstream binary(binaryStl("solid but binary", 2, {kTri1, kTri2}).substr(5, 84 + 60));
    std::istringstream text(" t\nfacet normal 0 0 1\nouter loop\nvertex 1 2 3\nvertex 4 5 6\nvertex 7 8 9\n");
    scene_t scene;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_TRUE(readStlBinary(binary, scene)); }),
              "stl: binary STL holds 1 of its 2 triangles.\n");
    EXPECT_TRUE(readStlText(text, scene));
    ASSERT_EQ(scene.models.size(), 2u);
    EXPECT_EQ(scene.models.front()->polygon.vertices.count(), 3u);
    EXPECT_EQ(scene.models.back()->polygon.elements.count(), 4u);
    scene.destroyModels();
}

// A model whose polygon holds the given positions and elements.
model_t* makeModel(const std::vector<float>& positions, const std::vector<uint32_t>& elements)
{
    auto* m = new model_t(model_t::Polygon);
    vyktest::fillPolygon(m->polygon, positions, 3, elements);
    return m;
}

TEST(StlWrite, BinaryBytesOfAStripOfFour)
{
    // Elements 0, 1, 2, 3 close (0, 1, 2) and then (2, 1, 3).
    model_t* m = makeModel({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 3});
    vyktest::TempDir dir;
    std::string path = dir.file("strip.stl");
    ASSERT_TRUE(writeStlBinary(path, *m, "strip"));
    std::string expected = std::string("strip") + std::string(75, '\0') + le32(2);
    // The normal (q1 - q0) x (q2 - q1) keeps the signs of its zero products.
    expected += floats({0, -0.0f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string(2, '\0'); // (0, 1, 2)
    expected += floats({-0.0f, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0}) + std::string(2, '\0'); // (2, 1, 3)
    EXPECT_EQ(vyktest::readFile(path), expected);

    // Without a header name the file name is the header, cut to 80 bytes.
    std::list<model_t*> models = {m, m};
    std::string longName = dir.file(std::string(100, 'n') + ".stl");
    ASSERT_TRUE(writeStlBinary(longName, models));
    std::string bytes = vyktest::readFile(longName);
    EXPECT_EQ(bytes.substr(0, 80), longName.substr(0, 80));
    EXPECT_EQ(bytes.substr(80, 4), le32(4));
    EXPECT_EQ(bytes.size(), 84u + 4 * 50);
    delete m;
}

TEST(StlWrite, TextLayout)
{
    model_t* m = makeModel({0, 0, 0, 2, 0, 0, 0, 0.5f, 0}, {0, 1, 2, R});
    vyktest::TempDir dir;
    std::string path = dir.file("one.stl");
    ASSERT_TRUE(writeStlText(path, {m}, "one"));
    EXPECT_EQ(vyktest::readFile(path), "solid one\r\n"
                                       "facet normal 0.000000e+00 -0.000000e+00 1.000000e+00\r\n"
                                       "  outer loop\r\n"
                                       "    vertex 0.000000e+00 0.000000e+00 0.000000e+00\r\n"
                                       "    vertex 2.000000e+00 0.000000e+00 0.000000e+00\r\n"
                                       "    vertex 0.000000e+00 5.000000e-01 0.000000e+00\r\n"
                                       "  endloop\r\n"
                                       "endfacet\r\n"
                                       "endsolid \r\n");
    delete m;
}

TEST(StlWrite, FailuresAreReported)
{
    model_t* m = makeModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    std::list<model_t*> models = {m};
    // A full disk: every write fails once the buffer is flushed.
    EXPECT_FALSE(writeStlBinary("/dev/full", models));
    EXPECT_FALSE(writeStlText("/dev/full", models));
    EXPECT_FALSE(writeStlBinary("/nonexistent-dir/x.stl", models));
    EXPECT_FALSE(writeStlText("/nonexistent-dir/x.stl", models));
    delete m;
}

} // namespace
