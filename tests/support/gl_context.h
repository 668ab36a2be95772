#pragma once

#include "view/gl_context.h"

#include <cstdlib>

namespace vyktest
{

// Makes the process's one GL context current, as vykshot does (openGLContext:
// EGL without a display, else a hidden window), created on the first call.
// Aborts when no context with OpenGL 3.3 can be had. Draw into an
// OffscreenTarget: the default framebuffer is tiny.
inline void glContext()
{
    static const bool ok = openGLContext("vyktest");
    if (!ok)
        std::abort();
}

} // namespace vyktest
