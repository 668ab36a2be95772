#include "model/polygon.h"

#include "foundation/check_gl.h"
#include "gl/scoped_map.h"
#include "model/environment.h"
#include "model/texture.h"
#include "sceneio/scene.h"
#include "sceneio/stl.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

constexpr uint32_t R = restartIndex;
using buffers_t = polygon_t::buffers_t;
const buffers_t kBoth[] = {buffers_t::All, buffers_t::OnDemand};

// Two unit squares side by side.
const std::vector<float> eight = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 2, 0, 0, 3, 0, 0, 2, 1, 0, 3, 1, 0};

void build(polygon_t& poly, const std::vector<uint32_t>& elements, buffers_t buffers = buffers_t::All)
{
    vyktest::fillPolygon(poly, eight, 3, elements, {}, buffers);
}

// Strips give triangles: the selection table holds each selected triangle's
// three indices in drawing order (restart indices elsewhere), and survives
// the next update. Fewer than three elements give no triangles. Bounds take
// only indexed vertices, and are left alone when none is indexed. Polygons
// whose selection table waits for the first selection behave the same.
TEST(PolygonTables, StripsGiveTrianglesAndRecords)
{
    struct {
        const char* label;
        std::vector<uint32_t> elements, selected; // selectelems after selecting every triangle
        std::vector<float> bounds;                // min, max
    } cases[] = {
        {"oneStrip", {0, 1, 2, 3}, {0, 1, 2, 2, 1, 3}, {0, 0, 0, 1, 1, 0}},
        {"restartSplits", {0, 1, 2, R, 4, 5, 6}, {0, 1, 2, 4, 5, 6, R, R, R, R, R, R, R, R, R}, {0, 0, 0, 3, 1, 0}},
        // An index past the vertices ends its strip like a restart index.
        {"badIndexEndsStrip",
         {0, 1, 2, 3, 4000000000u, 4, 5, 6},
         {0, 1, 2, 2, 1, 3, 4, 5, 6, R, R, R, R, R, R, R, R, R},
         {0, 0, 0, 3, 1, 0}},
        {"twoElements", {5, 7}, {}, {3, 0, 0, 3, 1, 0}},
        {"restartOnly", {R, R, R}, {R, R, R}, {42, 42, 42, 42, 42, 42}},
        {"noElements", {}, {}, {42, 42, 42, 42, 42, 42}},
    };
    for (const auto& c : cases)
        for (buffers_t buffers : kBoth) {
            SCOPED_TRACE(testing::Message() << c.label << (buffers == buffers_t::All ? "" : " on demand"));
            polygon_t poly;
            build(poly, c.elements, buffers);
            std::vector<uint32_t> stored = c.elements;
            std::replace_if(
                stored.begin(), stored.end(), [](uint32_t e) { return e >= 8; }, R);
            EXPECT_EQ(readBuffer<uint32_t>(poly.elements, stored.size()), stored);
            pos3 min{42, 42, 42}, max{42, 42, 42};
            poly.bounds(min, max);
            EXPECT_EQ(std::vector<float>({min.x, min.y, min.z, max.x, max.y, max.z}), c.bounds);
            for (uint32_t t = 0; t + 2 < c.elements.size(); ++t)
                poly.selectpolygon(t);
            for (int pass = 0; pass < 2; ++pass, poly.update()) {
                std::vector<uint32_t> table = readBuffer<uint32_t>(poly.selectelems, poly.selectelems.count());
                if (table.empty() && buffers == buffers_t::OnDemand)
                    table.assign(c.selected.size(), R); // no table yet: nothing shows
                EXPECT_EQ(table, c.selected) << (pass ? "after the update" : "");
            }
            EXPECT_FALSE(checkGL(c.label));
        }
}

// A selection made before a waiting selection table exists shows from the
// next update; an unselection before it only leaves the set.
TEST(PolygonTables, SelectionBeforeTheTableExists)
{
    polygon_t p;
    build(p, {0, 1, 2, 3, R, 4, 5, 6, 7}, buffers_t::OnDemand);
    p.selectedpolygons = {0, 3};
    p.unselectpolygon(0);
    p.update();
    EXPECT_EQ(readBuffer<uint32_t>(p.selectelems, 12), (std::vector<uint32_t>{R, R, R, R, R, R, R, R, R, 6, 5, 7}));
}

// A producer that re-sizes the elements after allocate gets its triangles and
// frames; selecting a triangle past the selection table writes nothing.
TEST(PolygonTables, ElementsGrownAfterAllocate)
{
    polygon_t poly;
    build(poly, {0, 1, 2, 3});
    ASSERT_TRUE(poly.elements.allocate(8));
    {
        scoped_map_t<uint32_t> e(poly.elements);
        ASSERT_TRUE(e);
        std::iota(e.get(), e.get() + 8, 0u);
    }
    poly.update();
    EXPECT_EQ(readBuffer<float>(poly.normals, 72)[71], 1.0f); // computed for the last triangle
    poly.selectpolygon(5);
    poly.selectpolygon(1);
    EXPECT_EQ(readBuffer<uint32_t>(poly.selectelems, poly.selectelems.count()),
              (std::vector<uint32_t>{R, R, R, 2, 1, 3}));
}

// Point sizes show the selection bits; on demand they are made by the first
// drawing or point selection.
TEST(PolygonSelection, PointSizesFollowTheBits)
{
    for (buffers_t buffers : kBoth)
        for (bool drawFirst : {false, true}) {
            polygon_t p;
            build(p, {0, 1, 2}, buffers);
            if (drawFirst)
                p.drawpoints();
            EXPECT_FALSE(p.unselectpoint(2));
            EXPECT_TRUE(p.selectpoint(3));
            p.clearselection();
            EXPECT_TRUE(p.selectpoint(1) && p.selectpoint(6) && p.selectpoint(7) && p.unselectpoint(6));
            EXPECT_FALSE(p.selectpoint(1) || p.selectpoint(8)); // already selected; past the points
            p.drawpoints();
            EXPECT_EQ(readBuffer<float>(p.pointsizes, 8), (std::vector<float>{3, 5, 3, 3, 3, 3, 3, 5}));
            EXPECT_FALSE(checkGL("PointSizesFollowTheBits"));
        }
}

// A count read from a file may ask for more than the GL can hold or index:
// the failure is reported, never taken for success, and the polygon stays
// usable.
TEST(PolygonAllocate, CountsTheGLCannotHoldOrIndexFail)
{
    polygon_t poly;
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(poly.allocate(uint64_t(1) << 32, 3)); }),
              "polygon_t::allocate() count out of range.\n");
    const std::string err = vyktest::stderrOf([&] { EXPECT_FALSE(poly.allocate(0xFFFFFFF0u, 3)); });
    EXPECT_NE(err.find("vertices.allocate() failed.\n"), std::string::npos) << err;
    EXPECT_EQ(poly.vertices.count(), 0u);
    poly.draw(); // nothing to draw from
    EXPECT_TRUE(poly.allocate(3, 3));
}

// Frames without a normal are computed from their triangle; a supplied one
// is kept.
TEST(PolygonFrames, ComputedWhereNormalIsZeroKeptWhereSupplied)
{
    const float h = std::sqrt(0.5f);
    const std::vector<float> given = {9, 8, 7, 6, 5, 4, 0, 0, 1}, right = {h, -h, 0, h, h, 0, 0, 0, 1};
    polygon_t poly;
    vyktest::fillPolygon(poly, {0, 0, 0, 1, 0, 0, 0, 1, 0}, 3, {0, 1, 2}, given);
    const std::vector<float> f = readBuffer<float>(poly.normals, 27);
    ASSERT_EQ(f.size(), 27u);
    for (size_t k = 0; k < 27; ++k)
        EXPECT_NEAR(f[k], k < 9 ? given[k] : right[k % 9], 2e-5f) << "vertex " << k / 9 << " component " << k % 9;
}

// polygon_t::draw over element layouts that are, or only look like, a plain
// triangle list (3k, 3k+1, 3k+2, restart): the triangles drawn are those of
// the strips either way; an index out of range drops its triangle.
TEST(PolygonDraw, TriangleListsAndStripsDrawTheirTriangles)
{
    texture_t texture;
    ASSERT_TRUE(texture.open(nullptr));
    const mtx3w identity = identityMatrix();
    const pos3 light{0, 0, 100};
    // Upper-left half (0, 1, 2), lower-right half (3, 4, 5) of the target,
    // both facing it; 0, 1, 2, 3 are also the quad as one strip.
    const float corners[6][2] = {{-1, 1}, {-1, -1}, {1, 1}, {1, -1}, {1, 1}, {-1, -1}};
    std::vector<float> records, frames;
    for (const auto& q : corners) {
        records.insert(records.end(), {q[0], q[1], -0.5f, 1, 1, 0, 1, 0, 0});
        frames.insert(frames.end(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    }
    const struct {
        std::vector<uint32_t> elements;
        bool upperLeft, lowerRight;
    } cases[] = {
        {{0, 1, 2, R, 3, 4, 5, R}, true, true},   {{0, 1, 2, R, 3, 4, 5}, true, true}, {{0, 1, 2, 3}, true, true},
        {{0, 1, 2, R, 3, 4, 99, R}, true, false}, {{R, R, R, R}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.elements));
        polygon_t poly;
        vyktest::fillPolygon(poly, records, 9, c.elements, frames);
        vyktest::OffscreenTarget target;
        vyktest::polygonRenderer().drawsolid(environment_t(), 0, texture, poly, &identity, &identity, &identity,
                                             &identity, &light, 200.0f);
        EXPECT_EQ(target.pixel(8, 56)[0] > 200, c.upperLeft);
        EXPECT_EQ(target.pixel(56, 8)[0] > 200, c.lowerRight);
    }
}

// An STL mesh keeps no work frames (a mesh of millions of triangles would
// carry them for nothing); a selection still finds its triangles.
TEST(PolygonDraw, StlModelSelectsWithoutWorkFrames)
{
    vyktest::TempDir dir;
    const std::string facet = "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                              "endloop\nendfacet\n";
    scene_t scene;
    ASSERT_TRUE(readStl(dir.write("two.stl", "solid two\n" + facet + facet + "endsolid two\n"), scene));
    polygon_t& poly = scene.models.back()->polygon;
    EXPECT_EQ(poly.wknmls.count(), 0u);
    poly.selectpolygon(1); // the second facet: vertices 3, 4, 5
    EXPECT_EQ(readBuffer<uint32_t>(poly.selectelems, 6), (std::vector<uint32_t>{R, R, R, 3, 4, 5}));
    scene.destroyModels();
}

} // namespace
