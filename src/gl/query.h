#pragma once

// One GL query object (primitives generated / written by transform
// feedback). Needs a current GL context.

#include <GL/glew.h>

#include <cstdint>

namespace vyk3d
{

class query_t
{
  public:
    query_t() = default;
    ~query_t() { release(); }
    query_t(const query_t&) = delete;
    query_t& operator=(const query_t&) = delete;

    void generate();
    void release();

    // Indexed queries need OpenGL 4.0; without it (or when forced with
    // setIndexed(false)) index 0 goes through the plain glBeginQuery and
    // glEndQuery, and any other index prints
    // "query_t::begin(): index needs OpenGL 4.0." and starts nothing.
    void begin(GLenum target, GLuint index);
    void end();
    // Waits for and returns the result; 0 for a query never run.
    uint64_t GetQuery();

    // Forces the plain entry points (false) or lets the context decide (true).
    void setIndexed(bool allowed) { indexedAllowed_ = allowed; }
    GLuint name() const { return name_; }

  private:
    bool indexed() const;

    bool generated_ = false;
    GLuint name_ = 0;
    GLenum target_ = 0;
    GLuint index_ = 0;
    bool running_ = false;
    bool ran_ = false;
    bool indexedAllowed_ = true;
};

} // namespace vyk3d
