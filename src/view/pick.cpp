#include "view/pick.h"

#include "foundation/strip_walk.h"
#include "gl/scoped_map.h"
#include "view/scene_view.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

void pickRegion(float x, float y, float hw, float hh, line2d region[4])
{
    const float top = (y + 0.5f - hh) / hh;
    const float bottom = (y - 0.5f - hh) / hh;
    const float left = (x - 0.5f - hw) / hw;
    const float right = (x + 0.5f - hw) / hw;
    region[0] = {0.0f, -1.0f, top};
    region[1] = {0.0f, 1.0f, -bottom};
    region[2] = {1.0f, 0.0f, -left};
    region[3] = {-1.0f, 0.0f, right};
}

clippolygon_t clipPolygon(const clippolygon_t& poly, const line2d& line)
{
    clippolygon_t out;
    const uint64_t n = std::min<uint64_t>(poly.count, 7);
    if (n == 0)
        return out;
    float d[7];
    for (uint64_t i = 0; i < n; ++i)
        d[i] = line.a * poly.v[i].x + line.b * poly.v[i].y + line.c;
    auto emit = [&](const pos3& p) {
        // A convex polygon cut by one line gains at most one vertex; the
        // bound only guards the array.
        if (out.count < 7)
            out.v[out.count++] = p;
    };
    auto lerp = [](const pos3& a, const pos3& b, float t) {
        return pos3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
    };
    for (uint64_t i = 0; i < n; ++i) {
        const uint64_t j = (i + 1) % n;
        const pos3& vi = poly.v[i];
        const pos3& vj = poly.v[j];
        if (d[i] >= 0.0f) {
            emit(vi);
            if (d[j] < 0.0f)
                emit(lerp(vi, vj, d[i] / (d[i] - d[j])));
        } else if (d[j] >= 0.0f) {
            emit(lerp(vj, vi, d[j] / (d[j] - d[i])));
        }
    }
    return out;
}

namespace
{

// A position in clip coordinates, before the division by w.
struct clip_t {
    float x, y, w;
};

// The rows of the combined matrix that give clip x, y and w: the cheap part
// of the projection, enough to reject a triangle without dividing.
struct clipRows_t {
    float m[16];
    explicit clipRows_t(const mtx3w& pm)
    {
        for (int i = 0; i < 16; ++i)
            m[i] = pm[i];
    }
    clip_t operator()(const float* p) const
    {
        return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15]};
    }
    // The full projection (divided by w); false when not finite.
    bool project(const float* p, pos3& out) const
    {
        const clip_t c = (*this)(p);
        const float z = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
        const float k = 1.0f / c.w;
        out = {c.x * k, c.y * k, z * k};
        return std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z);
    }
};

} // namespace

bool hitPolygon(hitmap_t& hits, vyk3d::polygon_t& polygon, const line2d region[4], const mtx3w& projection,
                const mtx3w& modelview)
{
    const clipRows_t clip(projection * modelview);
    vyk3d::attribute_array_t& positions = polygon.positionRecords();
    const uint64_t vertexCount = positions.count();
    const uint64_t elementCount = polygon.elements.count();
    if (elementCount == 0 || vertexCount == 0 || positions.stride() < 3)
        return false;
    vyk3d::scoped_map_t<float> vertices(positions, GL_MAP_READ_BIT);
    vyk3d::scoped_map_t<uint32_t> elements(polygon.elements, GL_MAP_READ_BIT);
    if (!vertices || !elements)
        return false;
    const uint64_t stride = positions.stride();

    // The pixel's bounds. With w > 0, x / w < left is x < left * w, so a
    // triangle wholly beside the pixel is rejected before any division.
    const float top = region[0].c, bottom = -region[1].c, left = -region[2].c, right = region[3].c;
    auto besideThePixel = [&](const clip_t& a, const clip_t& b, const clip_t& c) {
        return (a.x < left * a.w && b.x < left * b.w && c.x < left * c.w) ||
               (a.x > right * a.w && b.x > right * b.w && c.x > right * c.w) ||
               (a.y < bottom * a.w && b.y < bottom * b.w && c.y < bottom * c.w) ||
               (a.y > top * a.w && b.y > top * b.w && c.y > top * c.w);
    };

    bool hit = false;
    auto hitTriangle = [&](uint64_t, uint32_t a, uint32_t b, uint32_t c, bool) {
        const float* va = &vertices[a * stride];
        const float* vb = &vertices[b * stride];
        const float* vc = &vertices[c * stride];
        const clip_t ca = clip(va), cb = clip(vb), cc = clip(vc);
        // At or behind the eye the projection means nothing (and w = 0 or a
        // NaN would pass every line test): such triangles are skipped.
        if (!(ca.w > 0.0f && cb.w > 0.0f && cc.w > 0.0f))
            return;
        if (besideThePixel(ca, cb, cc))
            return;
        pos3 pa, pb, pc;
        if (!clip.project(va, pa) || !clip.project(vb, pb) || !clip.project(vc, pc))
            return;
        clippolygon_t poly;
        poly.count = 3;
        poly.v[0] = pa;
        poly.v[1] = pb;
        poly.v[2] = pc;
        for (int k = 0; k < 4 && poly.count > 0; ++k)
            poly = clipPolygon(poly, region[k]);
        for (uint64_t k = 0; k < poly.count; ++k) {
            hits[poly.v[k].z] = poly.v[k];
            hit = true;
        }
    };
    walkStripTriangles(elements.get(), elementCount, vertexCount, hitTriangle);
    return hit;
}

pos3 sceneview_t::pick(float x, float y)
{
    line2d region[4];
    pickRegion(x, y, width * 0.5f, height * 0.5f, region);
    hitmap_t all;
    for (auto& scene : scenes) {
        for (const auto& model : scene) {
            hitmap_t hits;
            if (hitPolygon(hits, model->polygon, region, projectionMatrix, modelview))
                all[hits.begin()->first] = hits.begin()->second;
        }
    }
    return all.empty() ? pos3{0.0f, 0.0f, 0.0f} : all.begin()->second;
}
