#include "app/pick.h"

#include "app/vykview.h"
#include "render/scoped_map.h"

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

struct projected_t {
    pos3 p;
    bool ok; // in front of the eye and finite
};

projected_t project(const mtx3w& m, const float* position)
{
    const vec3w h = m * pos3{position[0], position[1], position[2]};
    if (!(h.w > 0.0f))
        return {{0, 0, 0}, false};
    const pos3 p = homogenize(h);
    return {p, std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)};
}

} // namespace

bool hitPolygon(hitmap_t& hits, vyk3d::polygon_t& polygon, const line2d region[4], const mtx3w& projection,
                const mtx3w& modelview)
{
    const mtx3w pm = projection * modelview;
    const uint64_t vertexCount = polygon.vertices.count();
    const uint64_t elementCount = polygon.elements.count();
    if (elementCount == 0 || vertexCount == 0 || polygon.vertices.stride() < 3)
        return false;
    vyk3d::scoped_map_t<float> vertices(polygon.vertices, GL_MAP_READ_BIT);
    vyk3d::scoped_map_t<uint32_t> elements(polygon.elements, GL_MAP_READ_BIT);
    if (!vertices || !elements)
        return false;
    const uint64_t stride = polygon.vertices.stride();

    // The pixel's bounds, to skip the clip for triangles wholly outside.
    const float top = region[0].c, bottom = -region[1].c, left = -region[2].c, right = region[3].c;

    bool hit = false;
    uint64_t strip = 0;
    for (uint64_t i = 0; i < elementCount; ++i) {
        const uint32_t e = elements[i];
        if (e >= vertexCount) { // restart index or a bad index ends the strip
            strip = 0;
            continue;
        }
        if (++strip < 3)
            continue;
        const uint32_t a = (strip % 2) ? elements[i - 2] : elements[i - 1];
        const uint32_t b = (strip % 2) ? elements[i - 1] : elements[i - 2];
        const projected_t pa = project(pm, &vertices[a * stride]);
        const projected_t pb = project(pm, &vertices[b * stride]);
        const projected_t pc = project(pm, &vertices[e * stride]);
        if (!pa.ok || !pb.ok || !pc.ok)
            continue;
        if (std::max({pa.p.x, pb.p.x, pc.p.x}) < left || std::min({pa.p.x, pb.p.x, pc.p.x}) > right ||
            std::max({pa.p.y, pb.p.y, pc.p.y}) < bottom || std::min({pa.p.y, pb.p.y, pc.p.y}) > top)
            continue;
        clippolygon_t poly;
        poly.count = 3;
        poly.v[0] = pa.p;
        poly.v[1] = pb.p;
        poly.v[2] = pc.p;
        for (int k = 0; k < 4 && poly.count > 0; ++k)
            poly = clipPolygon(poly, region[k]);
        for (uint64_t k = 0; k < poly.count; ++k) {
            hits[poly.v[k].z] = poly.v[k];
            hit = true;
        }
    }
    return hit;
}

pos3 vykview_t::pick(float x, float y)
{
    line2d region[4];
    pickRegion(x, y, width * 0.5f, height * 0.5f, region);
    hitmap_t all;
    for (auto& scene : scenes) {
        for (model_t* model : scene) {
            hitmap_t hits;
            if (hitPolygon(hits, model->polygon, region, projectionMatrix, modelview))
                all[hits.begin()->first] = hits.begin()->second;
        }
    }
    return all.empty() ? pos3{0.0f, 0.0f, 0.0f} : all.begin()->second;
}
