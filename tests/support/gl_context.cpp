#include "support/gl_context.h"

#include "view/gl_context.h"

#include <cstdlib>

namespace vyktest
{

void glContext()
{
    static const bool ok = openGLContext("vyktest");
    if (!ok)
        std::abort();
}

} // namespace vyktest
