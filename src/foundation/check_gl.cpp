#include "foundation/check_gl.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdio>

bool checkGL(const char* tag)
{
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR)
        return false;
    if (tag != nullptr)
        std::fprintf(stderr, "%s: ", tag);
    const GLubyte* text = gluErrorString(error);
    std::fprintf(stderr, "Error %u: %s\n", static_cast<unsigned>(error),
                 text != nullptr ? reinterpret_cast<const char*>(text) : "");
    std::fflush(stderr);
    return true;
}
