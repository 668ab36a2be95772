#include "model/nurbs_basis.h"

#include "foundation/diagnostics.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace vyk3d
{

namespace
{

// One term of the Cox-de Boor step: a zero lower-order value stays zero and an
// empty knot span keeps the lower-order value unscaled, so the recursion never
// divides by zero.
inline float term(float n, float num, float den)
{
    if (n == 0.0f)
        return 0.0f;
    if (den == 0.0f)
        return n;
    return n * num / den;
}

// Order 1 on the closed interval [t[i], t[i+1]].
inline float order1(const knotview_t& t, uint64_t i, float x)
{
    const float a = t[i], b = t[i + 1];
    return (a != b && a <= x && x <= b) ? 1.0f : 0.0f;
}

// N(m, d, x) from N(m, d-1, x) = lo and N(m+1, d-1, x) = hi.
inline float step(const knotview_t& t, uint64_t m, uint64_t d, float x, float lo, float hi)
{
    return term(lo, x - t[m], t[m + d - 1] - t[m]) + term(hi, t[m + d] - x, t[m + d] - t[m + 1]);
}

float order2(const knotview_t& t, uint64_t i, float x)
{
    const float a0 = order1(t, i, x), a1 = order1(t, i + 1, x);
    return step(t, i, 2, x, a0, a1);
}

float order3(const knotview_t& t, uint64_t i, float x)
{
    const float a0 = order1(t, i, x), a1 = order1(t, i + 1, x), a2 = order1(t, i + 2, x);
    const float b0 = step(t, i, 2, x, a0, a1), b1 = step(t, i + 1, 2, x, a1, a2);
    return step(t, i, 3, x, b0, b1);
}

float order4(const knotview_t& t, uint64_t i, float x)
{
    const float a0 = order1(t, i, x), a1 = order1(t, i + 1, x);
    const float a2 = order1(t, i + 2, x), a3 = order1(t, i + 3, x);
    // Outside every span of the support the whole function is zero.
    if (a0 == 0.0f && a1 == 0.0f && a2 == 0.0f && a3 == 0.0f)
        return 0.0f;
    const float b0 = step(t, i, 2, x, a0, a1), b1 = step(t, i + 1, 2, x, a1, a2);
    const float b2 = step(t, i + 2, 2, x, a2, a3);
    const float c0 = step(t, i, 3, x, b0, b1), c1 = step(t, i + 1, 3, x, b1, b2);
    return step(t, i, 4, x, c0, c1);
}

// Orders above 4: the triangle of lower-order values, one row per order,
// computed in place (n[m] only reads n[m + 1], which is still of the row
// below). Same operations in the same order as the recursion.
float orderN(const knotview_t& t, uint64_t i, uint64_t k, float x)
{
    float local[32];
    std::vector<float> heap;
    float* n = local;
    if (k > 32) {
        heap.resize(k);
        n = heap.data();
    }
    bool any = false;
    for (uint64_t m = 0; m < k; ++m) {
        n[m] = order1(t, i + m, x);
        any = any || n[m] != 0.0f;
    }
    if (!any)
        return 0.0f;
    for (uint64_t d = 2; d <= k; ++d)
        for (uint64_t m = 0; m + d <= k; ++m)
            n[m] = step(t, i + m, d, x, n[m], n[m + 1]);
    return n[0];
}

} // namespace

float nurbsBasis(const knotview_t& t, uint64_t i, uint64_t k, float x)
{
    if (k == 0 || i >= t.count || k >= t.count - i)
        return 0.0f;
    switch (k) {
    case 1:
        return order1(t, i, x);
    case 2:
        return order2(t, i, x);
    case 3:
        return order3(t, i, x);
    case 4:
        return order4(t, i, x);
    default:
        return orderN(t, i, k, x);
    }
}

float nurbsBasisRecursive(const knotview_t& t, uint64_t i, uint64_t k, float x)
{
    if (k == 0 || i >= t.count || k >= t.count - i)
        return 0.0f;
    if (k == 1)
        return order1(t, i, x);
    return step(t, i, k, x, nurbsBasisRecursive(t, i, k - 1, x), nurbsBasisRecursive(t, i + 1, k - 1, x));
}

bool nurbsgrid_t::valid() const
{
    return knotsU && knotsV && weights && points && orderU >= 1 && orderU <= numU && orderV >= 1 && orderV <= numV;
}

namespace
{

struct sums_t {
    float acc[7] = {0, 0, 0, 0, 0, 0, 0};
    float s = 0.0f;

    void add(float c, const ctlpt_t& p)
    {
        const float* f = &p.x;
        for (int n = 0; n < 7; ++n)
            acc[n] += c * f[n];
        s += c;
    }
    // A zero sum keeps the undivided sums so that no NaN reaches the mesh.
    ctlpt_t result() const
    {
        ctlpt_t out;
        float* f = &out.x;
        for (int n = 0; n < 7; ++n)
            f[n] = s != 0.0f ? acc[n] / s : acc[n];
        return out;
    }
};

bool covered(float s)
{
    return std::fabs(s) > 2e-5f;
}

ctlpt_t finish(const nurbsgrid_t& g, const sums_t& sum, float u, float v)
{
    if (covered(sum.s))
        return sum.result();
    // No span covers (u, v), or the weighted values cancel: the edges of the
    // parameter square fall back to their corner points and boundary curves.
    const uint64_t r = g.numU - 1, t = g.numV - 1;
    if (u == 0.0f && v == 0.0f)
        return g.point(0, 0);
    if (u == 0.0f && v == 1.0f)
        return g.point(0, t);
    if (u == 1.0f && v == 1.0f)
        return g.point(r, t);
    if (u == 1.0f && v == 0.0f)
        return g.point(r, 0);
    if (u == 0.0f || u == 1.0f) {
        const uint64_t col = u == 0.0f ? 0 : r;
        return nurbsCurve(g.vknots(col), {g.weights + col, g.numU, g.numV}, {g.points + col, g.numU, g.numV}, g.orderV,
                          v);
    }
    if (v == 0.0f || v == 1.0f) {
        const uint64_t row = v == 0.0f ? 0 : t;
        return nurbsCurve(g.uknots(row), {g.weights + row * g.numU, 1, g.numU}, {g.points + row * g.numU, 1, g.numU},
                          g.orderU, u);
    }
    libutils::diagnostics() << "nurbs_surface(): is not reached point reached."
                            << " u=" << u << ", v=" << v << std::endl;
    return sum.result();
}

} // namespace

ctlpt_t nurbsCurve(const knotview_t& knots, const arrayview_t<float>& weights, const arrayview_t<ctlpt_t>& points,
                   uint64_t order, float x)
{
    sums_t sum;
    for (uint64_t i = 0; i < points.count; ++i) {
        const float c = nurbsBasis(knots, i, order, x) * weights[i];
        if (c != 0.0f)
            sum.add(c, points[i]);
    }
    return sum.result();
}

ctlpt_t nurbs_surface(const nurbsgrid_t& g, float u, float v)
{
    sums_t sum;
    for (uint64_t j = 0; j < g.numV; ++j) {
        const knotview_t ku = g.uknots(j);
        for (uint64_t i = 0; i < g.numU; ++i) {
            const float nu = nurbsBasis(ku, i, g.orderU, u);
            if (nu == 0.0f)
                continue; // the term is an exact zero
            const float nv = nurbsBasis(g.vknots(i), j, g.orderV, v);
            const float c = nu * g.weight(i, j) * nv;
            if (c != 0.0f)
                sum.add(c, g.point(i, j));
        }
    }
    return finish(g, sum, u, v);
}

ctlpt_t nurbsSurfaceFromBasis(const nurbsgrid_t& g, const float* nu, const float* nv, float u, float v)
{
    sums_t sum;
    for (uint64_t j = 0; j < g.numV; ++j) {
        const float* nuRow = nu + j * g.numU;
        for (uint64_t i = 0; i < g.numU; ++i) {
            if (nuRow[i] == 0.0f)
                continue;
            const float c = nuRow[i] * g.weight(i, j) * nv[i * g.numV + j];
            if (c != 0.0f)
                sum.add(c, g.point(i, j));
        }
    }
    return finish(g, sum, u, v);
}

ctlpt_t nurbsSurfaceFromTerms(const nurbsgrid_t& g, const nurbsterm_t* terms, uint64_t termCount, const float* nv,
                              float u, float v)
{
    sums_t sum;
    for (uint64_t n = 0; n < termCount; ++n) {
        const nurbsterm_t& t = terms[n];
        const uint64_t k = uint64_t(t.j) * g.numU + t.i;
        const float c = t.nu * g.weights[k] * nv[uint64_t(t.i) * g.numV + t.j];
        if (c != 0.0f)
            sum.add(c, g.points[k]);
    }
    return finish(g, sum, u, v);
}

void nurbsEvaluateGrid(const nurbsgrid_t& g, uint32_t resU, uint32_t resV, float* out, uint32_t stride,
                       uint64_t termLimit)
{
    if (!g.valid() || resU < 2 || resV < 2 || stride < 9)
        return;
    const uint64_t perSample = g.numU * g.numV;
    std::vector<float> basis(perSample);
    std::vector<nurbsterm_t> terms;
    std::vector<uint64_t> first(uint64_t(resU) + 1, 0);
    bool sparse = true;
    for (uint32_t i = 0; i < resU && sparse; ++i) {
        nurbsBasisU(g, float(i) / float(resU - 1), basis.data());
        first[i] = terms.size();
        for (uint64_t k = 0; k < perSample; ++k) {
            if (basis[k] == 0.0f)
                continue;
            if (terms.size() >= termLimit) {
                sparse = false;
                break;
            }
            terms.push_back(nurbsterm_t{uint32_t(k % g.numU), uint32_t(k / g.numU), basis[k]});
        }
    }
    first[resU] = terms.size();
    if (!sparse) {
        terms.clear();
        terms.shrink_to_fit();
    }
    for (uint32_t j = 0; j < resV; ++j) {
        const float v = float(j) / float(resV - 1);
        if (sparse)
            nurbsBasisV(g, v, basis.data());
        for (uint32_t i = 0; i < resU; ++i) {
            const float u = float(i) / float(resU - 1);
            const ctlpt_t p =
                sparse ? nurbsSurfaceFromTerms(g, terms.data() + first[i], first[i + 1] - first[i], basis.data(), u, v)
                       : nurbs_surface(g, u, v);
            float* rec = out + (uint64_t(resU) * j + i) * stride;
            std::memcpy(rec, &p, sizeof p);
            rec[7] = u;
            rec[8] = v;
        }
    }
}

void nurbsBasisU(const nurbsgrid_t& g, float u, float* nu)
{
    for (uint64_t j = 0; j < g.numV; ++j) {
        const knotview_t ku = g.uknots(j);
        for (uint64_t i = 0; i < g.numU; ++i)
            nu[j * g.numU + i] = nurbsBasis(ku, i, g.orderU, u);
    }
}

void nurbsBasisV(const nurbsgrid_t& g, float v, float* nv)
{
    for (uint64_t i = 0; i < g.numU; ++i) {
        const knotview_t kv = g.vknots(i);
        for (uint64_t j = 0; j < g.numV; ++j)
            nv[i * g.numV + j] = nurbsBasis(kv, j, g.orderV, v);
    }
}

} // namespace vyk3d
