// Polygons allocated with buffers_t::OnDemand (large meshes read from files)
// behave as fully allocated ones; only the frame-pass arrays and the
// selection table wait until something asks for them.

#include "model/polygon.h"

#include "foundation/check_gl.h"
#include "gl/scoped_map.h"
#include "sceneio/scene.h"
#include "sceneio/stl.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

constexpr uint32_t R = restartIndex;
using buffers_t = polygon_t::buffers_t;

// Two strips over eight vertices of the z = 0 plane; frames left zero, so
// update computes them.
void build(polygon_t& poly, buffers_t buffers, const std::vector<uint32_t>& elements)
{
    const float xy[8][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {3, 0}, {2, 1}, {3, 1}};
    ASSERT_TRUE(poly.allocate(8, elements.size(), buffers));
    {
        scoped_map_t<float> v(poly.vertices);
        scoped_map_t<float> n(poly.normals);
        scoped_map_t<uint32_t> e(poly.elements);
        ASSERT_TRUE(v && n && e);
        for (size_t i = 0; i < 8; ++i) {
            const float record[9] = {xy[i][0], xy[i][1], 0, 1, 1, 1, 1, 0.5f, 0.5f};
            std::memcpy(&v[i * 9], record, sizeof record);
            std::fill(&n[i * 9], &n[i * 9] + 9, 0.0f);
        }
        std::copy(elements.begin(), elements.end(), e.get());
    }
    poly.update("mesh");
}

// The same selection steps on both kinds give the same tables, frames and
// elements; the on-demand one makes its selection table on the first
// selection only.
TEST(PolygonOnDemand, SelectionAndTablesMatchAFullAllocation)
{
    vyktest::glContext();
    const std::vector<uint32_t> strips = {0, 1, 2, 3, R, 4, 5, 6, 7, 4000000000u};
    const struct {
        const char* label;
        std::vector<uint32_t> preset; // put into the set before any selection
        std::vector<uint32_t> select, unselect;
    } cases[] = {
        {"nothing", {}, {}, {}},
        {"one", {}, {1}, {}},
        {"allThenOne", {}, {0, 1, 2, 3}, {2}},
        {"unselectFirst", {}, {}, {0}},
        {"presetShowsWithTheTable", {3}, {0}, {}},
        {"pastTheTable", {}, {7, 1}, {9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t full, lazy;
        build(full, buffers_t::All, strips);
        build(lazy, buffers_t::OnDemand, strips);
        EXPECT_EQ(lazy.selectelems.count(), 0u);
        std::string messages[2];
        std::vector<uint32_t> tables[2];
        polygon_t* both[2] = {&full, &lazy};
        for (int k = 0; k < 2; ++k) {
            polygon_t* p = both[k];
            p->selectedpolygons.insert(c.preset.begin(), c.preset.end());
            testing::internal::CaptureStderr();
            for (uint32_t t : c.select)
                p->selectpolygon(t);
            for (uint32_t t : c.unselect)
                p->unselectpolygon(t);
            // Before update rewrites the table from the set.
            const uint64_t n = full.selectelems.count();
            tables[k] =
                p->selectelems.count() != 0 ? readBuffer<uint32_t>(p->selectelems, n) : std::vector<uint32_t>(n, R);
            p->update();
            messages[k] = testing::internal::GetCapturedStderr();
        }
        EXPECT_EQ(messages[1], messages[0]);
        EXPECT_EQ(tables[1], tables[0]);
        ASSERT_EQ(lazy.polyidvector.size(), full.polyidvector.size());
        for (size_t t = 0; t < full.polyidvector.size(); ++t) {
            EXPECT_EQ(lazy.polyidvector[t].position, full.polyidvector[t].position) << t;
            EXPECT_EQ(lazy.polyidvector[t].flipped, full.polyidvector[t].flipped) << t;
        }
        EXPECT_EQ(lazy.selectedpolygons, full.selectedpolygons);
        EXPECT_EQ(readBuffer<uint32_t>(lazy.elements, strips.size()),
                  readBuffer<uint32_t>(full.elements, strips.size()));
        EXPECT_EQ(readBuffer<float>(lazy.normals, 72), readBuffer<float>(full.normals, 72));
        if (lazy.selectelems.count() != 0) {
            EXPECT_EQ(lazy.selectelems.count(), full.selectelems.count());
            EXPECT_EQ(readBuffer<uint32_t>(lazy.selectelems, full.selectelems.count()),
                      readBuffer<uint32_t>(full.selectelems, full.selectelems.count()));
        } else {
            // No table: nothing would show, as in the full one.
            EXPECT_EQ(readBuffer<uint32_t>(full.selectelems, full.selectelems.count()),
                      std::vector<uint32_t>(full.selectelems.count(), R));
        }
        lazy.drawselection();
        EXPECT_FALSE(checkGL(c.label));
    }
}

// The frame-pass arrays appear, sized for the vertices, on the first call
// that needs them, and a re-allocation drops the old ones.
TEST(PolygonOnDemand, FramePassArraysOnFirstUse)
{
    vyktest::glContext();
    const struct {
        const char* label;
        void (*use)(polygon_t&);
    } cases[] = {
        {"workframes", [](polygon_t& p) { EXPECT_TRUE(p.workframes()); }},
        {"array2", [](polygon_t& p) { EXPECT_EQ(p.array(2), &p.wknmls); }},
        {"drawforfeedback", [](polygon_t& p) { p.drawforfeedback(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, buffers_t::All, {0, 1, 2, 3, 4, 5, 6, 7, 0});
        ASSERT_TRUE(poly.allocate(6, 4, buffers_t::OnDemand));
        EXPECT_EQ(poly.wknmls.count(), 0u);
        EXPECT_EQ(poly.framefeedback.count(), 0u);
        EXPECT_EQ(poly.pointfeedback.count(), 0u);
        EXPECT_EQ(poly.selectelems.count(), 0u);
        EXPECT_TRUE(poly.polyidvector.empty());
        EXPECT_FALSE(poly.feedbackvao.created());
        c.use(poly);
        EXPECT_EQ(poly.wknmls.count(), 6u);
        EXPECT_TRUE(poly.feedbackvao.created());
        EXPECT_EQ(poly.framefeedback.count(), 54u);
        EXPECT_EQ(poly.pointfeedback.count(), 60u);
        EXPECT_EQ(poly.pointsizes.count(), 0u);
        EXPECT_FALSE(checkGL(c.label));
    }
}

// Point sizes appear on the first point selection or point draw and show
// the bits as they are then.
TEST(PolygonOnDemand, PointSizesOnFirstUse)
{
    vyktest::glContext();
    const struct {
        const char* label;
        void (*use)(polygon_t&);
        std::vector<float> sizes; // empty: none made
    } cases[] = {
        {"select", [](polygon_t& p) { EXPECT_TRUE(p.selectpoint(2)); }, {3, 3, 5, 3, 3, 3, 3, 3}},
        {"drawpoints", [](polygon_t& p) { p.drawpoints(); }, std::vector<float>(8, 3)},
        {"unselectNotSelected", [](polygon_t& p) { EXPECT_FALSE(p.unselectpoint(2)); }, {}},
        {"pastThePoints", [](polygon_t& p) { EXPECT_FALSE(p.selectpoint(8)); }, {}},
        {"selectClearDraw",
         [](polygon_t& p) {
             EXPECT_TRUE(p.selectpoint(1));
             EXPECT_TRUE(p.selectpoint(7));
             EXPECT_TRUE(p.unselectpoint(1));
             p.drawpoints();
         },
         {3, 3, 3, 3, 3, 3, 3, 5}},
        {"clearBeforeMade",
         [](polygon_t& p) {
             p.clearselection();
             EXPECT_TRUE(p.selectpoint(0));
         },
         {5, 3, 3, 3, 3, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        polygon_t poly;
        build(poly, buffers_t::OnDemand, {0, 1, 2, 3});
        EXPECT_EQ(poly.pointsizes.count(), 0u);
        c.use(poly);
        EXPECT_EQ(poly.pointsizes.count(), c.sizes.size());
        if (!c.sizes.empty()) {
            EXPECT_EQ(readBuffer<float>(poly.pointsizes, 8), c.sizes);
            poly.drawpoints();
        }
        EXPECT_FALSE(checkGL(c.label));
    }
}

// An STL file loads with its drawing arrays only; a selection still works.
TEST(PolygonOnDemand, StlModelSelectsWithoutWorkFrames)
{
    vyktest::glContext();
    vyktest::TempDir dir;
    const std::string path = dir.write(
        "two.stl", "solid two\n"
                   "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
                   "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\n"
                   "endsolid two\n");
    scene_t scene;
    ASSERT_TRUE(readStl(path, scene));
    polygon_t& poly = scene.models.back()->polygon;
    EXPECT_EQ(poly.wknmls.count(), 0u);
    EXPECT_EQ(poly.selectelems.count(), 0u);
    ASSERT_EQ(poly.polyidvector.size(), 6u);
    poly.selectpolygon(1); // the second facet: vertices 3, 4, 5
    EXPECT_EQ(readBuffer<uint32_t>(poly.selectelems, 18),
              (std::vector<uint32_t>{R, R, R, 3, 4, 5, R, R, R, R, R, R, R, R, R, R, R, R}));
    scene.destroyModels();
    EXPECT_FALSE(checkGL("StlModelSelectsWithoutWorkFrames"));
}

} // namespace
