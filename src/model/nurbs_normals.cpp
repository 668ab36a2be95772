#include "model/nurbs_normals.h"

#include "foundation/math.h"

#include <cmath>

namespace vyk3d
{

namespace
{

class grid_t
{
  public:
    grid_t(const float* p, uint32_t stride, uint32_t resU, uint32_t resV, float* out)
        : p_(p), stride_(stride), resU_(resU), resV_(resV), out_(out)
    {
    }

    pos3 P(uint32_t i, uint32_t j) const
    {
        const float* f = p_ + (uint64_t(resU_) * j + i) * stride_;
        return {f[0], f[1], f[2]};
    }
    // Two grid points are the same point within the float tolerance.
    bool same(uint32_t i0, uint32_t j0, uint32_t i1, uint32_t j1) const { return fequal(P(i0, j0), P(i1, j1)); }
    static bool agree(const dir3& a, const dir3& b) { return dot(a, b) > kEpsilon; }

    void set(uint32_t i, uint32_t j, const dir3& T, const dir3& B, const dir3& T2, const dir3& B2)
    {
        float* f = out_ + (uint64_t(resU_) * j + i) * 12;
        const dir3* src[4] = {&T, &B, &T2, &B2};
        for (int n = 0; n < 4; ++n) {
            f[3 * n] = src[n]->x;
            f[3 * n + 1] = src[n]->y;
            f[3 * n + 2] = src[n]->z;
        }
    }

    void interior();
    void sides();
    void bottomTop();
    void corners();

  private:
    const float* p_;
    uint32_t stride_, resU_, resV_;
    float* out_;
};

void grid_t::interior()
{
    for (uint32_t j = 1; j + 1 < resV_; ++j)
        for (uint32_t i = 1; i + 1 < resU_; ++i)
            set(i, j, P(i + 1, j) - P(i, j), P(i, j + 1) - P(i, j), P(i, j) - P(i - 1, j), P(i, j) - P(i, j - 1));
}

// Left and right ends of the inner rows.
void grid_t::sides()
{
    const uint32_t r = resU_ - 1;
    for (uint32_t j = 1; j + 1 < resV_; ++j) {
        const dir3 T = P(1, j) - P(0, j), Tr = P(r, j) - P(r - 1, j);
        const dir3 B = P(0, j + 1) - P(0, j), Br = P(r, j) - P(r, j - 1);
        if (same(0, j, r, j) && same(0, j + 1, r, j + 1) && same(0, j - 1, r, j - 1) && agree(T, Tr) && agree(B, Br)) {
            // Closed in u: both seam vertices take the frame across the seam.
            set(0, j, T, B, Tr, Br);
            set(r, j, T, B, Tr, Br);
            continue;
        }
        if (same(0, j + 1, 0, j - 1)) // the edge collapses: use the next column
            set(0, j, T, P(1, j + 1) - P(1, j), T, P(1, j) - P(1, j - 1));
        else
            set(0, j, T, B, T, P(0, j) - P(0, j - 1));
        if (same(r, j + 1, r, j - 1))
            set(r, j, Tr, P(r - 1, j + 1) - P(r - 1, j), Tr, P(r - 1, j) - P(r - 1, j - 1));
        else
            set(r, j, Tr, P(r, j + 1) - P(r, j), Tr, Br);
    }
}

// Bottom and top ends of the inner columns.
void grid_t::bottomTop()
{
    const uint32_t t = resV_ - 1;
    for (uint32_t i = 1; i + 1 < resU_; ++i) {
        const dir3 T = P(i + 1, 0) - P(i, 0), Tt = P(i, t) - P(i - 1, t);
        const dir3 B = P(i, 1) - P(i, 0), Bt = P(i, t) - P(i, t - 1);
        if (same(i, 0, i, t) && same(i + 1, 0, i + 1, t) && same(i - 1, 0, i - 1, t) && agree(T, Tt) && agree(B, Bt)) {
            set(i, 0, T, B, Tt, Bt);
            set(i, t, T, B, Tt, Bt);
            continue;
        }
        if (same(i + 1, 0, i - 1, 0)) // a pole: the row is one point, use the next row
            set(i, 0, P(i + 1, 1) - P(i, 1), B, P(i, 1) - P(i - 1, 1), B);
        else
            set(i, 0, T, B, P(i, 0) - P(i - 1, 0), B);
        if (same(i + 1, t, i - 1, t))
            set(i, t, P(i + 1, t - 1) - P(i, t - 1), Bt, P(i, t - 1) - P(i - 1, t - 1), Bt);
        else
            set(i, t, P(i + 1, t) - P(i, t), Bt, Tt, Bt);
    }
}

void grid_t::corners()
{
    const uint32_t r = resU_ - 1, t = resV_ - 1;
    {
        const dir3 T = P(1, 0) - P(0, 0), Tp = P(r, t) - P(r - 1, t);
        const dir3 B = P(0, 1) - P(0, 0), Bp = P(r, t) - P(r, t - 1);
        if (same(0, 0, r, 0) && same(0, 0, 0, t) && same(0, 0, r, t) && same(1, 0, 1, t) && same(0, 1, r, 1) &&
            same(r - 1, 0, r - 1, t) && same(0, t - 1, r, t - 1) && agree(T, Tp) && agree(B, Bp)) {
            // Closed both ways: the four corners are one vertex.
            set(0, 0, T, B, Tp, Bp);
            set(r, 0, T, B, Tp, Bp);
            set(0, t, T, B, Tp, Bp);
            set(r, t, T, B, Tp, Bp);
            return;
        }
    }
    bool s00 = false, sr0 = false, s0t = false, srt = false;
    if (same(0, 0, r, 0) && same(0, 1, r, 1)) { // bottom row closed in u
        const dir3 B0 = P(0, 1) - P(0, 0), Br = P(r, 1) - P(r, 0);
        set(0, 0, P(1, 1) - P(0, 1), B0, P(1, 0) - P(0, 0), B0);
        set(r, 0, P(r, 0) - P(r - 1, 0), Br, P(r, 1) - P(r - 1, 1), Br);
        s00 = sr0 = true;
    }
    if (same(0, 0, 0, t) && same(1, 0, 1, t)) { // first column closed in v
        const dir3 T0 = P(1, 0) - P(0, 0), B0 = P(1, 1) - P(1, 0);
        const dir3 Bt = P(1, t) - P(1, t - 1);
        set(0, 0, T0, B0, T0, B0);
        set(0, t, P(1, t) - P(0, t), Bt, P(1, t - 1) - P(0, t - 1), Bt);
        s00 = s0t = true;
    }
    if (same(r, 0, r, t) && same(r - 1, 0, r - 1, t)) { // last column closed in v
        const dir3 T0 = P(r, 0) - P(r - 1, 0), B0 = P(r - 1, 1) - P(r - 1, 0);
        const dir3 Tt = P(r, t) - P(r - 1, t);
        set(r, 0, T0, B0, T0, B0);
        set(r, t, Tt, P(r - 1, t) - P(r - 1, t - 1), Tt, P(r, t) - P(r, t - 1));
        sr0 = srt = true;
    }
    if (same(0, t, r, t) && same(0, t - 1, r, t - 1)) { // top row closed in u
        const dir3 B0 = P(0, t) - P(0, t - 1), Br = P(r, t) - P(r, t - 1);
        set(0, t, P(1, t) - P(0, t), B0, P(1, t - 1) - P(0, t - 1), B0);
        set(r, t, P(r, t) - P(r - 1, t), Br, P(r, t - 1) - P(r - 1, t - 1), Br);
        s0t = srt = true;
    }
    // Open corners: one-sided differences.
    if (!s00) {
        const dir3 T = P(1, 0) - P(0, 0), B = P(0, 1) - P(0, 0);
        set(0, 0, T, B, T, B);
    }
    if (!sr0) {
        const dir3 T = P(r, 0) - P(r - 1, 0), B = P(r, 1) - P(r, 0);
        set(r, 0, T, B, T, B);
    }
    if (!s0t) {
        const dir3 T = P(1, t) - P(0, t), B = P(0, t) - P(0, t - 1);
        set(0, t, T, B, T, B);
    }
    if (!srt) {
        const dir3 T = P(r, t) - P(r - 1, t), B = P(r, t) - P(r, t - 1);
        set(r, t, T, B, T, B);
    }
}

} // namespace

void computeWorkFrames(const float* positions, uint32_t stride, uint32_t resU, uint32_t resV, float* wknmls)
{
    if (resU < 2 || resV < 2 || !positions || !wknmls)
        return;
    grid_t g(positions, stride, resU, resV, wknmls);
    g.interior();
    g.sides();
    g.bottomTop();
    g.corners();
}

} // namespace vyk3d
