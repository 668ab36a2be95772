#include "gl/query.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"

#include <cstdio>

namespace vyk3d
{

// glBeginQueryIndexed and glEndQueryIndexed come with OpenGL 4.0 and may be
// null on older contexts; index 0 of the plain calls is the same query.
bool query_t::indexed() const
{
    return indexedAllowed_ && GLEW_VERSION_4_0 && glBeginQueryIndexed != nullptr && glEndQueryIndexed != nullptr;
}

void query_t::generate()
{
    if (!generated_) {
        glGenQueries(1, &name_);
        generated_ = true;
    }
}

void query_t::release()
{
    if (generated_) {
        glDeleteQueries(1, &name_);
        generated_ = false;
        name_ = 0;
    }
    running_ = false;
    ran_ = false;
}

void query_t::begin(GLenum target, GLuint index)
{
    generate();
    if (indexed()) {
        glBeginQueryIndexed(target, index, name_);
    } else if (index == 0) {
        glBeginQuery(target, name_);
    } else {
        libutils::report("query_t::begin(): index needs OpenGL 4.0.\n");
        return;
    }
    target_ = target;
    index_ = index;
    running_ = true;
}

void query_t::end()
{
    if (!running_)
        return;
    if (indexed())
        glEndQueryIndexed(target_, index_);
    else
        glEndQuery(target_);
    target_ = 0;
    index_ = 0;
    running_ = false;
    ran_ = true;
}

uint64_t query_t::GetQuery()
{
    // Asking a query that never ran would wait on nothing (a GL error).
    if (!ran_)
        return 0;
    GLuint64 result = 0;
    checkGL("query_t::GetQuery(1)");
    glGetQueryObjectui64v(name_, GL_QUERY_RESULT, &result);
    checkGL("query_t::GetQuery(end)");
    return result;
}

} // namespace vyk3d
