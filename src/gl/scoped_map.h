#pragma once

// Scoped CPU access to the contents of an attribute or element array: maps
// on construction, unmaps on destruction when the mapping succeeded.
//
//   scoped_map_t<float> v(poly.vertices);       // read and write
//   if (!v) return false;                       // message already printed
//   v[0] = 1.0f;

#include <GL/glew.h>

#include <cstddef>

namespace vyk3d
{

template <class T> class scoped_map_t
{
  public:
    template <class Array>
    explicit scoped_map_t(Array& array, GLbitfield access = GL_MAP_READ_BIT | GL_MAP_WRITE_BIT)
        : unmap_(&unmapOf<Array>), array_(&array), ptr_(static_cast<T*>(array.map(access)))
    {
    }
    ~scoped_map_t()
    {
        if (ptr_ != nullptr)
            unmap_(array_);
    }
    scoped_map_t(const scoped_map_t&) = delete;
    scoped_map_t& operator=(const scoped_map_t&) = delete;

    explicit operator bool() const { return ptr_ != nullptr; }
    T* get() const { return ptr_; }
    T& operator[](size_t i) const { return ptr_[i]; }

  private:
    template <class Array> static void unmapOf(void* array) { static_cast<Array*>(array)->unmap(); }

    void (*unmap_)(void*);
    void* array_;
    T* ptr_;
};

} // namespace vyk3d
