#include "app/vykview.h"

#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"
#include "view/gl_context.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <string>

namespace
{

// How often the watcher is asked; its own settling time comes on top.
constexpr unsigned kPollMs = 100;

vykview_t* watching = nullptr; // GLUT timers carry no object

} // namespace

void vykview_t::init()
{
    if (!loadGL())
        throw libutils::fatal_error_t(1, ""); // loadGL said why
    title = std::string(argv[1]) + " - vykview";
    sceneview_t::init();
    glutSetWindowTitle(title.c_str());
    dorv::glutyRegistry::instance()->setKeyRepeat(true);
    if (watchFiles) {
        watcher = std::make_unique<file_watcher_t>();
        watchNewFiles();
        watching = this;
        glutTimerFunc(kPollMs, poll, 0);
    }
}

void vykview_t::watchNewFiles()
{
    for (; watched < openedFiles.size(); ++watched)
        watcher->watch(openedFiles[watched]);
}

void vykview_t::poll(int)
{
    vykview_t* v = watching;
    if (!v)
        return;
    dorv::glutyRegistry::instance()->guard([v] {
        // A failed load keeps the last good scenes and says why in the
        // title until a load succeeds; the watch goes on either way, also
        // over the files the failed load named.
        if (v->watcher->changed())
            v->showReload(v->reload());
        v->watchNewFiles();
        glutTimerFunc(kPollMs, poll, 0);
    });
}

void vykview_t::showReload(bool loaded)
{
    glutSetWindowTitle(loaded ? title.c_str() : (libutils::lastMessage() + " - vykview").c_str());
}

void vykview_t::loadProgress(const std::string& text)
{
    sceneview_t::loadProgress(text);
    // The window is still in the load's hands: the title is all it can show.
    glutSetWindowTitle(text.empty() ? title.c_str() : (text + " - vykview").c_str());
}

void vykview_t::display()
{
    sceneview_t::display();
    glutSwapBuffers();
}

void vykview_t::special(int key, int x, int y)
{
    if (key == GLUT_KEY_SHIFT_L || key == GLUT_KEY_SHIFT_R)
        shift(true, x, y);
    else if (key == GLUT_KEY_F12)
        screenshot();
}

void vykview_t::specialUp(int key, int x, int y)
{
    if (key == GLUT_KEY_SHIFT_L || key == GLUT_KEY_SHIFT_R)
        shift(false, x, y);
}

void vykview_t::mouseWheel(int wheel, int direction, int, int)
{
    if (wheel == 0)
        sceneview_t::wheel(direction);
}

void vykview_t::requestRedisplay()
{
    glutPostRedisplay();
}

void vykview_t::runClock(bool on)
{
    dorv::glutyRegistry::instance()->setIdle(on);
}

void vykview_t::toggleFullScreen()
{
    glutFullScreenToggle();
}

void vykview_t::quit()
{
    // main returns, so the program ends as a closed window does (status 0).
    dorv::glutyRegistry::instance()->leaveMainLoop();
}
