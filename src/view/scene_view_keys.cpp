// The viewer's keyboard commands.
#include "view/scene_view.h"

#include "foundation/clock.h"

#include <iostream>

namespace
{

void reportShininess(float shininess)
{
    std::cout << "shininess: " << static_cast<double>(shininess) << std::endl;
}

} // namespace

void sceneview_t::keyboard(unsigned char key)
{
    switch (key) {
    case 's':
        shininess += 1.0f;
        reportShininess(shininess);
        requestRedisplay();
        break;
    case 'S':
        shininess -= 1.0f;
        reportShininess(shininess);
        requestRedisplay();
        break;
    case ' ':
        if (morphs.empty())
            break;
        if (animating) {
            animating = false;
            runClock(false);
        } else {
            animating = true;
            runClock(true);
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
        toggleFullScreen();
        break;
    case 'q':
    case 27:
        quit();
        break;
    default:
        break;
    }
}
