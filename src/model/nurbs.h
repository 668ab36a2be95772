#pragma once

// A rational B-spline surface: a grid of coloured, weighted control points
// with one knot vector per control row (along u) and per control column
// (along v). It is not drawn itself: makeVertices/updateVertices tessellate
// it into the polygon of its scene model, and the frame pass's
// computeFrames turns the work frames into tangent frames. GL thread only.

#include "gl/vertex_array.h"
#include "model/modeling.h"
#include "model/nurbs_basis.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace vyk3d
{

class polygon_t;
class texture_t;
class frame_pass_t;

// A row-major 2-D array owning its heap block; copies are deep.
template <class T> class array2d_t
{
  public:
    array2d_t() = default;
    array2d_t(const array2d_t& o) { *this = o; }
    array2d_t& operator=(const array2d_t& o)
    {
        if (this != &o && resize(o.rows_, o.cols_) && size() != 0)
            std::memcpy(data_, o.data_, size() * sizeof(T));
        return *this;
    }
    ~array2d_t() { free(); }

    // New shape; the first min(old, new) elements stay in row-major order,
    // the rest are zero. False (and unchanged) when rows x cols overflows or
    // the memory cannot be had.
    bool resize(uint64_t rows, uint64_t cols)
    {
        if (cols != 0 && rows > UINT64_MAX / sizeof(T) / cols)
            return false;
        const uint64_t n = rows * cols;
        T* block = nullptr;
        if (n != 0) {
            block = static_cast<T*>(std::calloc(n, sizeof(T)));
            if (block == nullptr)
                return false;
            const uint64_t keep = n < size() ? n : size();
            if (keep != 0)
                std::memcpy(block, data_, keep * sizeof(T));
        }
        std::free(data_);
        data_ = block;
        rows_ = rows;
        cols_ = cols;
        return true;
    }
    void free()
    {
        std::free(data_);
        data_ = nullptr;
        rows_ = cols_ = 0;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    uint64_t rows() const { return rows_; }
    uint64_t cols() const { return cols_; }
    uint64_t size() const { return rows_ * cols_; }
    // Flat row-major index, as the scene reader fills the arrays.
    T& operator[](uint64_t i) { return data_[i]; }
    const T& operator[](uint64_t i) const { return data_[i]; }
    T& at(uint64_t row, uint64_t col) { return data_[row * cols_ + col]; }
    const T& at(uint64_t row, uint64_t col) const { return data_[row * cols_ + col]; }

  private:
    T* data_ = nullptr;
    uint64_t rows_ = 0, cols_ = 0;
};

class nurbs_t : public modeling_t
{
  public:
    // Most control points a surface may have, and most grid vertices a
    // tessellation may have: beyond these the evaluation would take minutes
    // and the buffers gigabytes.
    static constexpr uint64_t maxControlPoints = uint64_t(1) << 22;
    static constexpr uint64_t maxGridVertices = uint64_t(1) << 22;
    static constexpr uint32_t maxResolution = 65535;

    nurbs_t(texture_t* textureSet, polygon_t* target) : texture(textureSet), polygon(target) {}
    nurbs_t(texture_t& textureSet, polygon_t& target) : texture(&textureSet), polygon(&target) {}
    ~nurbs_t() override;

    // Stores the counts and sizes the four arrays (knotsU numV x (numU +
    // orderU), knotsV numU x (numV + orderV), weights and ctlpts numV x numU),
    // zero-filled beyond what they held. Refuses (false, one line on stderr,
    // nothing changed) an order of 0 or above its control-point count
    // ("nurbs_t::allocate(): orderU(5) is out of range for numU(3).") and
    // more than maxControlPoints points ("nurbs_t::allocate(): numU(..) x
    // numV(..) control points are too many."); false when memory runs out.
    // Safe on counts from a file.
    bool allocate(uint64_t numU, uint64_t orderU, uint64_t numV, uint64_t orderV);
    // Uploads the control points, takes `fileName` as the model's name,
    // clears the point selection and builds the control-point vertex array.
    // False with "makeCtlpts() error." when the upload fails.
    bool afterload(const std::string& fileName);
    bool MakeCtlpts();
    // Allocates the polygon for resU x resV vertices, opens the texture set
    // and writes the triangle strips. Refuses a resolution below 2 or above
    // maxResolution in either direction, or above maxGridVertices in all
    // ("nurbs_t::makeVertices(): resolution(65536,65537) is out of range."),
    // and a surface without control data ("nurbs_t::makeVertices(): the
    // surface has no control points."); prints "polygon.allocate() fail."
    // when the polygon cannot be allocated. Each refusal returns false.
    bool makeVertices();
    // Evaluates every grid vertex into the polygon, then updateNormals. Does
    // nothing unless makeVertices succeeded for the current resolution.
    void updateVertices();
    // The polygon's work frames from its vertex positions.
    void updateNormals();
    // makeVertices, updateVertices and the GPU frame pass.
    void rebuild(frame_pass_t& framePass) override;

    // Independent copy of the control data and control-point array; the
    // vertex array object is shared. The texture set and polygon stay.
    void copyfrom(const nurbs_t& other);
    // One control point between the grid and the GL buffer; out-of-range
    // positions are ignored.
    void writerecord(uint64_t column, uint64_t row);
    void readrecord(uint64_t column, uint64_t row);

    // The control data as the evaluation functions read it.
    nurbsgrid_t grid() const;

    int kind() const override { return 3; }
    // 0 knotsU, 1 knotsV, 2 weights, else an empty view.
    param_view_t paramview(size_t index) override;
    size_t arraycount() const override { return 1; }
    attribute_array_t* array(size_t index) override { return index == 0 ? &ctlptarray : nullptr; }
    const attribute_array_t* array(size_t index) const override { return index == 0 ? &ctlptarray : nullptr; }
    void pullrecord(size_t arrayIndex, size_t record) override;
    void drawpoints() override;
    void draw() override;
    // Over the control points in the GL buffer; (0, 0, 0) twice without one.
    void bounds(pos3& min, pos3& max) const override;
    // Frees the control data and the control-point array, counts 0, resolution
    // 33 x 33, then the base clear.
    void clear() override;

    texture_t* texture;
    polygon_t* polygon;
    uint64_t numU = 0;
    uint64_t orderU = 0;
    uint64_t numV = 0;
    uint64_t orderV = 0;
    array2d_t<float> knotsU;      // numV rows x (numU + orderU)
    array2d_t<float> knotsV;      // numU rows x (numV + orderV)
    array2d_t<float> weights;     // numV rows x numU
    array2d_t<ctlpt_t> ctlpts;    // numV rows x numU
    attribute_array_t ctlptarray; // control-point format, record j * numU + i
    uint32_t resU = 33;
    uint32_t resV = 33;
    vertex_array_t ctlptvao; // control points at 0, point sizes at 2

  private:
    bool resolutionOk() const;
    void openTexture();
};

} // namespace vyk3d
