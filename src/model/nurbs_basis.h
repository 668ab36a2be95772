#pragma once
// B-spline basis functions and rational surface points of a NURBS surface.
// Pure CPU code over plain arrays: no GL, no allocation except for orders
// above 4 beyond the stack table.
#include <cstdint>

namespace vyk3d
{

// One control point: position and colour, seven floats in this order.
struct ctlpt_t {
    float x, y, z;
    float r, g, b, a;
};

// A row (stride 1) or a column (stride = columns) of a row-major 2-D array.
template <class T> struct arrayview_t {
    const T* ptr = nullptr;
    uint64_t stride = 1;
    uint64_t count = 0;
    const T& operator[](uint64_t i) const { return ptr[i * stride]; }
};
using knotview_t = arrayview_t<float>;

// N(i, k, x) over the knot vector t by the Cox-de Boor recursion with closed
// intervals: an order-1 function is 1 on [t[i], t[i+1]] including both ends
// (when the interval is not empty), so at an interior knot two of them are 1.
// A term whose lower-order value is 0 is 0; a term whose knot difference is 0
// keeps the lower-order value unscaled. Orders 1 to 4 are unrolled; higher
// orders use a triangular table (k * (k + 1) / 2 steps, never 2^k calls).
// The caller guarantees k >= 1 and i + k < t.count; otherwise the result is 0.
float nurbsBasis(const knotview_t& t, uint64_t i, uint64_t k, float x);

// The plain recursion, kept as the reference the fast forms must match.
// Exponential in k: only for tests with small orders.
float nurbsBasisRecursive(const knotview_t& t, uint64_t i, uint64_t k, float x);

// Read-only view of a surface's control data, laid out as nurbs_t keeps it.
struct nurbsgrid_t {
    uint64_t numU = 0, orderU = 0, numV = 0, orderV = 0;
    const float* knotsU = nullptr;   // numV rows x (numU + orderU)
    const float* knotsV = nullptr;   // numU rows x (numV + orderV)
    const float* weights = nullptr;  // numV rows x numU
    const ctlpt_t* points = nullptr; // numV rows x numU

    knotview_t uknots(uint64_t row) const { return {knotsU + row * (numU + orderU), 1, numU + orderU}; }
    knotview_t vknots(uint64_t column) const { return {knotsV + column * (numV + orderV), 1, numV + orderV}; }
    float weight(uint64_t i, uint64_t j) const { return weights[j * numU + i]; }
    const ctlpt_t& point(uint64_t i, uint64_t j) const { return points[j * numU + i]; }
    // True when the counts are usable: every array present, 1 <= order <= count.
    bool valid() const;
};

// Rational curve point: sum N(i,k,x) w(i) P(i) / sum N(i,k,x) w(i) over the
// points of the view. Where the weighted sum is exactly 0 the undivided sums
// are returned (no NaN).
ctlpt_t nurbsCurve(const knotview_t& knots, const arrayview_t<float>& weights, const arrayview_t<ctlpt_t>& points,
                   uint64_t order, float x);

// Surface point at (u, v) with the edge fallbacks for parameters that no
// basis span covers. Away from the edges such a parameter prints
// "nurbs_surface(): is not reached point reached. u=..., v=..." to stderr and
// divides by the small sum; an exactly zero sum keeps the undivided sums.
// g must be valid().
ctlpt_t nurbs_surface(const nurbsgrid_t& g, float u, float v);

// The same point from precomputed basis values: nu[j * numU + i] is
// N(i, orderU, u) on u-knot row j, nv[i * numV + j] is N(j, orderV, v) on
// v-knot column i. Gives exactly the values of nurbs_surface.
ctlpt_t nurbsSurfaceFromBasis(const nurbsgrid_t& g, const float* nu, const float* nv, float u, float v);

// One term of the double sum: control column i, control row j, and the u
// basis value N(i, orderU, u) on u-knot row j.
struct nurbsterm_t {
    uint32_t i, j;
    float nu;
};

// The same point from the terms with a non-zero u basis (in the order of the
// direct sum: j, then i, increasing) and the dense v basis values nv as for
// nurbsSurfaceFromBasis. Gives exactly the values of nurbs_surface.
ctlpt_t nurbsSurfaceFromTerms(const nurbsgrid_t& g, const nurbsterm_t* terms, uint64_t termCount, const float* nv,
                              float u, float v);

// Evaluates the resU x resV grid (u = i / (resU - 1), v = j / (resV - 1))
// into vertex records of `stride` floats: position, colour, then (u, v).
// Vertex resU * j + i. The u basis is computed once per grid column and kept
// as its non-zero terms (at most orderU per control row for ordered knots),
// the v basis once per grid row; when the kept terms would exceed termLimit
// (knots out of order), each vertex is evaluated directly instead. Same
// values either way. Requires g.valid(), resU >= 2, resV >= 2, stride >= 9.
void nurbsEvaluateGrid(const nurbsgrid_t& g, uint32_t resU, uint32_t resV, float* out, uint32_t stride,
                       uint64_t termLimit = uint64_t(16) << 20);

// Fills nu (numV x numU values) for parameter u, or nv (numU x numV) for v.
void nurbsBasisU(const nurbsgrid_t& g, float u, float* nu);
void nurbsBasisV(const nurbsgrid_t& g, float v, float* nv);

} // namespace vyk3d
