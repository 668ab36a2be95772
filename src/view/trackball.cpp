#include "view/trackball.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPanPerPixel = 0.0625f;
constexpr float kWheelStep = 0.25f;

// Hands a composition back as a rot3, as every stored rotation is.
rot3 times(const qua& p, const rot3& q)
{
    return toRot3(p * toQua(q));
}
rot3 times(const rot3& p, const qua& q)
{
    return toRot3(toQua(p) * q);
}

} // namespace

trackball_t::trackball_t()
{
    reset();
}

void trackball_t::reset()
{
    r0 = r1 = r2 = r3 = identityRot3();
    t = {0.0f, 0.0f, 0.0f};
}

void trackball_t::setShift(bool on, int x, int y)
{
    shift = on;
    for (auto& b : buttons) {
        if (!b.pressed)
            continue;
        b.x = static_cast<float>(x);
        b.y = static_cast<float>(y);
    }
}

void trackball_t::wheel(int direction)
{
    dolly(-static_cast<float>(direction) * kWheelStep * unit);
}

void trackball_t::dolly(float dz)
{
    const float gap = -t.z - radius;
    if (dz > 0.0f && radius > 0.0f) {
        // Halving the gap ends where float steps do: at the sphere.
        dz = std::min(dz, std::max(gap, 0.0f) * 0.5f);
    } else if (dz < 0.0f) {
        dz = std::max(dz, t.z + farthest);
        dz = std::min(dz, 0.0f);
    }
    t.z += dz;
}

void trackball_t::mouse(int button, int state, int x, int y)
{
    if (button < 0 || button > 2)
        return;
    trackballButton_t& b = buttons[button];
    if (state != 0) {
        b.pressed = false;
        return;
    }
    b.pressed = true;
    b.x = static_cast<float>(x);
    b.y = static_cast<float>(y);
}

void trackball_t::pan(float x, float y, float depth, const mtx3w& invModelview, const mtx3w& invProjection,
                      float halfWidth, float halfHeight)
{
    trackballButton_t& b = buttons[0];
    if (depth == 0.0f) {
        t.x += (x - b.x) * kPanPerPixel * unit;
        t.y += (y - b.y) * kPanPerPixel * unit;
        return;
    }
    // The grabbed point follows the pointer at its own depth.
    auto unproject = [&](float px, float py) {
        const vec3w ndc{(px - halfWidth) / halfWidth, (py - halfHeight) / halfHeight, depth, 1.0f};
        const pos3 eye = homogenize(invProjection * ndc);
        return transformPoint(invModelview, eye);
    };
    const dir3 d = unproject(x, y) - unproject(b.x, b.y);
    const dir3 move = transformDir(rotation(r2), d);
    // An unprojection that divides by zero must not poison the translation.
    if (!(std::isfinite(move.x) && std::isfinite(move.y) && std::isfinite(move.z)))
        return;
    t = t + move;
}

bool trackball_t::motion(int xi, int yi, float depth, const mtx3w& invModelview, const mtx3w& invProjection,
                         float halfWidth, float halfHeight)
{
    const float x = static_cast<float>(xi);
    const float y = static_cast<float>(yi);
    auto anchor = [&](trackballButton_t& b) {
        b.x = x;
        b.y = y;
    };
    trackballButton_t& left = buttons[0];
    trackballButton_t& middle = buttons[1];
    trackballButton_t& right = buttons[2];

    // A right drag turns a degree a pixel about y (across) and x (up): the
    // environment while shift is held, else the model.
    auto turn = [&](rot3& r, rot3& inverse) {
        const float dx = x - right.x, dy = y - right.y;
        r = compose(toRot3(quaX(-dy) * quaY(dx)), r);
        inverse = compose(inverse, toRot3(quaY(-dx) * quaX(dy)));
        anchor(right);
    };
    if (shift) {
        if (!right.pressed)
            return false;
        turn(r0, r1);
        return true;
    }

    if (left.pressed) {
        pan(x, y, depth, invModelview, invProjection, halfWidth, halfHeight);
        anchor(left);
    }
    if (middle.pressed) {
        dolly((y - middle.y) * kPanPerPixel * unit);
        const float dx = x - middle.x;
        r2 = times(quaZ(dx), r2);
        r3 = times(r3, quaZ(-dx));
        anchor(middle);
    }
    if (right.pressed)
        turn(r2, r3);
    return left.pressed || middle.pressed || right.pressed;
}

viewMatrices_t trackball_t::viewMatrices() const
{
    viewMatrices_t v;
    v.modelview = rotation(r2) * translation(-pivot.x, -pivot.y, -pivot.z);
    v.modelview[12] += t.x;
    v.modelview[13] += t.y;
    v.modelview[14] += t.z;
    v.invModelview = translation(pivot.x, pivot.y, pivot.z) * rotation(r3) * translation(-t.x, -t.y, -t.z);
    v.globalview = v.modelview * rotation(r0);
    return v;
}
