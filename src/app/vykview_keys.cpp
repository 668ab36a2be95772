// The viewer's keyboard commands.
#include "app/vykview.h"

#include "foundation/clock.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <cstdlib>
#include <iostream>

namespace
{

void reportShininess(float shininess)
{
    std::cout << "shininess: " << static_cast<double>(shininess) << std::endl;
}

} // namespace

void vykview_t::keyboard(unsigned char key, int, int)
{
    switch (key) {
    case 's':
        shininess += 1.0f;
        reportShininess(shininess);
        glutPostRedisplay();
        break;
    case 'S':
        shininess -= 1.0f;
        reportShininess(shininess);
        glutPostRedisplay();
        break;
    case ' ':
        if (morphs.empty())
            break;
        if (animating) {
            animating = false;
            dorv::glutyRegistry::instance()->setIdle(false);
        } else {
            animating = true;
            dorv::glutyRegistry::instance()->setIdle(true);
            // Resume at the step and rate where the clock stopped.
            startTime = timeGetTime() - elapsed;
        }
        break;
    case 13:
        camera.reset();
        camera.t.z += fitDistance();
        updateView();
        break;
    case 'f':
        glutFullScreenToggle();
        break;
    case 'q':
    case 27:
        std::exit(0);
    default:
        break;
    }
}
