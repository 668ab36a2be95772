// The CPU half of STL: text and binary parsing into raw arrays, the strip walk.
#include "sceneio/stl_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using stlmesh::Arrays;

struct Mesh {
    explicit Mesh(size_t triangles)
        : vertices(triangles * 27, -7.0f), frames(triangles * 27, -7.0f), elements(triangles * 4, 7u)
    {
    }
    Arrays arrays() { return {vertices.data(), frames.data(), elements.data()}; }
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
};

// Parses text that follows a "solid" line; returns the stderr output.
std::string parseText(const std::string& rest, Mesh& mesh, bool& ok, uint64_t& facets)
{
    facets = stlmesh::countFacets(rest.data(), rest.data() + rest.size());
    mesh = Mesh(facets);
    testing::internal::CaptureStderr();
    ok = stlmesh::fillText(rest.data(), rest.data() + rest.size(), uint32_t(facets), mesh.arrays());
    return testing::internal::GetCapturedStderr();
}

const char kFacet[] = "facet normal 0 0 1\n"
                      "  outer loop\n"
                      "    vertex 1 2 3\n"
                      "    vertex 4 5 6\n"
                      "    vertex 7 8 10\n"
                      "  endloop\n"
                      "endfacet\n";

TEST(StlText, SeparatorsBetweenNumbers)
{
    struct Case {
        const char* name;
        const char* vertexLine;
        float x, y, z;
    };
    const Case cases[] = {
        {"blanks", "vertex 1 2 3", 1, 2, 3},
        {"several blanks", "vertex   1.5    -2    3e1", 1.5f, -2, 30},
        {"tabs", "vertex 1\t2\t3", 1, 2, 3},
        {"tabs and blanks", "\tvertex \t 0.25 \t\t -0.5\t 1e-3  \r", 0.25f, -0.5f, 0.001f},
        {"plus sign and exponent", "vertex +1 +2.5E+1 -0", 1, 25, 0},
        {"hexadecimal as strtod reads it", "vertex 0x10 2 3", 16, 2, 3},
        // The third value would be on the next line: it is not read from there.
        {"missing value", "vertex 1 2", 1, 2, 0},
        {"trailing separator", "vertex 1 2 ", 1, 2, 0},
        {"words instead of numbers", "vertex a b c", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = std::string("facet normal 0 0 1\nouter loop\n") + c.vertexLine + "\nvertex 9 9 9\n" +
                           c.vertexLine + "\nendloop\nendfacet\nendsolid x\n";
        Mesh mesh(0);
        bool ok = false;
        uint64_t facets = 0;
        std::string err = parseText(text, mesh, ok, facets);
        ASSERT_TRUE(ok);
        EXPECT_EQ(err, "");
        ASSERT_EQ(facets, 1u);
        EXPECT_FLOAT_EQ(mesh.vertices[0], c.x);
        EXPECT_FLOAT_EQ(mesh.vertices[1], c.y);
        EXPECT_FLOAT_EQ(mesh.vertices[2], c.z);
        EXPECT_FLOAT_EQ(mesh.vertices[9], 9);
        EXPECT_FLOAT_EQ(mesh.vertices[18], c.x);
        EXPECT_FLOAT_EQ(mesh.vertices[20], c.z);
    }
}

// Every form of number reads as strtod reads it, rounded to float, each
// value starting one character after the end of the one before.
TEST(StlText, NumbersAsStrtodReadsThem)
{
    const char* numbers[] = {
        "0.1",
        "-0.1",
        "1.000000e+00",
        "-1.234567E-05",
        "3.4028235e38",
        "1e22",
        "1e23",
        "9.999999999999999e22",
        "123456789012345",
        "1234567890123456789",
        "0.000000000000000000000001",
        "1e-22",
        "1e-23",
        ".5",
        "5.",
        "-0",
        "1e",
        "1e+",
        "2E-",
        "0x1p3",
        "+7.5",
        "inf",
        "-nan",
        "1e400",
        "-1e-400",
        "00012.50",
        "7.038531e-26",
        "0.30000000000000004",
        "1.17549435e-38",
        "16777217",
        "3.141592653589793238",
    };
    for (const char* n : numbers) {
        SCOPED_TRACE(n);
        const std::string values = std::string(n) + " " + n + " 1";
        std::string text = "facet normal 0 0 1\nouter loop\nvertex " + values + "\nvertex 0 0 0\nvertex 0 0 0\n";
        Mesh mesh(0);
        bool ok = false;
        uint64_t facets = 0;
        parseText(text, mesh, ok, facets);
        ASSERT_TRUE(ok);
        // The same line read by strtod itself.
        const char* p = values.c_str();
        char* end = nullptr;
        for (int k = 0; k < 3; ++k) {
            const float expected = float(std::strtod(p, &end));
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(mesh.vertices[k])) << k;
            } else {
                EXPECT_EQ(std::memcmp(&mesh.vertices[k], &expected, 4), 0) << k << ": " << mesh.vertices[k];
            }
            p = *end ? end + 1 : end;
        }
    }
}

TEST(StlText, TriangleRecords)
{
    std::string text = std::string(kFacet) + kFacet + "endsolid\n";
    Mesh mesh(0);
    bool ok = false;
    uint64_t facets = 0;
    parseText(text, mesh, ok, facets);
    ASSERT_TRUE(ok);
    ASSERT_EQ(facets, 2u);
    const float first[9] = {1, 2, 3, 0.5f, 0.5f, 0.5f, 1, 0, 0};
    for (int k = 0; k < 9; ++k)
        EXPECT_FLOAT_EQ(mesh.vertices[k], first[k]) << k;
    EXPECT_FLOAT_EQ(mesh.vertices[27 + 18 + 2], 10);
    EXPECT_EQ(mesh.elements, (std::vector<uint32_t>{0, 1, 2, 0xFFFFFFFFu, 3, 4, 5, 0xFFFFFFFFu}));
}

TEST(StlText, EndsInsideAFacet)
{
    struct Case {
        const char* name;
        std::string text;
        const char* err;
    };
    std::string whole = kFacet;
    const Case cases[] = {
        // "solid" is line 1, the first facet lines 2-8, the cut facet from 9.
        {"after the second vertex", whole + "facet normal 0 0 1\nouter loop\nvertex 1 2 3\nvertex 4 5 6\n",
         "num: 12\n"},
        {"after the second vertex, no line feed", whole + "facet normal 0 0 1\nouter loop\nvertex 1 2 3\nvertex 4 5 6",
         "num: 12\n"},
        {"after the facet line", whole + "facet normal 0 0 1\n", "num: 9\n"},
        {"with blank lines after", whole + "facet normal 0 0 1\nouter loop\n\n\n", "num: 12\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh(0);
        bool ok = true;
        uint64_t facets = 0;
        std::string err = parseText(c.text, mesh, ok, facets);
        EXPECT_EQ(facets, 2u);
        EXPECT_FALSE(ok);
        EXPECT_EQ(err, c.err);
    }
}

TEST(StlText, NoFacetsIsEmpty)
{
    const std::string rest = " empty\nendsolid empty\n";
    EXPECT_EQ(stlmesh::countFacets(rest.data(), rest.data() + rest.size()), 0u);
    EXPECT_TRUE(stlmesh::fillText(rest.data(), rest.data() + rest.size(), 0, Arrays{nullptr, nullptr, nullptr}));
}

TEST(StlText, FlatFrame)
{
    // Corners (0,0,0), (2,0,0), (0,3,0): A = x, B = y, N = z.
    const float c[9] = {0, 0, 0, 2, 0, 0, 0, 3, 0};
    Mesh mesh(2);
    stlmesh::fillTriangle(mesh.arrays(), 1, c);
    const float frame[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1}; // tangent B, binormal B x N, normal N
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 9; ++k)
            EXPECT_FLOAT_EQ(mesh.frames[27 + 9 * v + k], frame[k]) << v << "," << k;
    EXPECT_EQ(mesh.elements[4], 3u);
    EXPECT_EQ(mesh.elements[7], 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(mesh.frames[0], -7.0f); // triangle 0 untouched

    // A degenerate triangle gets a zero frame, never NaN.
    const float flat[9] = {1, 1, 1, 1, 1, 1, 2, 2, 2};
    stlmesh::fillTriangle(mesh.arrays(), 0, flat);
    for (int k = 0; k < 27; ++k)
        EXPECT_FALSE(std::isnan(mesh.frames[k])) << k;
    EXPECT_FLOAT_EQ(mesh.frames[8], 0.0f);
}

// A binary STL image: header, count, then `records` 50-byte records.
std::string binaryStl(uint32_t count, uint32_t records)
{
    std::string s(80, 'h');
    for (int k = 0; k < 4; ++k)
        s += char((count >> (8 * k)) & 0xFF);
    for (uint32_t i = 0; i < records; ++i) {
        float values[12] = {0, 0, 1, float(i), 0, 0, float(i) + 1, 0, 0, float(i), 1, 0};
        s.append(reinterpret_cast<const char*>(values), sizeof values); // normal, 3 corners
        s += std::string("\0\0", 2);                                    // attribute byte count
    }
    return s;
}

TEST(StlBinary, CountAgainstSize)
{
    struct Case {
        const char* name;
        uint32_t count, records;
        uint32_t expected;
        bool reported;
    };
    const Case cases[] = {
        {"exact", 1, 1, 1, false},
        {"empty", 0, 0, 0, false},
        {"count larger than the file", 4294967295u, 2, 2, true},
        {"one record short", 3, 2, 2, true},
        {"extra bytes after the records", 1, 2, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string s = binaryStl(c.count, c.records);
        testing::internal::CaptureStderr();
        uint32_t n = stlmesh::binaryTriangleCount(s.data(), s.size(), "cut.stl");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(n, c.expected);
        std::string expectedErr;
        if (c.reported)
            expectedErr = "cut.stl: binary STL holds " + std::to_string(c.expected) + " of its " +
                          std::to_string(c.count) + " triangles.\n";
        EXPECT_EQ(err, expectedErr);
    }
}

TEST(StlBinary, OneTriangle)
{
    std::string s = binaryStl(1, 1);
    Mesh mesh(1);
    stlmesh::fillBinary(s.data(), 1, mesh.arrays());
    EXPECT_EQ(mesh.elements, (std::vector<uint32_t>{0, 1, 2, 4294967295u}));
    const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k)
            EXPECT_FLOAT_EQ(mesh.vertices[9 * v + k], corners[3 * v + k]);
}

// Every prefix of a valid file, each in a buffer of its own size so that the
// sanitizer sees any read past it.
TEST(StlBinary, TruncationSweep)
{
    const std::string whole = binaryStl(3, 3);
    for (size_t len = 84; len <= whole.size(); ++len) {
        std::unique_ptr<char[]> buf(new char[len]);
        std::memcpy(buf.get(), whole.data(), len);
        testing::internal::CaptureStderr();
        uint32_t n = stlmesh::binaryTriangleCount(buf.get(), len, "x");
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(n, (len - 84) / 50) << len;
        Mesh mesh(n);
        stlmesh::fillBinary(buf.get(), n, mesh.arrays());
        if (n > 0) {
            EXPECT_FLOAT_EQ(mesh.vertices[27 * (n - 1)], float(n - 1));
        }
    }
}

TEST(StlWalk, Strips)
{
    using Tri = std::tuple<uint32_t, uint32_t, uint32_t>;
    struct Case {
        const char* name;
        std::vector<uint32_t> elements;
        uint64_t vertices;
        std::vector<Tri> triangles;
    };
    const uint32_t R = 0xFFFFFFFFu;
    const Case cases[] = {
        {"one strip of four", {0, 1, 2, 3}, 4, {Tri{0, 1, 2}, Tri{2, 1, 3}}},
        {"strip of five", {0, 1, 2, 3, 4}, 5, {Tri{0, 1, 2}, Tri{2, 1, 3}, Tri{2, 3, 4}}},
        {"restart splits", {0, 1, 2, R, 3, 4, 5}, 6, {Tri{0, 1, 2}, Tri{3, 4, 5}}},
        {"bad index ends a run", {0, 1, 9, 2, 3, 4}, 5, {Tri{2, 3, 4}}},
        {"too short", {0, 1}, 2, {}},
        {"empty", {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Tri> got;
        uint64_t n = stlmesh::walkTriangles(c.elements.data(), c.elements.size(), c.vertices,
                                            [&](uint32_t a, uint32_t b, uint32_t d) { got.emplace_back(a, b, d); });
        EXPECT_EQ(got, c.triangles);
        EXPECT_EQ(n, c.triangles.size());
    }
}

} // namespace
