// What the view loads and draws: the scene list, the morph pairs, the sky
// box, the first camera fit and the scene part of a frame.
#include "view/scene_view.h"

#include "foundation/bounds.h"
#include "foundation/check_gl.h"
#include "foundation/parallel.h"
#include "gl/scoped_map.h"

#include <GL/glew.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{

// The black one-texel specular map used when no "nonspecular.bmp" lies
// beside the first scene file; the parentheses keep its cache key apart
// from any file path.
const vyk3d::builtin_t kSkyBoxBlackSpecular = {
    "(nonspecular)", {libgr::grFmtRGBA, libgr::grTypeUINT, libgr::grBits8}, {0, 0, 0, 255}, nullptr};

bool finite3(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

} // namespace

void sceneview_t::pairMorphs()
{
    const std::size_t n = scenes.size();
    morphs.clear();
    morphs.resize(n);
    auto a = scenes.begin();
    for (std::size_t k = 0; k < n; ++k, ++a) {
        auto b = std::next(a) == scenes.end() ? scenes.begin() : std::next(a);
        auto ma = a->begin();
        auto mb = b->begin();
        std::size_t j = 0;
        // Surfaces pair by position; surplus models in B take no part.
        for (; ma != a->end() && mb != b->end(); ++ma, ++mb, ++j) {
            morphs[k].emplace_back(&(*ma)->texture, &(*mb)->texture, &(*ma)->polygon, &(*mb)->polygon);
            morphs[k].back().build();
        }
        if (j < a->size()) {
            std::cerr << k << ", [" << j << ":" << a->size() << "]: too few models in opposite model." << std::endl;
        }
    }
}

void sceneview_t::buildSkyBox()
{
    // "nonspecular.bmp" beside the first scene file wins; without it the
    // quad gets a black one-texel map (the same picture) and no messages
    // about a file the user never named.
    const std::string own = vyk3d::resolveTexturePath(basedir, "nonspecular.bmp");
    const bool haveFile = access(own.c_str(), R_OK) == 0;
    bgtexture.specularmap = haveFile ? "nonspecular.bmp" : "";
    bgtexture.open(basedir);
    if (!haveFile) {
        if (const uint32_t black = vyk3d::builtinTexture(kSkyBoxBlackSpecular, 1.0f))
            bgtexture.specularhandle = black;
    }

    const projection f = [&] {
        projection far{};
        viewFrustum(width, height, &far, depthScale);
        return far;
    }();
    if (!bgpolygon.allocate(4, 4))
        return;
    {
        vyk3d::scoped_map_t<float> v(bgpolygon.vertices, GL_MAP_WRITE_BIT);
        vyk3d::scoped_map_t<float> n(bgpolygon.normals, GL_MAP_WRITE_BIT);
        vyk3d::scoped_map_t<uint32_t> e(bgpolygon.elements, GL_MAP_WRITE_BIT);
        if (!v || !n || !e)
            return;
        const float l = float(f.left), r = float(f.right), b = float(f.bottom), t = float(f.top);
        const float z = -float(f.far);
        const float corners[4][5] = {{l, t, z, 0, 1}, {l, b, z, 0, 0}, {r, t, z, 1, 1}, {r, b, z, 1, 0}};
        for (int i = 0; i < 4; ++i) {
            float* rec = &v[i * 9];
            rec[0] = corners[i][0];
            rec[1] = corners[i][1];
            rec[2] = corners[i][2];
            rec[3] = rec[4] = rec[5] = 0.0f;
            rec[6] = 1.0f;
            rec[7] = corners[i][3];
            rec[8] = corners[i][4];
            const float frame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            std::copy(frame, frame + 9, &n[i * 9]);
            e[i] = static_cast<uint32_t>(i);
        }
    }
    bgpolygon.update();
}

float sceneview_t::fitDistance() const
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
    // Every surface array 0, mapped: the vertices of a polygon surface, the
    // control points of a NURBS surface. Positions that are not finite
    // take no part; they are counted. The bounds a reader found while
    // writing the vertices stand for a pass over them.
    struct positions_t {
        const float* p;
        uint64_t count;
        std::size_t stride;
        const position_bounds_t* known;
    };
    std::vector<std::unique_ptr<vyk3d::scoped_map_t<float>>> maps;
    std::vector<positions_t> arrays;
    for (auto& scene : scenes) {
        for (model_t* model : scene) {
            vyk3d::modeling_t* surface = model->surface();
            if (!surface)
                continue;
            vyk3d::attribute_array_t* array = surface->array(0);
            if (!array || array->count() == 0 || array->stride() < 3)
                continue;
            const auto& loaded = model->polygon.loadedBounds;
            const position_bounds_t* known = model->kind == model_t::Polygon && loaded ? &*loaded : nullptr;
            maps.emplace_back(new vyk3d::scoped_map_t<float>(*array, GL_MAP_READ_BIT));
            if (*maps.back())
                arrays.push_back({maps.back()->get(), array->count(), array->stride(), known});
        }
    }
    // One pass over all positions, each array cut into parts that run on
    // every core: visit(result, p) folds a finite position into its part's
    // result, and merge folds the parts' results in position order.
    std::size_t nonFinite = 0;
    auto forEachPosition = [&](auto initial, auto&& visit, auto&& merge, bool unknownOnly = false) {
        nonFinite = 0;
        auto result = initial;
        for (const positions_t& a : arrays) {
            if (unknownOnly && a.known)
                continue;
            const unsigned parts = partsFor(a.count, 1 << 16);
            std::vector<decltype(initial)> results(parts, initial);
            std::vector<std::size_t> skipped(parts, 0);
            runParts(parts, [&](unsigned k) {
                const uint64_t last = a.count * (k + 1) / parts;
                for (uint64_t i = a.count * k / parts; i < last; ++i) {
                    const float* rec = a.p + i * a.stride;
                    if (!finite3(rec[0], rec[1], rec[2]))
                        ++skipped[k];
                    else
                        visit(results[k], pos3{rec[0], rec[1], rec[2]});
                }
            });
            for (unsigned k = 0; k < parts; ++k) {
                merge(result, results[k]);
                nonFinite += skipped[k];
            }
        }
        return result;
    };

    position_bounds_t box = forEachPosition(
        position_bounds_t{}, [](position_bounds_t& b, const pos3& p) { b.add(p); },
        [](position_bounds_t& into, const position_bounds_t& b) { into.merge(b); }, true);
    for (const positions_t& a : arrays)
        if (a.known)
            box.merge(*a.known);
    nonFinite += box.nonFinite;
    const pos3 lo = box.lo, hi = box.hi;
    if (lo.x == 0.0f && lo.y == 0.0f && lo.z == 0.0f && hi.x == 0.0f && hi.y == 0.0f && hi.z == 0.0f)
        std::cerr << "vykview_t::fitScene(): the scene has no extent; the view frames a unit box." << std::endl;
    if (nonFinite) {
        std::cerr << "vykview_t::fitScene(): " << nonFinite << " positions are not finite; ignored." << std::endl;
    }
    auto axis = [](float mn, float mx) {
        const float e = std::max(mx, -mn) * 1.125f;
        return e == 0.0f ? 1.0f : e;
    };
    const float E = std::max({axis(lo.x, hi.x), axis(lo.y, hi.y), axis(lo.z, hi.z)});
    // Extents far beyond the float range of the projection give nothing to fit.
    const mtx3w A = projectionMatrix * translation(0.0f, 0.0f, -(E - 1.0f));

    // Extremes of the projected positions: smallest x, largest x, smallest y,
    // largest y. Positions at or behind the fit camera (w <= 0) project to
    // nothing meaningful and are left out. The first position to reach an
    // extreme keeps it, so folding the parts in order gives what one pass
    // in order gives.
    struct extreme_t {
        pos3 p{0, 0, 0};
        bool reached = false;
    };
    struct extremes_t {
        extreme_t minX, maxX, minY, maxY;
    };
    auto reach = [](extremes_t& e, const pos3& q) {
        if (q.x < e.minX.p.x)
            e.minX = {q, true};
        if (q.x > e.maxX.p.x)
            e.maxX = {q, true};
        if (q.y < e.minY.p.y)
            e.minY = {q, true};
        if (q.y > e.maxY.p.y)
            e.maxY = {q, true};
    };
    const extremes_t extremes = forEachPosition(
        extremes_t{},
        [&](extremes_t& e, const pos3& p) {
            // A x (p, 1), written out: this runs for every vertex of the scene.
            const float w = A[3] * p.x + A[7] * p.y + A[11] * p.z + A[15];
            if (!(w > 0.0f))
                return;
            const float k = 1.0f / w;
            const pos3 q{(A[0] * p.x + A[4] * p.y + A[8] * p.z + A[12]) * k,
                         (A[1] * p.x + A[5] * p.y + A[9] * p.z + A[13]) * k,
                         (A[2] * p.x + A[6] * p.y + A[10] * p.z + A[14]) * k};
            if (finite3(q.x, q.y, q.z))
                reach(e, q);
        },
        [](extremes_t& into, const extremes_t& e) {
            if (e.minX.p.x < into.minX.p.x)
                into.minX = e.minX;
            if (e.maxX.p.x > into.maxX.p.x)
                into.maxX = e.maxX;
            if (e.minY.p.y < into.minY.p.y)
                into.minY = e.minY;
            if (e.maxY.p.y > into.maxY.p.y)
                into.maxY = e.maxY;
        });
    maps.clear();
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

    if (chosen->reached) {
        const mtx3w B = translation(0.0f, 0.0f, E - 1.0f) * invProjection;
        const pos3 q = transformPoint(B, chosen->p);
        extent = {std::fabs(q.x), std::fabs(q.y), std::fabs(q.z)};
    } else {
        // Nothing projected in front of the fit camera (a small flat model
        // in the camera's plane, a scene of one point): frame the box.
        extent = {E, E, E};
    }
    if (!finite3(extent.x, extent.y, extent.z))
        extent = {E, E, E};
    if (!finite3(extent.x, extent.y, extent.z)) {
        std::cerr << "vykview_t::fitScene(): the scene is too large to fit." << std::endl;
        extent = {1.0f, 1.0f, 1.0f};
    }
    // One unit between the camera and the scene's box, or less for a box
    // smaller than that: a fixed unit made a part of a few centimetres a dot.
    clearance = std::min(1.0f, E);
    camera.t.z += fitDistance();
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
    updateView();
}

void sceneview_t::drawSkyBox()
{
    static const mtx3w identity = identityMatrix();
    // The sky box lies on the far plane, at the cleared depth itself: a
    // polygon offset alone does not lift it on a 32-bit depth buffer, so
    // it is drawn with a test that lets equal depths pass.
    glPolygonOffset(0.0f, -1.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glDepthFunc(GL_LEQUAL);
    polygonRenderer.drawsolid(environment, 1, bgtexture, bgpolygon, &globalview, &identity, &identity,
                              &projectionMatrix, &lightPosition, shininess);
    glDepthFunc(GL_LESS);
    glDisable(GL_POLYGON_OFFSET_FILL);
    checkGL("vykview_t::display(1.1)");
}

void sceneview_t::drawScenes()
{
    if (morphs.empty()) {
        for (auto& scene : scenes) {
            for (model_t* model : scene) {
                polygonRenderer.drawsolid(environment, 0, model->texture, model->polygon, &globalview, &modelview,
                                          &invModelview, &projectionMatrix, &lightPosition, shininess);
                checkGL("vykview_t::display(2)");
            }
        }
        return;
    }
    if (morphStep >= morphs.size())
        return;
    for (vyk3d::morphpair_t& pair : morphs[morphStep]) {
        morphRenderer.drawsolid(environment, 0, pair, morphRate, &globalview, &modelview, &invModelview,
                                &projectionMatrix, &lightPosition, shininess);
        checkGL("vykview_t::display(3)");
    }
}
