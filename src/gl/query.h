#pragma once

// One GL query object (primitives generated / written by transform
// feedback). Needs a current GL context.

#include <GL/glew.h>

#include <cstdint>
#include <utility>

namespace vyk3d
{

class query_t
{
  public:
    query_t() = default;
    ~query_t() { release(); }
    // Move-only: a move leaves the source without an object.
    query_t(query_t&& other) noexcept { swap(other); }
    query_t& operator=(query_t&& other) noexcept
    {
        query_t(std::move(other)).swap(*this);
        return *this;
    }

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
    void swap(query_t& other) noexcept
    {
        std::swap(generated_, other.generated_);
        std::swap(name_, other.name_);
        std::swap(target_, other.target_);
        std::swap(index_, other.index_);
        std::swap(running_, other.running_);
        std::swap(ran_, other.ran_);
        std::swap(indexedAllowed_, other.indexedAllowed_);
    }
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
