#include "model/nurbs.h"

#include "foundation/check_gl.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/glpolygon.h"
#include "render/scoped_map.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace vyk3d;

namespace
{

// The parts of a scene model that a NURBS surface works on.
struct Model {
    texture_t texture;
    polygon_t polygon;
    nurbs_t nurbs{&texture, &polygon};
};

glpolygon_t& renderer()
{
    static glpolygon_t* r = nullptr;
    if (r == nullptr) {
        r = new glpolygon_t;
        EXPECT_TRUE(r->init(""));
    }
    return *r;
}

// Clamped uniform knots for `num` points of order `order`: order zeros, the
// inner knots evenly spaced, order ones.
std::vector<float> clampedKnots(uint64_t num, uint64_t order)
{
    std::vector<float> k(num + order);
    const uint64_t spans = num - order + 1;
    for (uint64_t n = 0; n < k.size(); ++n) {
        if (n < order)
            k[n] = 0.0f;
        else if (n >= num)
            k[n] = 1.0f;
        else
            k[n] = float(n - order + 1) / float(spans);
    }
    return k;
}

// Fills the surface's arrays as the scene reader does: clamped knots in every
// row and column, weight 1, control point (i, j) from `point`.
void fill(nurbs_t& n, const std::function<ctlpt_t(uint64_t, uint64_t)>& point)
{
    const std::vector<float> ku = clampedKnots(n.numU, n.orderU), kv = clampedKnots(n.numV, n.orderV);
    for (uint64_t j = 0; j < n.numV; ++j)
        for (uint64_t c = 0; c < ku.size(); ++c)
            n.knotsU.at(j, c) = ku[c];
    for (uint64_t i = 0; i < n.numU; ++i)
        for (uint64_t c = 0; c < kv.size(); ++c)
            n.knotsV.at(i, c) = kv[c];
    for (uint64_t j = 0; j < n.numV; ++j)
        for (uint64_t i = 0; i < n.numU; ++i) {
            n.weights.at(j, i) = 1.0f;
            n.ctlpts.at(j, i) = point(i, j);
        }
}

// The scene reader's finishing steps.
bool finish(Model& m, uint32_t resU, uint32_t resV)
{
    m.nurbs.resU = resU;
    m.nurbs.resV = resV;
    if (!m.nurbs.afterload("surface.vyk") || !m.nurbs.makeVertices())
        return false;
    m.nurbs.updateVertices();
    renderer().computeFrames(m.polygon);
    return true;
}

std::vector<float> readAll(attribute_array_t& a)
{
    scoped_map_t<const float> p(a, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<float>(p.get(), p.get() + a.count() * a.stride());
}

std::vector<uint32_t> readElements(element_array_t& e)
{
    scoped_map_t<const uint32_t> p(e, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<uint32_t>(p.get(), p.get() + e.count());
}

ctlpt_t bilinearPoint(uint64_t i, uint64_t j)
{
    static const ctlpt_t p[4] = {
        {0, 0, 0, 1, 0, 0, 1}, {2, 0, 0, 0, 1, 0, 1}, {0, 4, 0, 0, 0, 1, 1}, {2, 4, 1, 1, 1, 1, 0}};
    return p[j * 2 + i];
}

TEST(Nurbs, BilinearPatchReproducesCornersAndMidpoint)
{
    vyktest::glContext();
    Model m;
    ASSERT_TRUE(m.nurbs.allocate(2, 2, 2, 2));
    fill(m.nurbs, bilinearPoint);
    ASSERT_TRUE(finish(m, 3, 3));
    const std::vector<float> v = readAll(m.polygon.vertices);
    ASSERT_EQ(v.size(), 9u * 9u);
    struct {
        uint32_t i, j;
        std::vector<float> want; // position, colour, texture coordinate
    } cases[] = {
        {0, 0, {0, 0, 0, 1, 0, 0, 1, 0, 0}},
        {2, 0, {2, 0, 0, 0, 1, 0, 1, 1, 0}},
        {0, 2, {0, 4, 0, 0, 0, 1, 1, 0, 1}},
        {2, 2, {2, 4, 1, 1, 1, 1, 0, 1, 1}},
        {1, 1, {1, 2, 0.25f, 0.5f, 0.5f, 0.5f, 0.75f, 0.5f, 0.5f}},
        {1, 0, {1, 0, 0, 0.5f, 0.5f, 0, 1, 0.5f, 0}},
    };
    for (const auto& c : cases)
        for (int n = 0; n < 9; ++n)
            EXPECT_NEAR(v[(3 * c.j + c.i) * 9 + n], c.want[n], 1e-6f) << c.i << "," << c.j << " component " << n;
    EXPECT_EQ(m.polygon.name, "surface.vyk");
}

// Strips of two grid rows each, ended by the restart index.
TEST(Nurbs, TessellationCountsAndStrips)
{
    vyktest::glContext();
    struct {
        uint32_t resU, resV;
        uint64_t vertices, elements;
    } cases[] = {{33, 33, 1089, 2144}, {2, 2, 4, 5}, {65, 17, 1105, 16 * 131}, {3, 2, 6, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.resU << "x" << c.resV);
        Model m;
        ASSERT_TRUE(m.nurbs.allocate(2, 2, 2, 2));
        fill(m.nurbs, bilinearPoint);
        ASSERT_TRUE(finish(m, c.resU, c.resV));
        EXPECT_EQ(m.polygon.vertices.count(), c.vertices);
        EXPECT_EQ(m.polygon.elements.count(), c.elements);
        // Every second triangle of a strip is flipped: (resU - 1) * 2 per strip.
        EXPECT_EQ(m.polygon.polyidvector.size(), c.elements - 2);
    }
    Model m;
    ASSERT_TRUE(m.nurbs.allocate(2, 2, 2, 2));
    fill(m.nurbs, bilinearPoint);
    ASSERT_TRUE(finish(m, 3, 2));
    EXPECT_EQ(readElements(m.polygon.elements), (std::vector<uint32_t>{3, 0, 4, 1, 5, 2, 0xFFFFFFFFu}));
}

// Counts from a file that cannot make a surface are refused with one line.
TEST(Nurbs, AllocateRefusesBadCounts)
{
    struct {
        uint64_t numU, orderU, numV, orderV;
        const char* message;
    } cases[] = {
        {4, 0, 4, 2, "nurbs_t::allocate(): orderU(0) is out of range for numU(4).\n"},
        {3, 4, 4, 2, "nurbs_t::allocate(): orderU(4) is out of range for numU(3).\n"},
        {4, 2, 4, 0, "nurbs_t::allocate(): orderV(0) is out of range for numV(4).\n"},
        {4, 2, 2, 3, "nurbs_t::allocate(): orderV(3) is out of range for numV(2).\n"},
        {0, 0, 0, 0, "nurbs_t::allocate(): orderU(0) is out of range for numU(0).\n"},
        {uint64_t(1) << 32, 2, uint64_t(1) << 32, 2,
         "nurbs_t::allocate(): numU(4294967296) x numV(4294967296) control points are too many.\n"},
        {UINT64_MAX, 4, 2, 2,
         "nurbs_t::allocate(): numU(18446744073709551615) x numV(2) control points are too many.\n"},
        {3000, 4, 3000, 4, "nurbs_t::allocate(): numU(3000) x numV(3000) control points are too many.\n"},
    };
    for (const auto& c : cases) {
        Model m;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(m.nurbs.allocate(c.numU, c.orderU, c.numV, c.orderV));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(m.nurbs.numU, 0u);
        EXPECT_EQ(m.nurbs.ctlpts.size(), 0u);
    }
}

// A resolution the grid cannot be built from fails before anything is
// allocated; so does a surface without control data.
TEST(Nurbs, MakeVerticesRefusesBadResolutions)
{
    vyktest::glContext();
    struct {
        uint32_t resU, resV;
        const char* message;
    } cases[] = {
        {0, 33, "nurbs_t::makeVertices(): resolution(0,33) is out of range.\n"},
        {33, 1, "nurbs_t::makeVertices(): resolution(33,1) is out of range.\n"},
        {1, 1, "nurbs_t::makeVertices(): resolution(1,1) is out of range.\n"},
        {65536, 65537, "nurbs_t::makeVertices(): resolution(65536,65537) is out of range.\n"},
        {4096, 4096, "nurbs_t::makeVertices(): resolution(4096,4096) is out of range.\n"},
        {4294967295u, 2, "nurbs_t::makeVertices(): resolution(4294967295,2) is out of range.\n"},
    };
    for (const auto& c : cases) {
        Model m;
        ASSERT_TRUE(m.nurbs.allocate(2, 2, 2, 2));
        fill(m.nurbs, bilinearPoint);
        ASSERT_TRUE(m.nurbs.afterload("surface.vyk"));
        m.nurbs.resU = c.resU;
        m.nurbs.resV = c.resV;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(m.nurbs.makeVertices());
        m.nurbs.updateVertices(); // must not touch anything
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(m.polygon.vertices.count(), 0u);
    }
    Model m;
    m.nurbs.clear();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m.nurbs.makeVertices());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "nurbs_t::makeVertices(): the surface has no control points.\n");
}

const float kPi = 3.14159265358979f;

// A tube closed in u: the first and last control columns are equal, and the
// end tangents of each row both point along +y, so the seam is smooth.
ctlpt_t tubePoint(uint64_t i, uint64_t j)
{
    static const float cx[6] = {1, 1, -1, -1, 1, 1}, cy[6] = {0, 1, 1, -1, -1, 0};
    return {cx[i], cy[i], float(j), 0.8f, 0.6f, 0.2f, 1};
}

struct Frame {
    float t[3], b[3], n[3];
};

void cross(const float* a, const float* b, float* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void normalize(float* v)
{
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0)
        for (int k = 0; k < 3; ++k)
            v[k] /= len;
}

// The feedback program's formulas on the CPU.
Frame cpuFrame(const float* wk)
{
    Frame f;
    float c1[3], c2[3];
    cross(wk + 0, wk + 3, c1);
    cross(wk + 6, wk + 9, c2);
    for (int k = 0; k < 3; ++k) {
        f.n[k] = c1[k] + c2[k];
        f.t[k] = wk[k] + wk[6 + k];
    }
    normalize(f.n);
    normalize(f.t);
    cross(f.n, f.t, f.b);
    return f;
}

TEST(Nurbs, GpuFramesMatchTheCpuFormulasAndAreUnitLength)
{
    vyktest::glContext();
    struct {
        const char* name;
        uint64_t numU, orderU, numV, orderV;
        std::function<ctlpt_t(uint64_t, uint64_t)> point;
        uint32_t resU, resV;
    } cases[] = {
        {"tube", 6, 3, 3, 2, tubePoint, 17, 9},
        {"dome", 4, 4, 4, 3,
         [](uint64_t i, uint64_t j) {
             return ctlpt_t{float(i), float(j), float((i % 3) * (j % 2)) * 0.7f, 1, 1, 1, 1};
         },
         33, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        ASSERT_TRUE(m.nurbs.allocate(c.numU, c.orderU, c.numV, c.orderV));
        fill(m.nurbs, c.point);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(finish(m, c.resU, c.resV));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        const std::vector<float> wk = readAll(m.polygon.wknmls), nm = readAll(m.polygon.normals);
        const uint64_t count = uint64_t(c.resU) * c.resV;
        ASSERT_EQ(wk.size(), count * 12);
        ASSERT_EQ(nm.size(), count * 9);
        for (uint64_t k = 0; k < count; ++k) {
            const Frame want = cpuFrame(&wk[12 * k]);
            const float* got = &nm[9 * k];
            const float* w = &want.t[0];
            for (int n = 0; n < 9; ++n)
                ASSERT_NEAR(got[n], w[n], 1e-5f) << "vertex " << k << " component " << n;
            for (int part = 0; part < 3; ++part) {
                const float* v = got + 3 * part;
                EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 1.0f, 1e-5f) << "vertex " << k;
            }
        }
    }
}

// Both vertices of the tube's seam end with the same tangent frame.
TEST(Nurbs, ClosedSurfaceGetsEqualFramesOnBothSeamVertices)
{
    vyktest::glContext();
    Model m;
    ASSERT_TRUE(m.nurbs.allocate(6, 3, 3, 2));
    fill(m.nurbs, tubePoint);
    ASSERT_TRUE(finish(m, 17, 9));
    const std::vector<float> wk = readAll(m.polygon.wknmls), nm = readAll(m.polygon.normals);
    for (uint32_t j = 1; j + 1 < 9; ++j) {
        const uint64_t first = 17 * j, last = 17 * j + 16;
        for (int n = 0; n < 12; ++n)
            EXPECT_EQ(wk[12 * first + n], wk[12 * last + n]) << "row " << j;
        for (int n = 0; n < 9; ++n)
            EXPECT_EQ(nm[9 * first + n], nm[9 * last + n]) << "row " << j;
    }
}

// A smaller re-tessellation leaves the normals array larger than the new
// capture buffer; the frame pass copies only the frames in use.
TEST(Nurbs, RebuildAtASmallerResolutionCopiesOnlyTheFramesInUse)
{
    vyktest::glContext();
    Model m;
    ASSERT_TRUE(m.nurbs.allocate(6, 3, 3, 2));
    fill(m.nurbs, tubePoint);
    ASSERT_TRUE(finish(m, 33, 33));
    m.nurbs.resU = 9;
    m.nurbs.resV = 5;
    testing::internal::CaptureStderr();
    m.nurbs.rebuild(renderer());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(m.polygon.vertices.count(), 45u);
    const std::vector<float> wk = readAll(m.polygon.wknmls), nm = readAll(m.polygon.normals);
    for (uint64_t k = 0; k < 45; ++k) {
        const Frame want = cpuFrame(&wk[12 * k]);
        for (int n = 0; n < 3; ++n)
            ASSERT_NEAR(nm[9 * k + 6 + n], want.n[n], 1e-5f) << "vertex " << k;
    }
}

// The control points live in a GL buffer: bounds read them there, and single
// records move between the grid and the buffer.
TEST(Nurbs, ControlPointsInTheGlBuffer)
{
    vyktest::glContext();
    Model m;
    pos3 lo{9, 9, 9}, hi{9, 9, 9};
    m.nurbs.bounds(lo, hi); // no buffer yet
    EXPECT_EQ(lo.x, 0.0f);
    EXPECT_EQ(hi.z, 0.0f);
    ASSERT_TRUE(m.nurbs.allocate(6, 3, 3, 2));
    fill(m.nurbs, tubePoint);
    ASSERT_TRUE(m.nurbs.afterload("tube.vyk"));
    m.nurbs.bounds(lo, hi);
    EXPECT_EQ(lo.x, -1.0f);
    EXPECT_EQ(lo.y, -1.0f);
    EXPECT_EQ(lo.z, 0.0f);
    EXPECT_EQ(hi.x, 1.0f);
    EXPECT_EQ(hi.z, 2.0f);

    m.nurbs.ctlpts.at(2, 1) = ctlpt_t{7, 8, 9, 0, 0, 0, 1};
    m.nurbs.writerecord(1, 2);
    m.nurbs.ctlpts.at(2, 1) = ctlpt_t{};
    m.nurbs.pullrecord(0, 2 * 6 + 1);
    EXPECT_EQ(m.nurbs.ctlpts.at(2, 1).x, 7.0f);
    EXPECT_EQ(m.nurbs.ctlpts.at(2, 1).z, 9.0f);
    m.nurbs.bounds(lo, hi);
    EXPECT_EQ(hi.x, 7.0f);
    m.nurbs.pullrecord(0, 18); // past the end: ignored
    m.nurbs.writerecord(6, 0);

    EXPECT_EQ(m.nurbs.paramview(0).count, 3u * 9u);
    EXPECT_EQ(m.nurbs.paramview(1).count, 6u * 5u);
    EXPECT_EQ(m.nurbs.paramview(2).count, 18u);
    EXPECT_EQ(m.nurbs.paramview(3).ptr, nullptr);

    // An independent copy of the control data.
    Model copy;
    copy.nurbs.copyfrom(m.nurbs);
    m.nurbs.ctlpts.at(0, 0).x = 100;
    EXPECT_EQ(copy.nurbs.ctlpts.at(0, 0).x, 1.0f);
    copy.nurbs.bounds(lo, hi);
    EXPECT_EQ(hi.x, 7.0f);

    m.nurbs.clear();
    EXPECT_EQ(m.nurbs.resU, 33u);
    EXPECT_EQ(m.nurbs.knotsU.size(), 0u);
    m.nurbs.bounds(lo, hi);
    EXPECT_EQ(hi.x, 0.0f);
    EXPECT_FALSE(checkGL("Nurbs.ControlPointsInTheGlBuffer"));
}

} // namespace
