// The camera fit of a scene view: the whole scene in view at the first
// reshape, from the box of its positions and the extremes of their
// projections.
#include "view/scene_view.h"

#include "foundation/bounds.h"
#include "foundation/diagnostics.h"
#include "foundation/parallel.h"
#include "foundation/path.h"
#include "gl/scoped_map.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace
{

bool finite3(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

// One surface's array 0, mapped: the vertices of a polygon surface, the
// control points of a NURBS surface; with the bounds its reader found by
// blocks while writing them, when there are those.
struct positions_t {
    const float* p;
    uint64_t count;
    std::size_t stride;
    const block_bounds_t* known;
};

// Calls visit(i, p) for every finite position i of `a` from `first` up to
// `last`, and returns how many of them are not finite.
template <class Visit> uint64_t visitRange(const positions_t& a, uint64_t first, uint64_t last, Visit&& visit)
{
    uint64_t skipped = 0;
    for (uint64_t i = first; i < last; ++i) {
        const float* rec = a.p + i * a.stride;
        if (!finite3(rec[0], rec[1], rec[2]))
            ++skipped;
        else
            visit(i, pos3{rec[0], rec[1], rec[2]});
    }
    return skipped;
}

// Calls visit(k, i, p) for every finite position i of `a`, cut into `parts`
// parts k that run on every core, and returns the number of positions that
// are not finite.
template <class Visit> uint64_t eachPosition(const positions_t& a, unsigned parts, Visit&& visit)
{
    std::vector<uint64_t> skipped(parts, 0);
    runParts(parts, [&](unsigned k) {
        skipped[k] = visitRange(a, a.count * k / parts, a.count * (k + 1) / parts,
                                [&](uint64_t i, const pos3& p) { visit(k, i, p); });
    });
    uint64_t n = 0;
    for (uint64_t s : skipped)
        n += s;
    return n;
}

// Extremes of the projected positions: smallest x, largest x, smallest y,
// largest y. Positions at or behind the fit camera (w <= 0) project to
// nothing meaningful and are left out. Of the positions that project to
// the same extreme the first in order keeps it (`at` counts the positions
// of all arrays in order), as one pass in order would keep it, whatever
// order they are read in; none beats the starting 0 without going past it.
struct extreme_t {
    pos3 p{0, 0, 0};
    bool reached = false;
    uint64_t at = 0;

    // Takes (q, at) when its value v (q's x or y) goes past this one's in
    // the direction `below` tells, or ties a reached one from earlier.
    void take(const pos3& q, uint64_t where, float v, float mine, bool below)
    {
        if ((below ? v < mine : v > mine) || (v == mine && reached && where < at))
            *this = {q, true, where};
    }
};
struct extremes_t {
    extreme_t minX, maxX, minY, maxY;

    void reach(const pos3& q, uint64_t at)
    {
        minX.take(q, at, q.x, minX.p.x, true);
        maxX.take(q, at, q.x, maxX.p.x, false);
        minY.take(q, at, q.y, minY.p.y, true);
        maxY.take(q, at, q.y, maxY.p.y, false);
    }
    void merge(const extremes_t& e)
    {
        const extreme_t* theirs[4] = {&e.minX, &e.maxX, &e.minY, &e.maxY};
        extreme_t* mine[4] = {&minX, &maxX, &minY, &maxY};
        for (int k = 0; k < 4; ++k)
            if (theirs[k]->reached)
                mine[k]->take(theirs[k]->p, theirs[k]->at, k < 2 ? theirs[k]->p.x : theirs[k]->p.y,
                              k < 2 ? mine[k]->p.x : mine[k]->p.y, k % 2 == 0);
    }
};

// Where the projections of the positions in a box can lie: the projection
// x / w of a box is largest and smallest at its corners while w stays above
// 0 over it (and then it does at every corner). The margin covers the float
// rounding of each position's own projection, many times over.
struct reach_t {
    bool bounded = false; // all corners in front of the fit camera
    double minX = 0, maxX = 0, minY = 0, maxY = 0;

    reach_t(const mtx3w& A, const position_bounds_t& box)
    {
        if (box.empty())
            return;
        double minW = HUGE_VAL, maxTerms = 0, maxWTerms = 0, maxQ = 0;
        minX = minY = HUGE_VAL;
        maxX = maxY = -HUGE_VAL;
        for (int c = 0; c < 8; ++c) {
            const double x = (c & 1) ? box.hi.x : box.lo.x, y = (c & 2) ? box.hi.y : box.lo.y,
                         z = (c & 4) ? box.hi.z : box.lo.z;
            const double w = A[3] * x + A[7] * y + A[11] * z + A[15];
            if (!(w > 0.0))
                return;
            const double qx = (A[0] * x + A[4] * y + A[8] * z + A[12]) / w;
            const double qy = (A[1] * x + A[5] * y + A[9] * z + A[13]) / w;
            minX = std::min(minX, qx), maxX = std::max(maxX, qx), minY = std::min(minY, qy), maxY = std::max(maxY, qy);
            minW = std::min(minW, w);
            // What the sums of a projection hold before any cancellation:
            // each is largest at a corner, as w is smallest at one.
            maxTerms = std::max(maxTerms, std::fabs(A[0] * x) + std::fabs(A[4] * y) + std::fabs(A[8] * z) +
                                              std::fabs(A[12]) + std::fabs(A[1] * x) + std::fabs(A[5] * y) +
                                              std::fabs(A[9] * z) + std::fabs(A[13]));
            maxWTerms = std::max(maxWTerms,
                                 std::fabs(A[3] * x) + std::fabs(A[7] * y) + std::fabs(A[11] * z) + std::fabs(A[15]));
            maxQ = std::max({maxQ, std::fabs(qx), std::fabs(qy)});
        }
        const double margin = 1e-5 * (maxTerms + maxQ * maxWTerms) / minW + 1e-30;
        minX -= margin, maxX += margin, minY -= margin, maxY += margin;
        bounded = std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) && std::isfinite(maxY);
    }
    // Whether a position of the box might take or tie an extreme of `e`.
    bool mayChange(const extremes_t& e) const
    {
        return !bounded || maxX >= e.maxX.p.x || minX <= e.minX.p.x || maxY >= e.maxY.p.y || minY <= e.minY.p.y;
    }
};

// The extremes over an array with known blocks, from those of `e`. The
// blocks whose corners reach furthest are read first; then, on every core,
// each other block whose box might still change the extremes. An empty
// block (no finite position) is passed over.
template <class Project>
extremes_t extremesByBlocks(const positions_t& a, uint64_t base, const mtx3w& A, extremes_t e, Project&& project)
{
    const std::vector<position_bounds_t>& boxes = a.known->blocks;
    const uint64_t size = std::max<uint64_t>(a.known->blockSize, 1);
    const uint64_t blocks = (a.count + size - 1) / size;
    std::vector<reach_t> reach;
    reach.reserve(size_t(blocks));
    for (uint64_t b = 0; b < blocks; ++b)
        reach.emplace_back(A, b < boxes.size() ? boxes[b] : position_bounds_t{});
    // An unbounded block (behind the camera in part, or past the box list)
    // is read in any case; a bounded one of no finite position never.
    auto hasPositions = [&](uint64_t b) { return b >= boxes.size() || !boxes[b].empty(); };
    auto readBlocks = [&](const std::vector<uint64_t>& which, extremes_t start) {
        const unsigned parts =
            unsigned(std::max<size_t>(1, std::min<size_t>(partsFor(a.count, 1 << 16), which.size())));
        std::vector<extremes_t> results(parts, start);
        runParts(parts, [&](unsigned k) {
            for (size_t n = which.size() * k / parts; n < which.size() * (k + 1) / parts; ++n) {
                const uint64_t b = which[n];
                if (!reach[b].mayChange(results[k]))
                    continue;
                visitRange(a, b * size, std::min(a.count, (b + 1) * size), [&](uint64_t i, const pos3& p) {
                    pos3 q;
                    if (project(p, q))
                        results[k].reach(q, base + i);
                });
            }
        });
        for (const extremes_t& r : results)
            start.merge(r);
        return start;
    };
    std::vector<uint64_t> first, rest;
    // The block reaching furthest left, right, down and up.
    uint64_t best[4] = {blocks, blocks, blocks, blocks};
    double furthest[4] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (uint64_t b = 0; b < blocks; ++b) {
        if (!reach[b].bounded || !hasPositions(b))
            continue;
        const double how[4] = {-reach[b].minX, reach[b].maxX, -reach[b].minY, reach[b].maxY};
        for (int k = 0; k < 4; ++k)
            if (how[k] > furthest[k])
                furthest[k] = how[k], best[k] = b;
    }
    for (uint64_t b : best)
        if (b < blocks && std::find(first.begin(), first.end(), b) == first.end())
            first.push_back(b);
    for (uint64_t b = 0; b < blocks; ++b)
        if (hasPositions(b) && std::find(first.begin(), first.end(), b) == first.end())
            rest.push_back(b);
    return readBlocks(rest, readBlocks(first, e));
}

// The extent of a scene about the origin: the one projected
// extreme that sizes the view (the farthest along the longer of x and y,
// seen from a camera E - 1 back), mapped back into the scene.
pos3 originExtent(const std::vector<positions_t>& arrays, float E, const mtx3w& projectionMatrix,
                  const mtx3w& invProjection)
{
    const mtx3w A = projectionMatrix * translation(0.0f, 0.0f, -(E - 1.0f));
    // A x (p, 1), written out: this runs for every vertex read.
    auto project = [&](const pos3& p, pos3& q) {
        const float w = A[3] * p.x + A[7] * p.y + A[11] * p.z + A[15];
        if (!(w > 0.0f))
            return false;
        const float k = 1.0f / w;
        q = {(A[0] * p.x + A[4] * p.y + A[8] * p.z + A[12]) * k, (A[1] * p.x + A[5] * p.y + A[9] * p.z + A[13]) * k,
             (A[2] * p.x + A[6] * p.y + A[10] * p.z + A[14]) * k};
        return finite3(q.x, q.y, q.z);
    };
    extremes_t extremes;
    uint64_t base = 0;
    for (const positions_t& a : arrays) {
        if (a.known) {
            extremes = extremesByBlocks(a, base, A, extremes, project);
        } else {
            std::vector<extremes_t> parts(partsFor(a.count, 1 << 16), extremes);
            eachPosition(a, unsigned(parts.size()), [&](unsigned k, uint64_t i, const pos3& p) {
                pos3 q;
                if (project(p, q))
                    parts[k].reach(q, base + i);
            });
            for (const extremes_t& e : parts)
                extremes.merge(e);
        }
        base += a.count;
    }
    const extreme_t &minX = extremes.minX, &maxX = extremes.maxX, &minY = extremes.minY, &maxY = extremes.maxY;

    float X = std::max(std::fabs(maxX.p.x), std::fabs(minX.p.x));
    float Y = std::max(std::fabs(maxY.p.y), std::fabs(minY.p.y));
    bool alongY = true;
    if (X != 0.0f || Y != 0.0f) {
        if (X == 0.0f)
            X = 1.0f;
        if (Y == 0.0f)
            Y = 1.0f;
        alongY = X <= Y;
    }
    const extreme_t& yPick = std::fabs(minY.p.y) < std::fabs(maxY.p.y) ? maxY : minY;
    const extreme_t& xPick = std::fabs(minX.p.x) < std::fabs(maxX.p.x) ? maxX : minX;
    const extreme_t* chosen = alongY ? &yPick : &xPick;
    // An extreme that no position reached (a flat model seen edge-on) falls
    // back to the other axis.
    if (!chosen->reached)
        chosen = alongY ? &xPick : &yPick;
    // Nothing projected in front of the fit camera (a small flat model in
    // the camera's plane, a scene of one point): frame the box.
    if (!chosen->reached)
        return {E, E, E};
    const mtx3w B = translation(0.0f, 0.0f, E - 1.0f) * invProjection;
    const pos3 q = transformPoint(B, chosen->p);
    const pos3 extent = {std::fabs(q.x), std::fabs(q.y), std::fabs(q.z)};
    return finite3(extent.x, extent.y, extent.z) ? extent : pos3{E, E, E};
}

// Whether a scene is built around the origin, as the scene files drawn for
// this viewer are: the centre of its box lies within a tenth of its largest
// side from the origin along every axis.
bool builtAroundOrigin(const position_bounds_t& own)
{
    if (own.empty())
        return true;
    const float side = std::max({own.hi.x - own.lo.x, own.hi.y - own.lo.y, own.hi.z - own.lo.z});
    const pos3 c = (own.lo + own.hi) * 0.5f;
    const float near = 0.1f * side;
    return std::fabs(c.x) <= near && std::fabs(c.y) <= near && std::fabs(c.z) <= near;
}

position_bounds_t shifted(const position_bounds_t& b, const pos3& by)
{
    position_bounds_t moved;
    moved.lo = {b.lo.x - by.x, b.lo.y - by.y, b.lo.z - by.z};
    moved.hi = {b.hi.x - by.x, b.hi.y - by.y, b.hi.z - by.z};
    return moved;
}

// The power of ten at or below `size` (1 for a scene from 1 to 10 units
// across, or of no size): what wheel steps and drags count in.
float sceneUnit(float size)
{
    if (!(size > 0.0f) || !std::isfinite(size))
        return 1.0f;
    return std::pow(10.0f, std::floor(std::log10(size)));
}

// The least camera distance from `pivot` along +z at which every position
// projects inside `share` of the half width and half height of a picture
// whose projection scales x by fx and y by fy, and the nearest depth any
// position reaches towards the camera (largest z - pivot.z).
struct framing_t {
    double distance = 0.0;
    double front = -HUGE_VAL;
    double radius = 0.0; // the farthest position from the pivot (or a block's corner)
};
framing_t framingDistance(const std::vector<positions_t>& arrays, const pos3& pivot, double fx, double fy, double share)
{
    // The distance a position needs grows with |x|, |y| and z alike, so over
    // a box it is largest at a corner.
    auto need = [&](const pos3& p) {
        const double x = double(p.x) - pivot.x, y = double(p.y) - pivot.y, z = double(p.z) - pivot.z;
        return z + std::max(fx * std::fabs(x), fy * std::fabs(y)) / share;
    };
    auto away = [&](const pos3& p) {
        const double x = double(p.x) - pivot.x, y = double(p.y) - pivot.y, z = double(p.z) - pivot.z;
        return std::sqrt(x * x + y * y + z * z);
    };
    auto take = [&](framing_t& f, const pos3& p) {
        f.distance = std::max(f.distance, need(p));
        f.front = std::max(f.front, double(p.z) - pivot.z);
        f.radius = std::max(f.radius, away(p));
    };
    framing_t all;
    for (const positions_t& a : arrays) {
        if (a.known) {
            // A reader's blocks: the corners of each block's box bound what
            // its positions need; only blocks that might need more than the
            // largest found so far are read, those that might need most first.
            std::vector<std::pair<double, uint64_t>> order;
            const uint64_t size = std::max<uint64_t>(a.known->blockSize, 1);
            for (uint64_t b = 0; b < a.known->blocks.size(); ++b) {
                const position_bounds_t& box = a.known->blocks[b];
                double most = -HUGE_VAL;
                for (int c = 0; !box.empty() && c < 8; ++c) {
                    const pos3 corner{(c & 1) ? box.hi.x : box.lo.x, (c & 2) ? box.hi.y : box.lo.y,
                                      (c & 4) ? box.hi.z : box.lo.z};
                    most = std::max(most, need(corner));
                    all.radius = std::max(all.radius, away(corner));
                }
                if (!box.empty())
                    order.emplace_back(most, b), all.front = std::max(all.front, double(box.hi.z) - pivot.z);
            }
            std::sort(order.begin(), order.end(), std::greater<>());
            for (const auto& [most, b] : order) {
                if (most <= all.distance)
                    break;
                visitRange(a, b * size, std::min(a.count, (b + 1) * size),
                           [&](uint64_t, const pos3& p) { take(all, p); });
            }
            continue;
        }
        std::vector<framing_t> parts(partsFor(a.count, 1 << 16));
        eachPosition(a, unsigned(parts.size()), [&](unsigned k, uint64_t, const pos3& p) { take(parts[k], p); });
        for (const framing_t& f : parts) {
            all.distance = std::max(all.distance, f.distance), all.front = std::max(all.front, f.front);
            all.radius = std::max(all.radius, f.radius);
        }
    }
    return all;
}

} // namespace

float sceneview_t::fitDistance() const
{
    return fittedZ;
}

// The camera distance for an extent about the origin: the sized extreme's
// distance and depth, a quarter more, and the clearance.
static float originDistance(const pos3& extent, float clearance)
{
    return (-std::max(extent.x, extent.y) - extent.z) * 1.25f - clearance;
}

void sceneview_t::fitScene()
{
    if (scenes.empty()) {
        camera.t.z += -3.0f;
        updateView();
        return;
    }
    // Array 0 of each surface (a NURBS surface's control points) sizes the
    // view aimed at the origin; the drawn meshes (a NURBS surface's tessellation) are
    // what must lie inside the picture.
    std::vector<std::unique_ptr<vyk3d::scoped_map_t<float>>> maps;
    std::vector<positions_t> arrays, drawn;
    auto mapArray = [&](vyk3d::attribute_array_t* array, const block_bounds_t* known, std::vector<positions_t>& to) {
        if (!array || array->count() == 0 || array->stride() < 3)
            return;
        maps.push_back(std::make_unique<vyk3d::scoped_map_t<float>>(*array, GL_MAP_READ_BIT));
        if (*maps.back())
            to.push_back({maps.back()->get(), array->count(), array->stride(), known});
    };
    for (auto& scene : scenes) {
        for (const auto& model : scene) {
            vyk3d::modeling_t* surface = model->surface();
            if (!surface)
                continue;
            const auto& loaded = model->polygon.loadedBounds;
            const block_bounds_t* known = model->kind == model_t::Polygon && loaded ? &*loaded : nullptr;
            const size_t before = arrays.size();
            mapArray(surface->array(0), known, arrays);
            if (model->kind == model_t::Polygon && arrays.size() > before)
                drawn.push_back(arrays.back());
            else
                mapArray(&model->polygon.vertices, nullptr, drawn);
        }
    }

    // The box of every position: the reader's bounds stand for a pass over
    // its positions.
    position_bounds_t own;
    uint64_t nonFinite = 0;
    for (const positions_t& a : arrays) {
        if (a.known) {
            for (const position_bounds_t& b : a.known->blocks)
                own.merge(b);
            continue;
        }
        std::vector<position_bounds_t> parts(partsFor(a.count, 1 << 16));
        nonFinite +=
            eachPosition(a, unsigned(parts.size()), [&](unsigned k, uint64_t, const pos3& p) { parts[k].add(p); });
        for (const position_bounds_t& b : parts)
            own.merge(b);
    }
    nonFinite += own.nonFinite;
    bool sceneFiles = true;
    for (int i = 1; i < argc; ++i)
        sceneFiles = sceneFiles && hasExtension(argv[i], ".vyk") == 0;
    const bool aroundOrigin = sceneFiles && builtAroundOrigin(own);
    camera.pivot = aroundOrigin || own.empty() ? pos3{0, 0, 0} : (own.lo + own.hi) * 0.5f;
    position_bounds_t box = position_bounds_t::origin();
    if (aroundOrigin)
        box.merge(own);
    else
        box.merge(shifted(own, camera.pivot));
    const pos3 lo = box.lo, hi = box.hi;
    if (lo.x == 0.0f && lo.y == 0.0f && lo.z == 0.0f && hi.x == 0.0f && hi.y == 0.0f && hi.z == 0.0f)
        libutils::diagnostics() << "vykview_t::fitScene(): the scene has no extent; the view frames a unit box."
                                << std::endl;
    if (nonFinite) {
        libutils::diagnostics() << "vykview_t::fitScene(): " << nonFinite << " positions are not finite; ignored."
                                << std::endl;
    }
    auto axis = [](float mn, float mx) {
        const float e = std::max(mx, -mn) * 1.125f;
        return e == 0.0f ? 1.0f : e;
    };
    const float E = std::max({axis(lo.x, hi.x), axis(lo.y, hi.y), axis(lo.z, hi.z)});
    // One unit between the camera and the scene's box, or less for a box
    // smaller than that: a fixed unit made a part of a few centimetres a dot.
    clearance = std::min(1.0f, E);
    extent = {E, E, E};
    if (aroundOrigin)
        extent = originExtent(arrays, E, projectionMatrix, invProjection);
    if (!finite3(extent.x, extent.y, extent.z)) {
        libutils::diagnostics() << "vykview_t::fitScene(): the scene is too large to fit." << std::endl;
        extent = {1.0f, 1.0f, 1.0f};
        framed = false;
    }

    // Every position inside the middle nine tenths of the picture's width
    // and height; scene files built around the origin keep the distance
    // their farthest projected point gives.
    const double fx = projectionMatrix[0], fy = projectionMatrix[5];
    const framing_t inside = framingDistance(drawn, camera.pivot, fx, fy, 0.9);
    const double side = std::max({own.hi.x - own.lo.x, own.hi.y - own.lo.y, own.hi.z - own.lo.z});
    // The camera stays a little in front of the nearest position, for a
    // model seen end-on.
    double distance = std::max(inside.distance, inside.front + 0.1 * side);
    if (aroundOrigin || own.empty())
        distance = -originDistance(extent, clearance);
    if (!(distance > 0.0) || !std::isfinite(distance))
        distance = -originDistance({E, E, E}, clearance);
    maps.clear();
    fittedZ = float(-distance);
    camera.t.z += fittedZ;
    camera.unit = sceneUnit(float(side));
    // Wheel steps stop short of the sphere about the pivot that holds the
    // drawn positions.
    camera.radius = float(inside.radius);
    // The clip planes follow the scene's size, both by one factor, so the
    // picture's x and y stay and only depths are rescaled: a small scene gets
    // its near plane in front of the nearer camera, and a scene whose far side
    // lies past the far plane (a CAD part of 500 mm) is no longer clipped away.
    double scale = std::max(double(clearance), 1e-15);
    projection far{};
    viewFrustum(width, height, &far, scale);
    const double farSide = double(-camera.t.z) + double(E);
    if (farSide > far.far && farSide < 1e15)
        scale *= farSide * 1.1 / far.far;
    if (scale != depthScale) {
        depthScale = scale;
        reshape(width, height);
    }
    viewFrustum(width, height, &far, depthScale);
    camera.farthest = float(far.far * 0.5);
    updateView();
}
