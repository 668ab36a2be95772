// vykview: interactive viewer for .vyk scene files and STL models.
#include "app/gluty.h"
#include "app/vykview.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

int main(int argc, char** argv)
{
    // The usage line must not depend on a display being reachable, and
    // glutInit ends the process when it finds none.
    if (argc < 2)
        vykview_t::usage(argc > 0 ? argv[0] : "vykview");

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    // A window manager close leaves the loop instead of hanging in it.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    {
        vykview_t viewer(argc, argv);
        dorv::glutyRegistry* registry = dorv::glutyRegistry::instance();
        registry->createWindow(&viewer, "vykview");
        registry->mainLoop();
    }
    return 0;
}
