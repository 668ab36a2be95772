#include "gl/program.h"

#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"

#include <string>

namespace vyk3d
{

bool program_t::create()
{
    if (name_ != 0)
        return false;
    name_ = glCreateProgram();
    return name_ != 0;
}

void program_t::attach(const shader_t& shader) const
{
    if (name_ != 0)
        glAttachShader(name_, shader.name());
}

void program_t::detach(const shader_t& shader) const
{
    if (name_ != 0)
        glDetachShader(name_, shader.name());
}

bool program_t::link()
{
    if (name_ == 0)
        return false;
    glLinkProgram(name_);
    GLint logLength = 0;
    glGetProgramiv(name_, GL_INFO_LOG_LENGTH, &logLength);
    infoLog_.assign(size_t(logLength > 0 ? logLength : 0), '\0');
    if (logLength > 0) {
        GLsizei written = 0;
        glGetProgramInfoLog(name_, logLength, &written, &infoLog_[0]);
        infoLog_.resize(size_t(written));
    }
    GLint status = 0;
    glGetProgramiv(name_, GL_LINK_STATUS, &status);
    return status != 0;
}

void program_t::use() const
{
    if (name_ != 0)
        glUseProgram(name_);
}

void program_t::unuse() const
{
    glUseProgram(0);
}

GLint program_t::uniformLocation(const char* uniform) const
{
    const GLint location = name_ != 0 ? glGetUniformLocation(name_, uniform) : -1;
    if (location == -1) {
        libutils::reportf("%s: can't determine the location.\n", uniform);
    }
    return location;
}

void program_t::release()
{
    if (name_ != 0)
        glDeleteProgram(name_);
    name_ = 0;
}

void linkProgramOrExit(program_t& program, const char* failText)
{
    if (program.link())
        return;
    throw libutils::fatal_error_t(1, std::string(failText) + "\n" + program.infoLog());
}

} // namespace vyk3d
