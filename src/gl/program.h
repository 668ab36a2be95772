#pragma once

// A GL program object. Needs a current GL context.

#include "gl/shader.h"

#include <GL/glew.h>

#include <string>
#include <utility>

namespace vyk3d
{

class program_t
{
  public:
    program_t() = default;
    ~program_t() { release(); }
    // Move-only: a move leaves the source without an object.
    program_t(program_t&& other) noexcept { swap(other); }
    program_t& operator=(program_t&& other) noexcept
    {
        program_t(std::move(other)).swap(*this);
        return *this;
    }

    // False when a program already exists or GL gives no name.
    bool create();
    void attach(const shader_t& shader) const;
    void detach(const shader_t& shader) const;
    // Links and keeps the log in infoLog(); false without a name.
    bool link();
    void use() const;
    void unuse() const;
    // -1 (after printing "<name>: can't determine the location.") when the
    // program has no active uniform of that name.
    GLint uniformLocation(const char* uniform) const;
    void release();

    GLuint name() const { return name_; }
    const std::string& infoLog() const { return infoLog_; }

  private:
    void swap(program_t& other) noexcept
    {
        std::swap(infoLog_, other.infoLog_);
        std::swap(name_, other.name_);
    }
    std::string infoLog_;
    GLuint name_ = 0;
};

// Links `program`; on failure throws libutils::fatal_error_t with status 1 and
// the message `failText` ("program link failed."), a new line and the link
// log.
void linkProgramOrExit(program_t& program, const char* failText);

} // namespace vyk3d
