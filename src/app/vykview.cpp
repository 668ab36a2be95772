#include "app/vykview.h"

#include "app/morph_clock.h"

#include "foundation/check_gl.h"
#include "foundation/clock.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

constexpr double kFieldOfView = 1.5707963267948966; // pi / 2, across the diagonal
constexpr double kNear = 0.01;
constexpr double kFar = 1000.0;

} // namespace

projection viewFrustum(int w, int h, projection* farPlane)
{
    perspective p;
    p.fovy = kFieldOfView;
    p.near = kNear;
    p.far = kFar;
    setAspect(p, static_cast<double>(w), static_cast<double>(h));
    if (farPlane)
        *farPlane = farFrustum(p);
    return nearFrustum(p);
}

vykview_t::vykview_t(int argc_, char** argv_) : argc(argc_), argv(argv_)
{
    globalview = modelview = invModelview = identityMatrix();
    projectionMatrix = invProjection = identityMatrix();
    basedir[0] = '\0';
    if (argc < 2)
        usage(argc > 0 ? argv[0] : "vykview");
    directoryPart(argv[1], basedir);
    basedir[kDirectoryPartSize - 1] = '\0';
}

vykview_t::~vykview_t()
{
    // The pairs point into the models: they go first. The models are the
    // viewer's from the moment their file loaded.
    morphs.clear();
    for (auto& scene : scenes)
        for (model_t* model : scene)
            delete model;
    scenes.clear();
}

void vykview_t::usage(const char* program)
{
    std::fprintf(stderr, "usage: %s file.vyk ...\n", program ? program : "");
    std::fflush(stderr);
    std::exit(0);
}

void vykview_t::init()
{
    // Not glewExperimental: it marks every version whose entry points merely
    // exist as available, and a 3.0 context would pass the check below.
    glewInit();
    // GLEW's probing may leave an error behind that is not ours.
    while (glGetError() != GL_NO_ERROR) {
    }
    if (!GLEW_VERSION_3_3) {
        std::fprintf(stderr, "OpenGL 3.3 or later required.\n");
        std::fflush(stderr);
        std::exit(1);
    }
    // Textures hold GL names; empty their registries before the process ends.
    std::atexit(vyk3d::clearTextureRegistries);
    glClearColor(0.18f, 0.18f, 0.18f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    loadScenes();
    checkGL("vykview_t::init(end)");
    if (argc > 1 && glutGetWindow() != 0) {
        std::string title = std::string(argv[1]) + " - vykview";
        glutSetWindowTitle(title.c_str());
    }
    if (auto* r = dorv::glutyRegistry::instance())
        r->setKeyRepeat(true);
}

void vykview_t::reshape(int w, int h)
{
    width = w;
    height = h;
    glViewport(0, 0, w, h);
    const projection f = viewFrustum(w, h);
    projectionMatrix = frustumMatrix(f);
    invProjection = frustumInverse(f);
    buildBackground();
    if (fequal(extent.x, 0.0f) && fequal(extent.y, 0.0f) && fequal(extent.z, 0.0f))
        fitScene();
}

void vykview_t::display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGL("vykview_t::display(1)");
    drawScenes();
    glutSwapBuffers();
}

void vykview_t::setElapsed(uint32_t ms)
{
    elapsed = ms;
    const morphPosition_t p = morphPosition(elapsed, morphCount());
    morphStep = p.step;
    morphRate = p.rate;
}

void vykview_t::idle()
{
    setElapsed(elapsedSince(startTime, timeGetTime()));
    glutPostRedisplay();
}

void vykview_t::updateView()
{
    const viewMatrices_t v = camera.viewMatrices();
    modelview = v.modelview;
    invModelview = v.invModelview;
    globalview = v.globalview;
    if (glutGetWindow() != 0)
        glutPostRedisplay();
}

void vykview_t::special(int key, int x, int y)
{
    if (key != GLUT_KEY_SHIFT_L && key != GLUT_KEY_SHIFT_R)
        return;
    camera.setShift(true, x, flipY(y));
    updateView();
}

void vykview_t::specialUp(int key, int x, int y)
{
    if (key != GLUT_KEY_SHIFT_L && key != GLUT_KEY_SHIFT_R)
        return;
    camera.setShift(false, x, flipY(y));
    updateView();
}

void vykview_t::mouseWheel(int wheel, int direction, int, int)
{
    if (wheel != 0)
        return;
    camera.wheel(direction);
    updateView();
}

void vykview_t::mouse(int button, int state, int x, int y)
{
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN)
        pickPoint = pick(static_cast<float>(x), static_cast<float>(flipY(y)));
    camera.mouse(button, state, x, flipY(y));
}

void vykview_t::motion(int x, int y)
{
    if (camera.motion(x, flipY(y), pickPoint.z, invModelview, invProjection, width * 0.5f, height * 0.5f))
        updateView();
}
