// STL files read from disk into a scene, and the stream readers.
#include "sceneio/stl.h"

#include "sceneio/scene.h"
#include "support/capture.h"
#include "support/mesh_files.h"
#include "support/paths.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using assimptest::floats;
using vyktest::loadSceneFile;

// A binary STL: 80-byte header, count, then one record per corner triple.
std::string binaryStl(const std::string& header, uint32_t count, const std::vector<std::vector<float>>& triangles)
{
    std::string s = header;
    s.resize(80, '\0');
    s += std::string(reinterpret_cast<const char*>(&count), 4); // little-endian, as the host
    for (const auto& t : triangles)                             // normal (ignored), corners, attribute bytes
        s += floats({0, 0, 1, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]}) + std::string(2, '\0');
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
    vyktest::LoadedScene r = loadSceneFile(dir.write("many.stl", facetLines));
    EXPECT_TRUE(!r.ok && r.stderrText == "num: 100001\n") << r.stderrText;
    r = loadSceneFile(dir.file("absent.stl"));
    EXPECT_TRUE(!r.ok && r.stderrText.empty()) << r.stderrText;
}

// Every prefix of a binary file, read from disk as a user's file would be.
TEST(StlRead, BinaryTruncationSweep)
{
    const std::string whole = binaryStl("bin", 3, {kTri1, kTri2, kTri1});
    vyktest::TempDir dir;
    for (size_t len = 0; len <= whole.size(); ++len) {
        const std::string path = dir.write("cut.stl", whole.substr(0, len));
        const vyktest::LoadedScene r = loadSceneFile(path);
        const size_t held = len < 84 ? 0 : (len - 84) / 50;
        const std::string err = len < 5 || held == 3 ? ""
                                : len < 84           ? ": binary STL ends inside its 84-byte header.\n"
                                           : ": binary STL holds " + std::to_string(held) + " of its 3 triangles.\n";
        EXPECT_EQ(r.ok, len >= 84) << len;
        EXPECT_EQ(r.elements.size(), held * 4) << len;
        EXPECT_EQ(r.stderrText, err.empty() ? err : path + err) << len;
    }
}

TEST(StlRead, FilesWrittenByAdmesh)
{
    for (const char* name : {"sphere_binary.stl", "sphere_text.stl", "sphere_in.stl"}) {
        const vyktest::LoadedScene r = loadSceneFile(vyktest::sourcePath(std::string("tests/data/") + name));
        EXPECT_TRUE(r.ok && r.stderrText.empty() && r.compact) << name;
        EXPECT_EQ(r.elements.size(), 224u * 4) << name;
        ASSERT_EQ(r.vertices.size(), 224u * 27) << name;
        for (size_t i = 0; i < r.vertices.size(); i += 9) // every corner on the unit sphere
            ASSERT_NEAR(std::hypot(r.vertices[i], r.vertices[i + 1], r.vertices[i + 2]), 1.0, 1e-5) << name << i;
    }
}

// Large text files read ahead: one changed since gives its new triangles.
TEST(StlRead, TextReadAheadOnlyWhileUnchanged)
{
    const auto facets = [](int n) {
        std::string s = "solid t\n";
        for (int i = 0; i < n; ++i)
            s += "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n";
        return s;
    };
    vyktest::TempDir dir;
    std::vector<std::string> names = {dir.write("changed.stl", facets(20000)), dir.write("kept.stl", facets(20001))};
    std::vector<char*> argv = {&names[0][0], &names[1][0]};
    prefetchStl(2, argv.data());
    EXPECT_EQ(loadSceneFile(names[1]).elements.size(), 4u * 20001); // both read by now
    vyktest::writeFile(names[0], facets(20002));
    EXPECT_EQ(loadSceneFile(names[0]).elements.size(), 4u * 20002);
}

// A text file of three pieces (4 MB each) reads as one read in order: every
// facet in its place; and with a facet in the second piece lacking its
// "outer loop", the whole read's message and status.
TEST(StlRead, TextInPieces)
{
    std::string text = "solid t\n";
    for (int i = 0; i < 100000; ++i) {
        const std::string x = std::to_string(i);
        text += "facet normal 0 0 1\nouter loop\nvertex " + x + " 0 0\nvertex " + x + " 1 0\nvertex " + x +
                " 0 1\nendloop\nendfacet\n";
    }
    vyktest::TempDir dir;
    const vyktest::LoadedScene r = loadSceneFile(dir.write("pieces.stl", text));
    ASSERT_TRUE(r.ok && r.stderrText.empty()) << r.stderrText;
    ASSERT_EQ(r.vertices.size(), 100000u * 27);
    for (size_t i = 0; i < 100000; ++i)
        ASSERT_TRUE(r.vertices[27 * i] == float(i) && r.vertices[27 * i + 19] == 0.0f) << i;
    text.erase(text.find("outer loop", text.size() / 2), 11);
    std::istringstream whole(text.substr(5));
    scene_t scene;
    const std::string expected = vyktest::stderrOf([&] { EXPECT_FALSE(readStlText(whole, scene)); });
    scene.destroyModels();
    const vyktest::LoadedScene cut = loadSceneFile(dir.write("cut.stl", text));
    EXPECT_TRUE(!cut.ok && cut.stderrText == expected && !expected.empty()) << cut.stderrText;
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
    EXPECT_EQ(scene.models.front()->polygon.vertexcount(), 3u);
    EXPECT_EQ(scene.models.back()->polygon.elements.count(), 4u);
    scene.destroyModels();
}

} // namespace
