#include "foundation/check_gl.h"
#include "model/polygon.h"
#include "render/scoped_map.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace vyk3d;

namespace
{

constexpr uint32_t R = restartIndex;

struct v3 {
    float x, y, z;
};

// Allocates and fills a polygon as the readers do: positions (white, u = v
// = 0.5), frames (zero unless given), elements; then update.
void build(polygon_t& poly, const std::vector<v3>& positions, const std::vector<uint32_t>& elements,
           const std::vector<float>& frames = {})
{
    ASSERT_TRUE(poly.allocate(positions.size(), elements.size()));
    {
        scoped_map_t<float> v(poly.vertices);
        ASSERT_TRUE(positions.empty() || v);
        for (size_t i = 0; i < positions.size(); ++i) {
            const float record[9] = {positions[i].x, positions[i].y, positions[i].z, 1, 1, 1, 1, 0.5f, 0.5f};
            std::copy(record, record + 9, &v[i * 9]);
        }
        scoped_map_t<float> n(poly.normals);
        for (size_t i = 0; n && i < positions.size() * 9; ++i)
            n[i] = i < frames.size() ? frames[i] : 0.0f;
        scoped_map_t<uint32_t> e(poly.elements);
        for (size_t i = 0; e && i < elements.size(); ++i)
            e[i] = elements[i];
    }
    poly.update("test polygon");
}

std::vector<uint32_t> mapped(element_array_t& array)
{
    scoped_map_t<const uint32_t> p(array, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<uint32_t>(p.get(), p.get() + array.count());
}

std::vector<float> frameOf(polygon_t& poly, size_t vertex)
{
    scoped_map_t<const float> p(poly.normals, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<float>(&p[vertex * 9], &p[vertex * 9] + 9);
}

const std::vector<v3> eight = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}, {3, 1, 0}};

struct strip_case_t {
    const char* label;
    std::vector<uint32_t> elements;
    std::vector<uint32_t> stored;   // elements after update
    std::vector<polyid_t> polyids;  // the triangles' records, in order
    std::vector<uint32_t> selected; // selectelems after selecting every triangle
};

const strip_case_t stripCases[] = {
    {"oneStrip", {0, 1, 2, 3}, {0, 1, 2, 3}, {{0, false}, {1, true}}, {0, 1, 2, 2, 1, 3}},
    {"restartSplits",
     {0, 1, 2, R, 4, 5, 6},
     {0, 1, 2, R, 4, 5, 6},
     {{0, false}, {4, false}, {R, false}, {R, false}, {R, false}},
     {0, 1, 2, 4, 5, 6, R, R, R, R, R, R, R, R, R}},
    // An index past the vertices ends its strip like a restart index.
    {"badIndexEndsStrip",
     {0, 1, 2, 3, 4000000000u, 4, 5, 6},
     {0, 1, 2, 3, R, 4, 5, 6},
     {{0, false}, {1, true}, {5, false}, {R, false}, {R, false}, {R, false}},
     {0, 1, 2, 2, 1, 3, 4, 5, 6, R, R, R, R, R, R, R, R, R}},
    {"twoElements", {0, 1}, {0, 1}, {}, {}},
    {"noElements", {}, {}, {}, {}},
};

TEST(PolygonTables, StripsGiveTrianglesAndRecords)
{
    vyktest::glContext();
    for (const strip_case_t& c : stripCases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, eight, c.elements);
        EXPECT_EQ(poly.name, "test polygon");
        EXPECT_EQ(mapped(poly.elements), c.stored);
        ASSERT_EQ(poly.polyidvector.size(), c.polyids.size());
        for (size_t t = 0; t < c.polyids.size(); ++t) {
            EXPECT_EQ(poly.polyidvector[t].position, c.polyids[t].position) << "triangle " << t;
            EXPECT_EQ(poly.polyidvector[t].flipped, c.polyids[t].flipped) << "triangle " << t;
        }
        EXPECT_EQ(poly.selectelems.count(), c.selected.size());
        EXPECT_EQ(mapped(poly.selectelems), std::vector<uint32_t>(c.selected.size(), R));
        for (uint32_t t = 0; t < c.polyids.size(); ++t)
            poly.selectpolygon(t);
        EXPECT_EQ(mapped(poly.selectelems), c.selected);
        // The selection is rebuilt, not lost, by the next update.
        poly.update();
        EXPECT_EQ(mapped(poly.selectelems), c.selected);
        EXPECT_FALSE(checkGL(c.label));
    }
}

TEST(PolygonTables, UnknownTriangleIsReported)
{
    vyktest::glContext();
    polygon_t poly;
    build(poly, eight, {0, 1, 2, 3});
    testing::internal::CaptureStderr();
    poly.selectpolygon(7);
    poly.unselectpolygon(2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "polygon_t::selectpolygon() polyid(7) >= polyidvector.size(2)\n"
                                                      "polygon_t::selectpolygon() polyid(2) >= polyidvector.size(2)\n");
    poly.selectpolygon(1);
    poly.unselectpolygon(1);
    EXPECT_EQ(mapped(poly.selectelems), std::vector<uint32_t>(6, R));
    EXPECT_TRUE(poly.selectedpolygons.empty());
}

// A producer that re-sizes the elements after allocate gets its triangles
// and frames; the selection table keeps its allocated size.
TEST(PolygonTables, ElementsGrownAfterAllocate)
{
    vyktest::glContext();
    polygon_t poly;
    build(poly, eight, {0, 1, 2, 3});
    ASSERT_TRUE(poly.elements.allocate(8));
    {
        scoped_map_t<uint32_t> e(poly.elements);
        ASSERT_TRUE(e);
        for (uint32_t i = 0; i < 8; ++i)
            e[i] = i;
    }
    poly.update();
    ASSERT_EQ(poly.polyidvector.size(), 6u);
    EXPECT_EQ(poly.polyidvector[5].position, 5u);
    EXPECT_TRUE(poly.polyidvector[5].flipped);
    EXPECT_EQ(frameOf(poly, 7)[8], 1.0f); // computed for the last triangle
    poly.selectpolygon(5);                // past the table: nothing happens
    poly.selectpolygon(1);
    EXPECT_EQ(mapped(poly.selectelems), (std::vector<uint32_t>{R, R, R, 2, 1, 3}));
    EXPECT_FALSE(checkGL("ElementsGrownAfterAllocate"));
}

TEST(PolygonFrames, ComputedWhereNormalIsZeroKeptWhereSupplied)
{
    vyktest::glContext();
    const float s = std::sqrt(0.5f);
    using frame_t = std::vector<float>;
    struct frame_case_t {
        const char* label;
        std::vector<v3> positions;
        std::vector<float> frames;     // supplied, vertex after vertex (missing: zeros)
        std::vector<frame_t> expected; // each vertex's frame afterwards
    };
    const frame_t given = {9, 8, 7, 6, 5, 4, 0, 0, 1};
    // tangent = normalize(Pb - Pc), normal = normalize((Pb - Pa) x (Pc - Pb))
    const frame_t right = {s, -s, 0, s, s, 0, 0, 0, 1};
    const frame_t line = {-1, 0, 0, 0, 0, 0, 0, 0, 0};
    const v3 rightCorners[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::vector<float> givenToAll;
    for (int v = 0; v < 3; ++v)
        givenToAll.insert(givenToAll.end(), given.begin(), given.end());
    const frame_case_t cases[] = {
        {"rightTriangle", {rightCorners, rightCorners + 3}, {}, {right, right, right}},
        {"collinear", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {}, {line, line, line}},
        // The computed frame fills the others but leaves a supplied one alone.
        {"suppliedOnFirst", {rightCorners, rightCorners + 3}, given, {given, right, right}},
        {"suppliedOnAll", {rightCorners, rightCorners + 3}, givenToAll, {given, given, given}},
    };
    for (const frame_case_t& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, c.positions, {0, 1, 2}, c.frames);
        for (size_t v = 0; v < 3; ++v) {
            const frame_t f = frameOf(poly, v);
            ASSERT_EQ(f.size(), 9u);
            for (size_t k = 0; k < 9; ++k)
                EXPECT_NEAR(f[k], c.expected[v][k], 2e-5f) << "vertex " << v << " component " << k;
        }
    }
}

TEST(PolygonBounds, OnlyIndexedVerticesCount)
{
    vyktest::glContext();
    const std::vector<v3> points = {{1, 2, 3}, {-1, 5, 0}, {100, 100, 100}, {0, -4, 9}};
    struct bounds_case_t {
        const char* label;
        std::vector<uint32_t> elements;
        v3 min, max;
    };
    const v3 keep = {42, 42, 42};
    const bounds_case_t cases[] = {
        {"indexed", {0, 1, R, 3}, {-1, -4, 0}, {1, 5, 9}},
        {"restartOnly", {R, R, R}, keep, keep},
        {"noElements", {}, keep, keep},
    };
    for (const bounds_case_t& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, points, c.elements);
        pos3 min{42, 42, 42}, max{42, 42, 42};
        poly.bounds(min, max);
        EXPECT_EQ(min.x, c.min.x);
        EXPECT_EQ(min.y, c.min.y);
        EXPECT_EQ(min.z, c.min.z);
        EXPECT_EQ(max.x, c.max.x);
        EXPECT_EQ(max.y, c.max.y);
        EXPECT_EQ(max.z, c.max.z);
    }
}

float pointSize(polygon_t& poly, uint64_t i)
{
    float size = -1.0f;
    poly.pointsizes.readRecord(i, &size);
    return size;
}

TEST(PolygonSelection, PointSizesFollowTheBits)
{
    vyktest::glContext();
    polygon_t poly;
    build(poly, eight, {0, 1, 2});
    for (uint64_t i = 0; i < 8; ++i)
        EXPECT_EQ(pointSize(poly, i), 3.0f);
    EXPECT_TRUE(poly.selectpoint(1));
    EXPECT_FALSE(poly.selectpoint(1));
    EXPECT_EQ(pointSize(poly, 1), 5.0f);
    EXPECT_TRUE(poly.selectedpoints[1]);
    EXPECT_TRUE(poly.selectpoint(6));
    EXPECT_TRUE(poly.unselectpoint(1));
    EXPECT_FALSE(poly.unselectpoint(1));
    EXPECT_EQ(pointSize(poly, 1), 3.0f);
    EXPECT_FALSE(poly.selectpoint(8)); // past the points
    EXPECT_FALSE(poly.unselectpoint(1u << 31));
    poly.clearselection();
    EXPECT_EQ(pointSize(poly, 6), 3.0f);
    EXPECT_FALSE(poly.selectedpoints[6]);
}

TEST(PolygonLifecycle, ClearThenAllocateAgain)
{
    vyktest::glContext();
    polygon_t poly;
    build(poly, eight, {0, 1, 2, 3});
    poly.selectpolygon(0);
    poly.clear();
    EXPECT_EQ(poly.vertices.count(), 0u);
    EXPECT_EQ(poly.elements.count(), 0u);
    EXPECT_EQ(poly.pointsizes.count(), 0u);
    EXPECT_TRUE(poly.name.empty());
    EXPECT_TRUE(poly.polyidvector.empty());
    EXPECT_TRUE(poly.selectedpolygons.empty());
    EXPECT_TRUE(poly.selectedpoints.empty());
    EXPECT_EQ(poly.framefeedback.name(), 0u);
    poly.draw(); // nothing to draw, nothing reported
    build(poly, eight, {4, 5, 6});
    EXPECT_EQ(poly.polyidvector.size(), 1u);
    EXPECT_EQ(poly.framefeedback.count(), 72u);
    EXPECT_EQ(poly.pointfeedback.count(), 80u);
    EXPECT_FALSE(checkGL("PolygonLifecycle"));
}

// A count read from a file may ask for more than the GL can hold: the
// failure is reported, never taken for success.
TEST(PolygonAllocate, StoreTheGLCannotReserveFails)
{
    vyktest::glContext();
    polygon_t poly;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(poly.allocate(0xFFFFFFF0u, 3));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("vertices.allocate() failed.\n"), std::string::npos) << err;
    EXPECT_EQ(poly.vertices.count(), 0u);
    EXPECT_EQ(poly.vertices.map(), nullptr);
    poly.draw();                      // nothing to draw from
    EXPECT_TRUE(poly.allocate(3, 3)); // and the polygon is still usable
}

TEST(PolygonAllocate, CountsPastTheIndexRangeAreRefused)
{
    vyktest::glContext();
    polygon_t poly;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(poly.allocate(uint64_t(1) << 32, 3));
    EXPECT_FALSE(poly.allocate(3, uint64_t(1) << 40));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "polygon_t::allocate() count out of range.\npolygon_t::allocate() count out of range.\n");
    EXPECT_EQ(poly.vertices.count(), 0u);
}

} // namespace
