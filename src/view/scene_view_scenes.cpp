// What the view loads and draws: the scene list, the morph pairs, the sky
// box, the first camera fit and the scene part of a frame.
#include "view/scene_view.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "gl/scoped_map.h"

#include <GL/glew.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
            libutils::diagnostics() << k << ", [" << j << ":" << a->size() << "]: too few models in opposite model."
                                    << std::endl;
        }
    }
}

void sceneview_t::buildSkyBox()
{
    // "nonspecular.bmp" beside the first scene file wins; without it the
    // quad gets a black one-texel map (the same picture) and no messages
    // about a file the user never named.
    const std::string own = vyk3d::resolveTexturePath(basedir.c_str(), "nonspecular.bmp");
    const bool haveFile = access(own.c_str(), R_OK) == 0;
    bgtexture.specularmap = haveFile ? "nonspecular.bmp" : "";
    bgtexture.open(basedir.c_str());
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
            for (const auto& model : scene) {
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
