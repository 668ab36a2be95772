#include "model/polygon.h"

#include "../render/glpolygon_fixture.h"
#include "foundation/check_gl.h"
#include "gl/scoped_map.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

constexpr uint32_t R = restartIndex;

struct v3 {
    float x, y, z;
};

// Positions as white vertices with u = v = 0.5.
void build(polygon_t& poly, const std::vector<v3>& positions, const std::vector<uint32_t>& elements,
           const std::vector<float>& frames = {})
{
    std::vector<float> records;
    for (const v3& p : positions)
        records.insert(records.end(), {p.x, p.y, p.z, 1, 1, 1, 1, 0.5f, 0.5f});
    ASSERT_TRUE(rendertest::fillPolygon(poly, records, frames, elements));
}

const std::vector<v3> eight = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}, {3, 1, 0}};

// Strips give triangles with their records; the selection table holds each
// selected triangle's three indices (restart indices elsewhere), and survives
// the next update. Fewer than three elements give no triangles. Bounds take
// only indexed vertices, and are left alone when none is indexed.
TEST(PolygonTables, StripsGiveTrianglesAndRecords)
{
    vyktest::glContext();
    struct {
        const char* label;
        std::vector<uint32_t> elements, stored; // stored: after update
        std::vector<polyid_t> polyids;
        std::vector<uint32_t> selected; // selectelems after selecting every triangle
        std::vector<float> bounds;      // min, max
    } cases[] = {
        {"oneStrip", {0, 1, 2, 3}, {0, 1, 2, 3}, {{0, false}, {1, true}}, {0, 1, 2, 2, 1, 3}, {0, 0, 0, 1, 1, 0}},
        {"restartSplits",
         {0, 1, 2, R, 4, 5, 6},
         {0, 1, 2, R, 4, 5, 6},
         {{0, false}, {4, false}, {R, false}, {R, false}, {R, false}},
         {0, 1, 2, 4, 5, 6, R, R, R, R, R, R, R, R, R},
         {0, 0, 0, 3, 1, 0}},
        // An index past the vertices ends its strip like a restart index.
        {"badIndexEndsStrip",
         {0, 1, 2, 3, 4000000000u, 4, 5, 6},
         {0, 1, 2, 3, R, 4, 5, 6},
         {{0, false}, {1, true}, {5, false}, {R, false}, {R, false}, {R, false}},
         {0, 1, 2, 2, 1, 3, 4, 5, 6, R, R, R, R, R, R, R, R, R},
         {0, 0, 0, 3, 1, 0}},
        {"twoElements", {5, 7}, {5, 7}, {}, {}, {3, 0, 0, 3, 1, 0}},
        {"restartOnly", {R, R, R}, {R, R, R}, {{R, false}}, {R, R, R}, {42, 42, 42, 42, 42, 42}},
        {"noElements", {}, {}, {}, {}, {42, 42, 42, 42, 42, 42}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, eight, c.elements);
        EXPECT_EQ(readBuffer<uint32_t>(poly.elements, c.stored.size()), c.stored);
        ASSERT_EQ(poly.polyidvector.size(), c.polyids.size());
        for (size_t t = 0; t < c.polyids.size(); ++t) {
            EXPECT_EQ(poly.polyidvector[t].position, c.polyids[t].position) << "triangle " << t;
            EXPECT_EQ(poly.polyidvector[t].flipped, c.polyids[t].flipped) << "triangle " << t;
        }
        pos3 min{42, 42, 42}, max{42, 42, 42};
        poly.bounds(min, max);
        EXPECT_EQ(std::vector<float>({min.x, min.y, min.z, max.x, max.y, max.z}), c.bounds);
        for (uint32_t t = 0; t < c.polyids.size(); ++t)
            poly.selectpolygon(t);
        poly.update();
        EXPECT_EQ(poly.selectelems.count(), c.selected.size());
        EXPECT_EQ(readBuffer<uint32_t>(poly.selectelems, c.selected.size()), c.selected);
        EXPECT_FALSE(checkGL(c.label));
    }
}

// A producer that re-sizes the elements after allocate gets its triangles and
// frames; selecting a triangle past the selection table writes nothing.
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
    EXPECT_EQ(readBuffer<float>(poly.normals, 72)[71], 1.0f); // computed for the last triangle
    poly.selectpolygon(5);
    poly.selectpolygon(1);
    EXPECT_EQ(readBuffer<uint32_t>(poly.selectelems, 6), (std::vector<uint32_t>{R, R, R, 2, 1, 3}));
    EXPECT_EQ(poly.selectelems.count(), 6u);
}

// tangent = normalize(Pb - Pc), normal = normalize((Pb - Pa) x (Pc - Pb)),
// computed only where the supplied normal is zero.
TEST(PolygonFrames, ComputedWhereNormalIsZeroKeptWhereSupplied)
{
    vyktest::glContext();
    const float s = std::sqrt(0.5f);
    using frame_t = std::vector<float>;
    const frame_t given = {9, 8, 7, 6, 5, 4, 0, 0, 1};
    const frame_t right = {s, -s, 0, s, s, 0, 0, 0, 1};
    const frame_t line = {-1, 0, 0, 0, 0, 0, 0, 0, 0}; // collinear: a zero normal
    const std::vector<v3> corners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const struct {
        const char* label;
        std::vector<v3> positions;
        frame_t frames;                // supplied, vertex after vertex (missing: zeros)
        std::vector<frame_t> expected; // each vertex's frame afterwards
    } cases[] = {
        {"rightTriangle", corners, {}, {right, right, right}},
        {"collinear", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {}, {line, line, line}},
        {"suppliedOnFirst", corners, given, {given, right, right}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, c.positions, {0, 1, 2}, c.frames);
        const frame_t f = readBuffer<float>(poly.normals, 27);
        ASSERT_EQ(f.size(), 27u);
        for (size_t k = 0; k < 27; ++k)
            EXPECT_NEAR(f[k], c.expected[k / 9][k % 9], 2e-5f) << "vertex " << k / 9 << " component " << k % 9;
    }
}

TEST(PolygonSelection, PointSizesFollowTheBits)
{
    vyktest::glContext();
    polygon_t poly;
    build(poly, eight, {0, 1, 2});
    const auto sizes = [&] { return readBuffer<float>(poly.pointsizes, 8); };
    EXPECT_EQ(sizes(), std::vector<float>(8, 3.0f));
    EXPECT_TRUE(poly.selectpoint(1));
    EXPECT_FALSE(poly.selectpoint(1));
    EXPECT_TRUE(poly.selectpoint(6));
    EXPECT_EQ(sizes(), (std::vector<float>{3, 5, 3, 3, 3, 3, 5, 3}));
    EXPECT_TRUE(poly.unselectpoint(1));
    EXPECT_FALSE(poly.selectpoint(8)); // past the points
    EXPECT_EQ(sizes(), (std::vector<float>{3, 3, 3, 3, 3, 3, 5, 3}));
    poly.clearselection();
    EXPECT_EQ(sizes(), std::vector<float>(8, 3.0f));
}

// A count read from a file may ask for more than the GL can hold or index:
// the failure is reported, never taken for success, and the polygon stays
// usable.
TEST(PolygonAllocate, CountsTheGLCannotHoldOrIndexFail)
{
    vyktest::glContext();
    polygon_t poly;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(poly.allocate(uint64_t(1) << 32, 3));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "polygon_t::allocate() count out of range.\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(poly.allocate(0xFFFFFFF0u, 3));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("vertices.allocate() failed.\n"), std::string::npos) << err;
    EXPECT_EQ(poly.vertices.count(), 0u);
    poly.draw(); // nothing to draw from
    EXPECT_TRUE(poly.allocate(3, 3));
}

} // namespace
