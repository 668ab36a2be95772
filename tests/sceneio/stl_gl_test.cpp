// STL files on disk: reading into a scene, writing, round trips.
#include "sceneio/stl.h"

#include "gl/scoped_map.h"
#include "sceneio/scene.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
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

// What one loaded STL model holds, read back from its GL buffers.
struct Loaded {
    bool ok = false;
    size_t models = 0;
    std::string err;
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
};

Loaded load(const std::string& path)
{
    vyktest::glContext();
    Loaded r;
    scene_t scene;
    testing::internal::CaptureStderr();
    r.ok = readStl(path, scene);
    r.err = testing::internal::GetCapturedStderr();
    r.models = scene.models.size();
    if (!scene.models.empty()) {
        vyk3d::polygon_t& p = scene.models.back()->polygon;
        r.vertices = vyktest::readBuffer<float>(p.vertices, p.vertices.count() * 9);
        r.frames = vyktest::readBuffer<float>(p.normals, p.normals.count() * 9);
        r.elements = vyktest::readBuffer<uint32_t>(p.elements, p.elements.count());
    }
    scene.destroyModels();
    return r;
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

// Each case: the file's bytes, the triangles it loads (-1: the load fails)
// and the exact stderr text, FILE standing for the path.
TEST(StlRead, FilesByContent)
{
    const std::string facet = "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n"
                              " endloop\nendfacet\n";
    const std::string crlf = "solid t\r\nfacet normal 0 0 1\r\nouter loop\r\nvertex 0 0 0\r\nvertex 1 0 0\r\n"
                             "vertex 0 1 0\r\nendloop\r\nendfacet\r\nendsolid\r\n";
    std::string facetLines; // 100000 facets without vertices: refused before they are reserved
    for (int i = 0; i < 100000; ++i)
        facetLines += "facet normal 0 0 1\n";
    const struct {
        std::string bytes;
        int triangles;
        std::string err;
    } cases[] = {
        // Many exporters begin the binary header with "solid": the size decides.
        {binaryStl("solid part", 2, {kTri1, kTri2}), 2, ""},
        {binaryStl("bin", 4294967295u, {kTri1, kTri2}), 2, "FILE: binary STL holds 2 of its 4294967295 triangles.\n"},
        {"solid t\n" + facet + "endsolid t\n", 1, ""},
        {crlf, 1, ""},
        {"solid empty\nendsolid empty\n", 0, ""},
        {"solid t\n" + facet + facet.substr(0, facet.find("  vertex 0 1 0")), -1, "num: 12\n"},
        {"solid t\n" + facetLines, -1, "num: 100001\n"},
        {"solid", -1, ""},
        {"", -1, ""},
        {"missing", -1, ""},
    };
    vyktest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 40));
        std::string path = c.bytes == "missing" ? dir.file("absent.stl") : dir.write("case.stl", c.bytes);
        Loaded r = load(path);
        EXPECT_EQ(r.ok, c.triangles >= 0);
        std::string err = c.err;
        if (err.find("FILE") != std::string::npos)
            err.replace(err.find("FILE"), 4, path);
        EXPECT_EQ(r.err, err);
        std::vector<uint32_t> elements;
        for (int t = 0; t < c.triangles; ++t)
            elements.insert(elements.end(), {uint32_t(3 * t), uint32_t(3 * t + 1), uint32_t(3 * t + 2), R});
        EXPECT_EQ(r.elements, elements);
        EXPECT_EQ(r.vertices.size(), 27u * std::max(c.triangles, 0));
    }
}

// Every prefix of a binary file, read from disk as a user's file would be.
TEST(StlRead, BinaryTruncationSweep)
{
    const std::string whole = binaryStl("bin", 3, {kTri1, kTri2, kTri1});
    vyktest::TempDir dir;
    for (size_t len = 0; len <= whole.size(); ++len) {
        SCOPED_TRACE(len);
        std::string path = dir.write("cut.stl", whole.substr(0, len));
        Loaded r = load(path);
        if (len < 5) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.err, "");
        } else if (len < 84) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.err, path + ": binary STL ends inside its 84-byte header.\n");
        } else {
            const size_t held = (len - 84) / 50;
            ASSERT_TRUE(r.ok);
            EXPECT_EQ(r.elements.size(), held * 4);
            EXPECT_EQ(r.err, held == 3
                                 ? std::string()
                                 : path + ": binary STL holds " + std::to_string(held) + " of its 3 triangles.\n");
        }
    }
}

TEST(StlRead, TrianglesBecomeGreyVerticesWithFlatFrames)
{
    vyktest::TempDir dir;
    Loaded r = load(dir.write("t.stl", binaryStl("x", 3, {kTri1, kTri2, {1, 1, 1, 1, 1, 1, 2, 2, 2}})));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.vertices.size(), 81u);
    // Vertex 4: corner 1 of triangle 1, grey, texture coordinate (0, 0).
    const std::vector<float> v4 = {6, 5, 5, 0.5f, 0.5f, 0.5f, 1, 0, 0};
    EXPECT_EQ(std::vector<float>(r.vertices.begin() + 36, r.vertices.begin() + 45), v4);
    // Both triangles lie in a z plane, counter-clockwise: tangent along the
    // second edge (y), binormal x, normal z, for all three corners; the
    // degenerate third never gets NaN.
    const float frame[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};
    for (int v = 0; v < 9; ++v)
        for (int k = 0; k < 9; ++k)
            if (v < 6) {
                EXPECT_FLOAT_EQ(r.frames[9 * v + k], frame[k]) << v << "," << k;
            } else {
                EXPECT_TRUE(std::isfinite(r.frames[9 * v + k])) << v << "," << k;
            }
}

// One facet per case, every vertex line of a facet the same: each number
// reads as strtod reads it (rounded to float), blanks and tabs separate,
// and a value missing at the end of a line is 0, never read from the next.
TEST(StlRead, TextNumbersAndSeparators)
{
    std::vector<std::string> lines;
    std::istringstream all(
        "0.1 -0.1 1.000000e+00|-1.234567E-05 3.4028235e38 1e22|1e23 9.999999999999999e22 123456789012345"
        "|1234567890123456789 0.000000000000000000000001 1e-22|1e-23 .5 5.|-0 1e 1e+|2E- 0x1p3 +7.5"
        "|inf 1e400 -1e-400|00012.50 7.038531e-26 0.30000000000000004"
        "|1.17549435e-38 16777217 3.141592653589793238|0x10 +2.5E+1 -0|  1.5    -2    3e1|1\t2\t3"
        "|\t 0.25 \t\t -0.5\t 1e-3  \r|1 2|1 2 |a b c");
    for (std::string l; std::getline(all, l, '|');)
        lines.push_back(l);
    std::string text = "solid t\n";
    for (const std::string& l : lines)
        text += "facet normal 0 0 1\nouter loop\n" + std::string(3, ' ') + "vertex " + l + "\nvertex " + l +
                "\n\tvertex " + l + "\nendloop\nendfacet\n";
    vyktest::TempDir dir;
    Loaded r = load(dir.write("n.stl", text + "endsolid t\n"));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.vertices.size(), lines.size() * 27);
    for (size_t i = 0; i < lines.size(); ++i) {
        const char* p = lines[i].c_str();
        for (int k = 0; k < 3; ++k) {
            char* end = nullptr;
            const float expected = std::strtod(p, &end) * (end != p); // words read as 0
            for (int v = 0; v < 3; ++v)
                EXPECT_EQ(std::memcmp(&r.vertices[27 * i + 9 * v + k], &expected, 4), 0)
                    << lines[i] << " [" << k << "]: " << r.vertices[27 * i + 9 * v + k];
            if (end == p) // a word: on to the next blank
                end = const_cast<char*>(p + std::strcspn(p, " "));
            p = *end ? end + 1 : end; // the next value starts one character on
        }
    }
}

TEST(StlRead, FilesWrittenByAdmesh)
{
    for (const char* name :
         {"tests/data/sphere_binary.stl", "tests/data/sphere_text.stl", "tests/data/sphere_in.stl"}) {
        SCOPED_TRACE(name);
        Loaded r = load(vyktest::sourcePath(name));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.err, "");
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
    vyktest::glContext();
    // Both expect the stream after the first five bytes, as readStl leaves it.
    std::istringstream binary(binaryStl("solid but binary", 2, {kTri1, kTri2}).substr(5, 84 + 60));
    std::istringstream text(" t\nfacet normal 0 0 1\nouter loop\nvertex 1 2 3\nvertex 4 5 6\nvertex 7 8 9\n");
    scene_t scene;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(readStlBinary(binary, scene));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "stl: binary STL holds 1 of its 2 triangles.\n");
    EXPECT_TRUE(readStlText(text, scene));
    ASSERT_EQ(scene.models.size(), 2u);
    EXPECT_EQ(scene.models.front()->polygon.vertices.count(), 3u);
    EXPECT_EQ(scene.models.back()->polygon.elements.count(), 4u);
    scene.destroyModels();
}

// A model whose polygon holds the given positions and elements.
model_t* makeModel(const std::vector<float>& positions, const std::vector<uint32_t>& elements)
{
    vyktest::glContext();
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

TEST(StlWrite, RoundTrips)
{
    Loaded original = load(vyktest::sourcePath("examples/bracket.stl"));
    ASSERT_TRUE(original.ok);
    ASSERT_GT(original.elements.size(), 0u);
    vyktest::glContext();
    scene_t scene;
    ASSERT_TRUE(readStl(vyktest::sourcePath("examples/bracket.stl"), scene));
    vyktest::TempDir dir;
    ASSERT_TRUE(writeStlBinary(dir.file("b.stl"), scene.models));
    ASSERT_TRUE(writeStlText(dir.file("t.stl"), scene.models));
    scene.destroyModels();

    Loaded binary = load(dir.file("b.stl"));
    ASSERT_TRUE(binary.ok);
    EXPECT_EQ(binary.elements, original.elements);
    EXPECT_EQ(binary.vertices, original.vertices); // bit for bit
    EXPECT_EQ(binary.frames, original.frames);

    Loaded text = load(dir.file("t.stl"));
    ASSERT_TRUE(text.ok);
    EXPECT_EQ(text.elements, original.elements);
    ASSERT_EQ(text.vertices.size(), original.vertices.size());
    for (size_t i = 0; i < text.vertices.size(); ++i)
        ASSERT_NEAR(text.vertices[i], original.vertices[i], 1e-6 * (1 + std::fabs(original.vertices[i]))) << i;
}

} // namespace
