#include "foundation/math.h"

#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;
} // namespace

bool fequal(float a, float b)
{
    return std::fabs(a - b) <= kEpsilon;
}
bool fequal(float a, float b, float c)
{
    return fequal(a, b) && fequal(b, c) && fequal(a, c);
}
bool fless(float a, float b)
{
    return a - b < -kEpsilon;
}
bool fgreater(float a, float b)
{
    return a - b > kEpsilon;
}
bool flessequal(float a, float b)
{
    return a - b < kEpsilon;
}
bool fgreaterequal(float a, float b)
{
    return a - b > -kEpsilon;
}
bool fequal(const pos3& a, const pos3& b)
{
    return fequal(a.x, b.x) && fequal(a.y, b.y) && fequal(a.z, b.z);
}
bool fequal(const dir3& a, const dir3& b)
{
    return fequal(a.x, b.x) && fequal(a.y, b.y) && fequal(a.z, b.z);
}

pos3 operator+(const pos3& p, const dir3& d)
{
    return {p.x + d.x, p.y + d.y, p.z + d.z};
}
pos3 operator-(const pos3& p, const dir3& d)
{
    return {p.x - d.x, p.y - d.y, p.z - d.z};
}
pos3 operator+(const pos3& a, const pos3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
pos3 operator*(const pos3& p, float k)
{
    return {p.x * k, p.y * k, p.z * k};
}
pos3 operator*(float k, const pos3& p)
{
    return p * k;
}
dir3 operator+(const dir3& a, const dir3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
dir3 operator-(const dir3& a, const dir3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
dir3 operator-(const dir3& d)
{
    return {-d.x, -d.y, -d.z};
}
dir3 operator*(const dir3& d, float k)
{
    return {d.x * k, d.y * k, d.z * k};
}
dir3 operator*(float k, const dir3& d)
{
    return d * k;
}
pos2 operator+(const pos2& a, const pos2& b)
{
    return {a.x + b.x, a.y + b.y};
}
pos2 operator-(const pos2& a, const pos2& b)
{
    return {a.x - b.x, a.y - b.y};
}
pos2 operator*(const pos2& p, float k)
{
    return {p.x * k, p.y * k};
}
txc2 operator+(const txc2& a, const txc2& b)
{
    return {a.s + b.s, a.t + b.t};
}
txc2 operator*(const txc2& t, float k)
{
    return {t.s * k, t.t * k};
}
col3a operator+(const col3a& a, const col3a& b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a};
}
col3a operator*(const col3a& c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a * k};
}

dir3 toDir(const pos3& p)
{
    return {p.x, p.y, p.z};
}
pos3 toPos(const dir3& d)
{
    return {d.x, d.y, d.z};
}

float length(const dir3& v)
{
    return std::sqrt(dot(v, v));
}

dir3 normalize(const dir3& v)
{
    float len = length(v);
    if (len == 0.0f)
        return {0.0f, 0.0f, 0.0f};
    return v * (1.0f / len);
}

dir3 triangleUnitNormal(const pos3& a, const pos3& b, const pos3& c)
{
    return normalize(triangleNormal(a, b, c));
}

pos3 homogenize(const vec3w& v)
{
    float k = 1.0f / v.w;
    return {v.x * k, v.y * k, v.z * k};
}

vec3w toVec3w(const pos3& p)
{
    return {p.x, p.y, p.z, 1.0f};
}
vec3w toVec3w(const dir3& d)
{
    return {d.x, d.y, d.z, 0.0f};
}

mtx3w identityMatrix()
{
    mtx3w r{};
    r[0] = r[5] = r[10] = r[15] = 1.0f;
    return r;
}

mtx3w translation(float x, float y, float z)
{
    mtx3w r = identityMatrix();
    r[12] = x;
    r[13] = y;
    r[14] = z;
    return r;
}

mtx3w operator*(const mtx3w& a, const mtx3w& b)
{
    mtx3w r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = s;
        }
    return r;
}

vec3w operator*(const mtx3w& m, const vec3w& v)
{
    const float in[4] = {v.x, v.y, v.z, v.w};
    float out[4];
    for (int row = 0; row < 4; ++row) {
        float s = 0.0f;
        for (int c = 0; c < 4; ++c)
            s += m[4 * c + row] * in[c];
        out[row] = s;
    }
    return {out[0], out[1], out[2], out[3]};
}

vec3w operator*(const mtx3w& m, const pos3& p)
{
    return m * toVec3w(p);
}

pos3 transformPoint(const mtx3w& m, const pos3& p)
{
    return homogenize(m * p);
}

dir3 transformDir(const mtx3w& m, const dir3& d)
{
    vec3w r = m * toVec3w(d);
    return {r.x, r.y, r.z};
}

mtx3w rotation(const rot3& r)
{
    dir3 u = normalize(r.axis);
    // A zero axis names no rotation; without this the formula would give the
    // scaling cos(a) * I.
    if (u.x == 0.0f && u.y == 0.0f && u.z == 0.0f)
        return identityMatrix();
    float a = static_cast<float>(r.angle * kDegToRad);
    float c = std::cos(a);
    float s = std::sin(a);
    float t = 1.0f - c;
    mtx3w m{};
    // column 0
    m[0] = c + t * u.x * u.x;
    m[1] = t * u.y * u.x + s * u.z;
    m[2] = t * u.z * u.x - s * u.y;
    // column 1
    m[4] = t * u.x * u.y - s * u.z;
    m[5] = c + t * u.y * u.y;
    m[6] = t * u.z * u.y + s * u.x;
    // column 2
    m[8] = t * u.x * u.z + s * u.y;
    m[9] = t * u.y * u.z - s * u.x;
    m[10] = c + t * u.z * u.z;
    m[15] = 1.0f;
    return m;
}

qua operator*(const qua& p, const qua& q)
{
    return {p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z, p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
            p.w * q.y + p.y * q.w + p.z * q.x - p.x * q.z, p.w * q.z + p.z * q.w + p.x * q.y - p.y * q.x};
}

qua toQua(const rot3& r)
{
    float h = static_cast<float>(r.angle * 0.5f * kDegToRad);
    float s = std::sin(h);
    return {std::cos(h), r.axis.x * s, r.axis.y * s, r.axis.z * s};
}

rot3 toRot3(const qua& q)
{
    // Composition rounding can push w a hair past 1 after a drag that comes
    // back to its start; acos would then give NaN and poison every matrix.
    float w = q.w;
    if (!(w <= 1.0f))
        w = 1.0f; // also catches NaN
    if (w < -1.0f)
        w = -1.0f;
    rot3 r;
    r.angle = static_cast<float>(2.0f * std::acos(w) * kRadToDeg);
    dir3 v{q.x, q.y, q.z};
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f)
        r.axis = {0.0f, 0.0f, 1.0f};
    else
        r.axis = normalize(v);
    return r;
}

rot3 compose(const rot3& a, const rot3& b)
{
    return toRot3(toQua(a) * toQua(b));
}

namespace
{
qua axisQua(float deg, int axis)
{
    float h = static_cast<float>(deg * 0.5f * kDegToRad);
    qua q{std::cos(h), 0.0f, 0.0f, 0.0f};
    float s = std::sin(h);
    if (axis == 0)
        q.x = s;
    if (axis == 1)
        q.y = s;
    if (axis == 2)
        q.z = s;
    return q;
}
} // namespace

qua quaX(float deg)
{
    return axisQua(deg, 0);
}
qua quaY(float deg)
{
    return axisQua(deg, 1);
}
qua quaZ(float deg)
{
    return axisQua(deg, 2);
}

rot3 identityRot3()
{
    return {0.0f, {0.0f, 0.0f, 1.0f}};
}

void setAspect(perspective& p, double w, double h)
{
    if (!(w > 0.0) || !(h > 0.0))
        return;
    p.aspect = w / h;
}

namespace
{
// Half height at the far plane when fovy spans the image diagonal.
double farHalfHeight(const perspective& p)
{
    return std::tan(p.fovy / 2.0) * p.far / std::sqrt(p.aspect * p.aspect + 1.0);
}
} // namespace

projection nearFrustum(const perspective& p)
{
    double h = farHalfHeight(p);
    double s = p.near / p.far;
    projection f;
    f.right = p.aspect * h * s;
    f.left = -f.right;
    f.top = h * s;
    f.bottom = -f.top;
    f.near = p.near;
    f.far = p.far;
    return f;
}

projection farFrustum(const perspective& p)
{
    double h = farHalfHeight(p);
    projection f;
    f.right = p.aspect * h;
    f.left = -f.right;
    f.top = h;
    f.bottom = -h;
    f.near = p.near;
    f.far = p.far;
    return f;
}

mtx3w frustumMatrix(const projection& f)
{
    mtx3w m{};
    double l = f.left, r = f.right, b = f.bottom, t = f.top, n = f.near, fa = f.far;
    m[0] = static_cast<float>(2.0 * n / (r - l));
    m[5] = static_cast<float>(2.0 * n / (t - b));
    m[8] = static_cast<float>((r + l) / (r - l));
    m[9] = static_cast<float>((t + b) / (t - b));
    m[10] = static_cast<float>(-(fa + n) / (fa - n));
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2.0 * fa * n / (fa - n));
    return m;
}

mtx3w frustumInverse(const projection& f)
{
    mtx3w m{};
    double l = f.left, r = f.right, b = f.bottom, t = f.top, n = f.near, fa = f.far;
    m[0] = static_cast<float>((r - l) / (2.0 * n));
    m[5] = static_cast<float>((t - b) / (2.0 * n));
    m[11] = static_cast<float>(-(fa - n) / (2.0 * fa * n));
    m[12] = static_cast<float>((r + l) / (2.0 * n));
    m[13] = static_cast<float>((t + b) / (2.0 * n));
    m[14] = -1.0f;
    m[15] = static_cast<float>((fa + n) / (2.0 * fa * n));
    return m;
}
