#include "view/scene_view.h"

#include "foundation/check_gl.h"
#include "foundation/clock.h"
#include "foundation/fatal_error.h"
#include "view/morph_clock.h"

#include <GL/glew.h>

#include <cstdlib>
#include <string>

namespace
{

constexpr double kFieldOfView = 1.5707963267948966; // pi / 2, across the diagonal
constexpr double kNear = 0.01;
constexpr double kFar = 1000.0;

} // namespace

projection viewFrustum(int w, int h, projection* farPlane, double depthScale)
{
    perspective p;
    p.fovy = kFieldOfView;
    p.near = kNear * depthScale;
    p.far = kFar * depthScale;
    setAspect(p, static_cast<double>(w), static_cast<double>(h));
    if (farPlane)
        *farPlane = farFrustum(p);
    return nearFrustum(p);
}

sceneview_t::sceneview_t(int argc_, char** argv_) : argc(argc_), argv(argv_)
{
    globalview = modelview = invModelview = identityMatrix();
    projectionMatrix = invProjection = identityMatrix();
    if (argc < 2)
        usage(argc > 0 ? argv[0] : "vykview");
    basedir = directoryPart(argv[1]);
}

sceneview_t::~sceneview_t()
{
    destroyScenes();
}

void sceneview_t::destroyScenes()
{
    // The pairs point into the models: they go first.
    morphs.clear();
    scenes.clear();
}

void sceneview_t::usage(const char* program)
{
    throw libutils::fatal_error_t(0, std::string("usage: ") + (program ? program : "") + " file.vyk ...");
}

void sceneview_t::init()
{
    // Textures hold GL names; empty their registries before the process ends.
    std::atexit(vyk3d::clearTextureRegistries);
    glClearColor(0.18f, 0.18f, 0.18f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    polygonRenderer.init(basedir.c_str());
    morphRenderer.init(basedir.c_str());
    if (const int failed = loadFiles(scenes, environment)) {
        throw libutils::fatal_error_t(1, std::string(argv[failed]) + ": load error.");
    }
    if (scenes.size() > 1)
        pairMorphs();
    checkGL("vykview_t::init(end)");
}

void sceneview_t::reshape(int w, int h)
{
    width = w;
    height = h;
    glViewport(0, 0, w, h);
    const projection f = viewFrustum(w, h, nullptr, depthScale);
    projectionMatrix = frustumMatrix(f);
    invProjection = frustumInverse(f);
    buildSkyBox();
    if (fequal(extent.x, 0.0f) && fequal(extent.y, 0.0f) && fequal(extent.z, 0.0f))
        fitScene();
}

void sceneview_t::display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGL("vykview_t::display(1)");
    if (!environment.name.empty())
        drawSkyBox();
    drawScenes();
}

void sceneview_t::setElapsed(uint32_t ms)
{
    elapsed = ms;
    const morphPosition_t p = morphPosition(elapsed, morphCount());
    morphStep = p.step;
    morphRate = p.rate;
}

void sceneview_t::idle()
{
    setElapsed(elapsedSince(startTime, timeGetTime()));
    requestRedisplay();
}

void sceneview_t::updateView()
{
    const viewMatrices_t v = camera.viewMatrices();
    modelview = v.modelview;
    invModelview = v.invModelview;
    globalview = v.globalview;
    requestRedisplay();
}

void sceneview_t::shift(bool down, int x, int y)
{
    camera.setShift(down, x, flipY(y));
    updateView();
}

void sceneview_t::wheel(int direction)
{
    camera.wheel(direction);
    updateView();
}

void sceneview_t::mouse(int button, int state, int x, int y)
{
    if (button == 0 && state == 0) // left press
        pickPoint = pick(static_cast<float>(x), static_cast<float>(flipY(y)));
    camera.mouse(button, state, x, flipY(y));
}

void sceneview_t::motion(int x, int y)
{
    if (camera.motion(x, flipY(y), pickPoint.z, invModelview, invProjection, width * 0.5f, height * 0.5f))
        updateView();
}
