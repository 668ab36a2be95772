#include "app/vykview.h"

#include "view/gl_context.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <cstdlib>
#include <string>

void vykview_t::init()
{
    if (!loadGL())
        std::exit(1);
    sceneview_t::init();
    const std::string title = std::string(argv[1]) + " - vykview";
    glutSetWindowTitle(title.c_str());
    dorv::glutyRegistry::instance()->setKeyRepeat(true);
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
