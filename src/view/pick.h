// Polygon picking: the nearest surface point inside one pixel, found on the
// CPU by clipping every triangle against the pixel's four edges.
#pragma once

#include "foundation/math.h"

#include <cstdint>
#include <map>

namespace vyk3d
{
class polygon_t;
}

// A convex polygon in normalised device coordinates; a triangle clipped by
// four lines never has more than 7 vertices.
struct clippolygon_t {
    uint64_t count = 0;
    pos3 v[7];
};

// Hits by normalised depth, nearest first; equal depths keep the last point.
using hitmap_t = std::map<float, pos3>;

// The four lines of the pixel (x, y) (window pixels, y upward) in a window of
// half size hw x hh, in the order top, bottom, left, right; a point is
// inside the pixel when it is inside all four.
void pickRegion(float x, float y, float hw, float hh, line2d region[4]);

// One Sutherland-Hodgman step: the part of `poly` inside `line`
// (a*x + b*y + c >= 0), all three coordinates interpolated.
clippolygon_t clipPolygon(const clippolygon_t& poly, const line2d& line);

// Tests every triangle of `polygon`'s strips against the region and enters
// the clipped corners of each hit in `hits` under their depth. Triangles with
// a vertex at or behind the eye (w <= 0) or projecting to non-finite
// coordinates are skipped. False when nothing was hit or the arrays cannot be
// mapped. Needs the polygon's GL context.
bool hitPolygon(hitmap_t& hits, vyk3d::polygon_t& polygon, const line2d region[4], const mtx3w& projection,
                const mtx3w& modelview);
