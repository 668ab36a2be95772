#include "foundation/check_gl.h"

#include "foundation/diagnostics.h"

#include <GL/glew.h>
#include <GL/glu.h>

bool checkGL(const char* tag)
{
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR)
        return false;
    const GLubyte* text = gluErrorString(error);
    libutils::reportf("%s%sError %u: %s\n", tag != nullptr ? tag : "", tag != nullptr ? ": " : "",
                      static_cast<unsigned>(error), text != nullptr ? reinterpret_cast<const char*>(text) : "");
    return true;
}
