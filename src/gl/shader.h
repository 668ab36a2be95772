#pragma once

// GL shader objects and where their sources come from. Needs a current GL
// context (except findShaderSource).

#include <GL/glew.h>

#include <string>
#include <utility>

namespace vyk3d
{

class shader_t
{
  public:
    shader_t() = default;
    ~shader_t() { release(); }
    // Move-only: a move leaves the source without an object.
    shader_t(shader_t&& other) noexcept { swap(other); }
    shader_t& operator=(shader_t&& other) noexcept
    {
        shader_t(std::move(other)).swap(*this);
        return *this;
    }

    // Creates the shader (once), sets the sources and compiles; the compile
    // log is kept in infoLog(). A failed compile prints
    // "shader_t::allocate() compile status error." and returns false.
    bool allocate(GLenum type, GLsizei count, const char* const* strings, const GLint* lengths);
    // One source of `length` bytes (no terminating zero needed).
    bool allocate(GLenum type, const char* source, GLint length);
    void release();

    void attach(GLuint program) const;
    void detach(GLuint program) const;

    GLuint name() const { return name_; }
    const std::string& infoLog() const { return infoLog_; }

  private:
    void swap(shader_t& other) noexcept
    {
        std::swap(infoLog_, other.infoLog_);
        std::swap(name_, other.name_);
    }
    std::string infoLog_;
    GLuint name_ = 0;
};

// The source of one stage: a replacement file when one exists, otherwise the
// built-in source of that name.
struct shader_source_t {
    std::string text;   // exact bytes of the file, or the built-in source
    std::string path;   // the file read; empty for the built-in source
    bool found = false; // text holds something (file or built-in)
};

// Looks for `fileName` ("shader.fsd") in the working directory, then as
// prefix + fileName (the prefix is a directory ending in its separator, or
// empty), then falls back to the built-in source. A missing or unreadable
// file is not an error and prints nothing. Safe on any file content: the
// bytes are passed to the GL compiler, which reports what it rejects.
// After setShaderFolder(dir), only dir + "/" + fileName is looked for,
// whatever the prefix, and with a null dir no file at all.
shader_source_t findShaderSource(const char* fileName, const char* prefix);

// Makes findShaderSource read override files from `dir` alone, or from
// nowhere when `dir` is null, for the rest of the process: for programs that
// draw files from folders they do not trust (the thumbnailer), where a
// shader file beside a scene must not reach the GL compiler.
void setShaderFolder(const char* dir);

// Compiles the stage `fileName` into `shader` from findShaderSource. On
// failure throws libutils::fatal_error_t with status 1 and the message
// fileName followed by `failText` (": vertex shader init failed."), then the
// compile log on its own line when not empty. Used by the renderers' init. `defines`
// ("#define NAME\n" lines) go right after the source's first "#version"
// line, or first when it has none.
void compileStageOrExit(shader_t& shader, GLenum type, const char* fileName, const char* prefix, const char* failText,
                        const char* defines = "");

} // namespace vyk3d
