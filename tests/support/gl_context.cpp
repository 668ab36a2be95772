#include "support/gl_context.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace vyktest {

namespace {
int window = 0;
}

int glWindow()
{
    return window;
}

void glContext()
{
    if (window != 0) {
        glutSetWindow(window);
        return;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fprintf(stderr, "GL tests need an X display: run them under xvfb-run -a\n");
        std::abort();
    }
    int argc = 1;
    char name[] = "vyktest";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(256, 256);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    window = glutCreateWindow("vyktest");
    glewExperimental = GL_TRUE;
    glewInit();
    // GLEW may leave a GL_INVALID_ENUM behind on some drivers.
    while (glGetError() != GL_NO_ERROR) {
    }
    if (!GLEW_VERSION_3_3) {
        std::fprintf(stderr, "GL tests need OpenGL 3.3 (llvmpipe gives 4.5)\n");
        std::abort();
    }
}

} // namespace vyktest
