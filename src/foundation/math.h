// Value types for geometry, colour, texture coordinates and transforms, and
// the small set of operations the viewer needs on them.
//
// All types are plain aggregates copied by value; nothing is enforced by
// construction (`pos3 p{}` is zero, `pos3 p;` is uninitialised). Arithmetic
// is single precision except for the projection parameters (double).
#pragma once

#include <cmath>
#include <cstdint>

// clang-format off
// ---------------------------------------------------------------- vectors

struct pos3 { float x, y, z; };        // point
struct dir3 { float x, y, z; };        // direction or normal
struct pos2 { float x, y; };
struct dir2 { float x, y; };
struct pos2l { int32_t x, y; };        // integer 2-D point
struct dir2l { int32_t x, y; };        // integer 2-D offset
struct vec3w { float x, y, z, w; };    // homogeneous point or direction

// Quaternion, scalar first.
struct qua { float w, x, y, z; };

// Rotation by `angle` degrees about `axis`; identity is (0, (0, 0, 1)).
struct rot3 { float angle; dir3 axis; };
struct srt3 { float angle; dir3 axis; };  // same layout as rot3

// Three-component records.
struct rev3 { float x, y, z; };
struct plr3 { float x, y, z; };
struct ang3 { float x, y, z; };

struct irt3 { rev3 rev; srt3 srt; };
struct pst3w { rev3 r0; rev3 r1; pos3 pos; };

// --------------------------------------------------------------- colours

struct col3 { float r, g, b; };        // 0 to 1
struct col3a { float r, g, b, a; };    // 0 to 1
struct col3aub { uint8_t r, g, b, a; };
struct col3ub { uint8_t r, g, b; };
struct col1aub { uint8_t l, a; };      // luminance, alpha
struct col1ub { uint8_t l; };

// --------------------------------------------------- texture coordinates

struct txc1 { float s; };
struct txc2 { float s, t; };
struct txc2q { float s, t, q; };
struct txc3 { float s, t, r; };
struct txc3q { float s, t, r, q; };

// ---------------------------------------------------------------- matrix

// 4x4 matrix stored column by column: m[4c + r] is row r of column c;
// m[12], m[13], m[14] hold the translation.
struct mtx3w {
    float m[16];
    float& operator[](int i) { return m[i]; }
    const float& operator[](int i) const { return m[i]; }
};

// ------------------------------------------------------ boxes and planes

struct box2 { pos2 p0, p1; };          // axis-aligned, by two corners
struct box3 { pos3 p0, p1; };
struct dim2 { uint64_t w, h; };
struct dim3 { uint64_t w, h, d; };

struct plane { float a, b, c, d; };  // plane a*x + b*y + c*z + d = 0
struct line2d { float a, b, c; };      // a*x + b*y + c = 0; >= 0 is inside
struct line3d { dir3 direction; mtx3w transform; mtx3w inverse; };

// ------------------------------------------------------------ projection

struct projection { double left, right, bottom, top, near, far; };

// fovy in radians, measured across the image diagonal.
struct perspective {
    double fovy = 1.5707963267948966;  // pi / 2
    double aspect = 4.0 / 3.0;
    double near = 0.1;
    double far = 1000.1;
};
// clang-format on

// ------------------------------------------------------------ operations

// Tolerance of every tolerant float comparison.
constexpr float kEpsilon = 2e-5f;

bool fequal(float a, float b);          // |a - b| <= eps
bool fequal(float a, float b, float c); // all three pairs equal
bool fless(float a, float b);           // a - b < -eps
bool fgreater(float a, float b);        // a - b > eps
bool flessequal(float a, float b);      // a - b < eps
bool fgreaterequal(float a, float b);   // a - b > -eps
// Component-wise tolerant equality (two points coincide).
bool fequal(const pos3& a, const pos3& b);
bool fequal(const dir3& a, const dir3& b);

// Vector arithmetic. A difference of points is a direction.
inline dir3 operator-(const pos3& a, const pos3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
pos3 operator+(const pos3& p, const dir3& d);
pos3 operator-(const pos3& p, const dir3& d);
pos3 operator+(const pos3& a, const pos3& b);
pos3 operator*(const pos3& p, float k);
pos3 operator*(float k, const pos3& p);
dir3 operator+(const dir3& a, const dir3& b);
dir3 operator-(const dir3& a, const dir3& b);
dir3 operator-(const dir3& d);
dir3 operator*(const dir3& d, float k);
dir3 operator*(float k, const dir3& d);
pos2 operator+(const pos2& a, const pos2& b);
pos2 operator-(const pos2& a, const pos2& b);
pos2 operator*(const pos2& p, float k);
txc2 operator+(const txc2& a, const txc2& b);
txc2 operator*(const txc2& t, float k);
col3a operator+(const col3a& a, const col3a& b);
col3a operator*(const col3a& c, float k);

dir3 toDir(const pos3& p);
pos3 toPos(const dir3& d);

inline float dot(const dir3& a, const dir3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float length(const dir3& v);
// v * (1 / |v|); a zero vector stays (0, 0, 0).
dir3 normalize(const dir3& v);
// v / |v| component by component; a zero vector stays (0, 0, 0). The mesh
// code (computed frames, STL facet normals) divides, and files written from
// those values keep their bytes: normalize's v * (1 / |v|) can differ in the
// last bit. Inline: it runs for every triangle of a mesh.
inline dir3 divideByLength(const dir3& v)
{
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0.0f)
        return {0.0f, 0.0f, 0.0f};
    return {v.x / len, v.y / len, v.z / len};
}
inline dir3 cross(const dir3& a, const dir3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// (b - a) x (c - b), not normalised; counter-clockwise a, b, c seen from the
// front gives the front-facing normal.
inline dir3 triangleNormal(const pos3& a, const pos3& b, const pos3& c)
{
    return cross(b - a, c - b);
}
// The same, normalised (zero for a degenerate triangle).
dir3 triangleUnitNormal(const pos3& a, const pos3& b, const pos3& c);

// The one frame an STL triangle (p0, p1, p2) gives all three corners:
// tangent (p2 - p0) / |p2 - p0|, binormal tangent x normal, and the normal
// of the two unit edges from p0, (p1 - p0) x (p2 - p0), divided by its
// length; a zero normal when the corners are on one line. Inline: it runs
// for every triangle a reader fills.
struct flat_frame_t {
    dir3 tangent, binormal, normal;
};
inline flat_frame_t flatFrame(const pos3& p0, const pos3& p1, const pos3& p2)
{
    const dir3 a = divideByLength(p1 - p0);
    const dir3 b = divideByLength(p2 - p0);
    const dir3 n = divideByLength(cross(a, b));
    return {b, cross(b, n), n};
}

// (x, y, z) / w.
pos3 homogenize(const vec3w& v);
vec3w toVec3w(const pos3& p); // w = 1
vec3w toVec3w(const dir3& d); // w = 0

// Matrices. A * B applies B first.
mtx3w identityMatrix();
mtx3w translation(float x, float y, float z);
mtx3w operator*(const mtx3w& a, const mtx3w& b);
vec3w operator*(const mtx3w& m, const vec3w& v);
vec3w operator*(const mtx3w& m, const pos3& p); // p extended with w = 1
// Point through m, divided by w.
pos3 transformPoint(const mtx3w& m, const pos3& p);
// Direction through the upper 3x3 of m (translation ignored).
dir3 transformDir(const mtx3w& m, const dir3& d);

// Right-handed rotation by r.angle degrees about normalize(r.axis) (the
// glRotate matrix). An axis of length zero gives the identity.
mtx3w rotation(const rot3& r);

// Quaternions. p * q is the Hamilton product and applies q first.
qua operator*(const qua& p, const qua& q);
// (cos h, axis * sin h), h = angle / 2 in radians; the axis is used as stored.
qua toQua(const rot3& r);
// angle = 2 acos(w) in degrees (w clamped to [-1, 1] so rounding never gives
// NaN), axis = normalised (x, y, z), or (0, 0, 1) when that is zero.
rot3 toRot3(const qua& q);
// toRot3(toQua(a) * toQua(b)): b first, then a.
rot3 compose(const rot3& a, const rot3& b);
// Quaternions of a rotation by deg degrees about the x, y or z axis.
qua quaX(float deg);
qua quaY(float deg);
qua quaZ(float deg);
// (0, (0, 0, 1)).
rot3 identityRot3();

// Projection family, all in double precision.
// aspect = w / h; a width or height that is not positive (a minimised
// window) leaves the aspect unchanged, so no matrix ever becomes NaN.
void setAspect(perspective& p, double w, double h);
// Frustum at the near plane; the field of view spans the diagonal.
projection nearFrustum(const perspective& p);
// The rectangle of the far plane.
projection farFrustum(const perspective& p);
// The glFrustum matrix and its closed-form inverse.
mtx3w frustumMatrix(const projection& f);
mtx3w frustumInverse(const projection& f);
