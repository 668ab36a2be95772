#include "gl/shader.h"

#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"
#include "gl/embedded_shaders.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace vyk3d
{

bool shader_t::allocate(GLenum type, GLsizei count, const char* const* strings, const GLint* lengths)
{
    if (name_ == 0)
        name_ = glCreateShader(type);
    if (name_ == 0)
        return false;
    glShaderSource(name_, count, strings, lengths);
    glCompileShader(name_);
    GLint logLength = 0;
    glGetShaderiv(name_, GL_INFO_LOG_LENGTH, &logLength);
    infoLog_.assign(size_t(logLength > 0 ? logLength : 0), '\0');
    if (logLength > 0) {
        GLsizei written = 0;
        glGetShaderInfoLog(name_, logLength, &written, &infoLog_[0]);
        infoLog_.resize(size_t(written));
    }
    GLint status = 0;
    glGetShaderiv(name_, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        libutils::report("shader_t::allocate() compile status error.\n");
        return false;
    }
    return true;
}

bool shader_t::allocate(GLenum type, const char* source, GLint length)
{
    return allocate(type, 1, &source, &length);
}

void shader_t::release()
{
    if (name_ != 0)
        glDeleteShader(name_);
    name_ = 0;
}

void shader_t::attach(GLuint program) const
{
    glAttachShader(program, name_);
}

void shader_t::detach(GLuint program) const
{
    glDetachShader(program, name_);
}

namespace
{

bool readWhole(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

namespace
{
// Set by setShaderFolder: where override files may come from.
bool folderOnly = false;
std::string onlyFolder;
} // namespace

void setShaderFolder(const char* dir)
{
    folderOnly = true;
    onlyFolder = dir ? dir : "";
    if (dir && !onlyFolder.empty() && onlyFolder.back() != '/')
        onlyFolder += '/';
    else if (dir && onlyFolder.empty())
        onlyFolder = "./";
}

shader_source_t findShaderSource(const char* fileName, const char* prefix)
{
    shader_source_t source;
    if (fileName == nullptr)
        return source;
    if (folderOnly) {
        // Only the folder named, else the built-in source.
        prefix = onlyFolder.c_str();
    }
    if (!folderOnly && readWhole(fileName, source.text)) {
        source.path = fileName;
        source.found = true;
        return source;
    }
    if (prefix != nullptr && *prefix != '\0') {
        const std::string joined = std::string(prefix) + fileName;
        if (readWhole(joined, source.text)) {
            source.path = joined;
            source.found = true;
            return source;
        }
    }
    source.text.clear();
    if (const char* builtIn = embeddedShader(fileName)) {
        source.text = builtIn;
        source.found = true;
    }
    return source;
}

void compileStageOrExit(shader_t& shader, GLenum type, const char* fileName, const char* prefix, const char* failText,
                        const char* defines)
{
    const shader_source_t source = findShaderSource(fileName, prefix);
    // A length beyond GLint cannot be handed to GL; treat it as a failed compile.
    const std::string& text = source.text;
    const bool fits = text.size() <= size_t(INT32_MAX - 1 - std::strlen(defines));
    // After the "#version" line, which comments and blank lines may come
    // before; a version line without a line feed gets one first.
    size_t head = 0;
    std::string inserted = defines;
    if (const size_t version = text.find("#version"); version != std::string::npos) {
        const size_t nl = text.find('\n', version);
        head = nl == std::string::npos ? text.size() : nl + 1;
        if (nl == std::string::npos && !inserted.empty())
            inserted.insert(0, 1, '\n');
    }
    // The version line, the defines, the rest.
    const char* parts[3] = {text.data(), inserted.data(), text.data() + head};
    const GLint lengths[3] = {GLint(head), GLint(inserted.size()), GLint(text.size() - head)};
    if (!source.found || !fits || !shader.allocate(type, 3, parts, lengths)) {
        std::string message = std::string(fileName) + failText;
        if (!shader.infoLog().empty())
            message += "\n" + shader.infoLog();
        throw libutils::fatal_error_t(1, message);
    }
}

} // namespace vyk3d
