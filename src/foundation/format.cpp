#include "foundation/format.h"

#include <iomanip>

namespace
{

// Fixed notation for the duration of one value; the caller's flags come back
// even when a nested value sets its own.
class fixed_scope_t
{
  public:
    explicit fixed_scope_t(std::ostream& os) : os_(os), flags_(os.flags())
    {
        os.setf(std::ios::fixed, std::ios::floatfield);
    }
    ~fixed_scope_t() { os_.flags(flags_); }
    fixed_scope_t(const fixed_scope_t&) = delete;
    fixed_scope_t& operator=(const fixed_scope_t&) = delete;

  private:
    std::ostream& os_;
    std::ios::fmtflags flags_;
};

std::ostream& floats(std::ostream& os, const char* tag, const float* v, int n)
{
    fixed_scope_t scope(os);
    os << tag;
    for (int i = 0; i < n; ++i) {
        if (i)
            os << ", ";
        os << v[i];
    }
    return os << ")";
}

std::ostream& three(std::ostream& os, const char* tag, float a, float b, float c)
{
    const float v[3] = {a, b, c};
    return floats(os, tag, v, 3);
}

std::ostream& four(std::ostream& os, const char* tag, float a, float b, float c, float d)
{
    const float v[4] = {a, b, c, d};
    return floats(os, tag, v, 4);
}

std::ostream& two(std::ostream& os, const char* tag, float a, float b)
{
    const float v[2] = {a, b};
    return floats(os, tag, v, 2);
}

std::ostream& angleAxis(std::ostream& os, const char* tag, float angle, const dir3& axis)
{
    fixed_scope_t scope(os);
    return os << tag << angle << ", " << axis << ")";
}

// Two hexadecimal digits a byte, no separator.
std::ostream& bytes(std::ostream& os, const char* tag, const uint8_t* b, int n)
{
    std::ios::fmtflags flags = os.flags();
    char fill = os.fill();
    if (flags & std::ios::showbase) {
        os << "0x";
        os.unsetf(std::ios::showbase);
    }
    os << tag;
    os.setf(std::ios::hex, std::ios::basefield);
    os.setf(std::ios::right, std::ios::adjustfield); // left would give "f0"
    os.fill('0');
    for (int i = 0; i < n; ++i)
        os << std::setw(2) << static_cast<unsigned>(b[i]);
    os << ")";
    os.flags(flags);
    os.fill(fill);
    return os;
}

} // namespace

std::ostream& operator<<(std::ostream& os, const pos3& v)
{
    return three(os, "pos3(", v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const dir3& v)
{
    return three(os, "dir3(", v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const pos2& v)
{
    return two(os, "pos2(", v.x, v.y);
}
std::ostream& operator<<(std::ostream& os, const dir2& v)
{
    return two(os, "dir2(", v.x, v.y);
}
std::ostream& operator<<(std::ostream& os, const pos2l& v)
{
    return os << "pos2l(" << v.x << ", " << v.y << ")";
}
std::ostream& operator<<(std::ostream& os, const dir2l& v)
{
    return os << "dir2l(" << v.x << ", " << v.y << ")";
}
std::ostream& operator<<(std::ostream& os, const vec3w& v)
{
    return four(os, "vec3w(", v.x, v.y, v.z, v.w);
}
std::ostream& operator<<(std::ostream& os, const qua& v)
{
    return four(os, "qua(", v.w, v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const rot3& v)
{
    return angleAxis(os, "rot3(", v.angle, v.axis);
}
std::ostream& operator<<(std::ostream& os, const srt3& v)
{
    return angleAxis(os, "srt3(", v.angle, v.axis);
}
std::ostream& operator<<(std::ostream& os, const rev3& v)
{
    return three(os, "rev3(", v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const plr3& v)
{
    return three(os, "plr3(", v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const ang3& v)
{
    return three(os, "ang3(", v.x, v.y, v.z);
}
std::ostream& operator<<(std::ostream& os, const irt3& v)
{
    return os << "irt3(" << v.rev << ", " << v.srt << ")";
}
std::ostream& operator<<(std::ostream& os, const pst3w& v)
{
    return os << "pst3w(" << v.r0 << ", " << v.r1 << ", " << v.pos << ")";
}
std::ostream& operator<<(std::ostream& os, const col3& v)
{
    return three(os, "col3(", v.r, v.g, v.b);
}
std::ostream& operator<<(std::ostream& os, const col3a& v)
{
    return four(os, "col3a(", v.r, v.g, v.b, v.a);
}
std::ostream& operator<<(std::ostream& os, const col3aub& v)
{
    const uint8_t b[4] = {v.r, v.g, v.b, v.a};
    return bytes(os, "col3aub(", b, 4);
}
std::ostream& operator<<(std::ostream& os, const col3ub& v)
{
    const uint8_t b[3] = {v.r, v.g, v.b};
    return bytes(os, "col3ub(", b, 3);
}
std::ostream& operator<<(std::ostream& os, const col1aub& v)
{
    const uint8_t b[2] = {v.l, v.a};
    return bytes(os, "col1aub(", b, 2);
}
std::ostream& operator<<(std::ostream& os, const col1ub& v)
{
    return bytes(os, "col1ub(", &v.l, 1);
}
std::ostream& operator<<(std::ostream& os, const txc1& v)
{
    return floats(os, "txc1(", &v.s, 1);
}
std::ostream& operator<<(std::ostream& os, const txc2& v)
{
    return two(os, "txc2(", v.s, v.t);
}
std::ostream& operator<<(std::ostream& os, const txc2q& v)
{
    return three(os, "txc2q(", v.s, v.t, v.q);
}
std::ostream& operator<<(std::ostream& os, const txc3& v)
{
    return three(os, "txc3(", v.s, v.t, v.r);
}
std::ostream& operator<<(std::ostream& os, const txc3q& v)
{
    return four(os, "txc3q(", v.s, v.t, v.r, v.q);
}

std::ostream& operator<<(std::ostream& os, const mtx3w& v)
{
    fixed_scope_t scope(os);
    os << "mtx3w(\t";
    for (int i = 0; i < 16; ++i) {
        if (i)
            os << (i % 4 == 0 ? ",\n\t" : ", ");
        os << v[i];
    }
    return os << ")";
}

std::ostream& operator<<(std::ostream& os, const box2& v)
{
    return os << "box2(" << v.p0 << ", " << v.p1 << ")";
}
std::ostream& operator<<(std::ostream& os, const box3& v)
{
    return os << "box3(" << v.p0 << ", " << v.p1 << ")";
}
std::ostream& operator<<(std::ostream& os, const dim2& v)
{
    return os << "dim2(" << v.w << ", " << v.h << ")";
}
std::ostream& operator<<(std::ostream& os, const dim3& v)
{
    return os << "dim3(" << v.w << ", " << v.h << ", " << v.d << ")";
}
std::ostream& operator<<(std::ostream& os, const plane& v)
{
    return four(os, "surface(", v.a, v.b, v.c, v.d);
}
std::ostream& operator<<(std::ostream& os, const line2d& v)
{
    return three(os, "line2d(", v.a, v.b, v.c);
}
std::ostream& operator<<(std::ostream& os, const line3d& v)
{
    return os << "line3d(" << v.direction << ", " << v.transform << ", " << v.inverse << ")";
}

std::ostream& operator<<(std::ostream& os, const projection& v)
{
    fixed_scope_t scope(os);
    return os << "projection(" << v.left << ", " << v.right << ", " << v.bottom << ", " << v.top << ", " << v.near
              << ", " << v.far << ")";
}

std::ostream& operator<<(std::ostream& os, const perspective& v)
{
    fixed_scope_t scope(os);
    return os << "perspective(" << v.fovy << ", " << v.aspect << ", " << v.near << ", " << v.far << ")";
}

std::ostream& operator<<(std::ostream& os, const value_t& v)
{
    switch (v.kind) {
    case value_t::Float:
        return floats(os, "float(", &v.f, 1);
    case value_t::Pos3:
        return os << v.p3;
    case value_t::Dir3:
        return os << v.d3;
    case value_t::Pos2:
        return os << v.p2;
    case value_t::Dir2:
        return os << v.d2;
    case value_t::Pos2l:
        return os << v.p2l;
    case value_t::Dir2l:
        return os << v.d2l;
    case value_t::Qua:
        return os << v.q;
    case value_t::Rot3:
        return os << v.r;
    case value_t::Pst3w:
        return os << v.pst;
    case value_t::Plr3:
        return os << v.plr;
    case value_t::Ang3:
        return os << v.ang;
    case value_t::Rev3:
        return os << v.rev;
    case value_t::Srt3:
        return os << v.srt;
    case value_t::Irt3:
        return os << v.irt;
    case value_t::Vec3w:
        return os << v.v;
    case value_t::Col3:
        return os << v.c3;
    case value_t::Col3a:
        return os << v.c3a;
    case value_t::Txc1:
        return os << v.t1;
    case value_t::Txc2:
        return os << v.t2;
    case value_t::Txc2q:
        return os << v.t2q;
    case value_t::Txc3:
        return os << v.t3;
    case value_t::Txc3q:
        return os << v.t3q;
    case value_t::Mtx3w:
        return os << v.m;
    case value_t::Col3aub:
        return os << v.c3aub;
    case value_t::Col3ub:
        return os << v.c3ub;
    case value_t::Col1aub:
        return os << v.c1aub;
    case value_t::Col1ub:
        return os << v.c1ub;
    case value_t::Projection:
        return os << v.proj;
    default:
        return os;
    }
}
