// Text form of the math types for diagnostics: a tag and the components, as
// in pos3(1.000000, 2.000000, 3.000000).
//
// Floating-point values are written in fixed notation with the stream's own
// precision; the stream's format flags are restored afterwards and its width
// and fill are not touched. Integer types keep the stream's flags. Byte
// colours are two hexadecimal digits a byte ("col3ub(ff8000)"), with one
// "0x" in front when the stream has showbase set.
#pragma once

#include <cstdint>
#include <ostream>

#include "foundation/math.h"

std::ostream& operator<<(std::ostream& os, const pos3& v);
std::ostream& operator<<(std::ostream& os, const dir3& v);
std::ostream& operator<<(std::ostream& os, const pos2& v);
std::ostream& operator<<(std::ostream& os, const dir2& v);
std::ostream& operator<<(std::ostream& os, const pos2l& v);
std::ostream& operator<<(std::ostream& os, const dir2l& v);
std::ostream& operator<<(std::ostream& os, const vec3w& v);
std::ostream& operator<<(std::ostream& os, const qua& v);
std::ostream& operator<<(std::ostream& os, const rot3& v);
std::ostream& operator<<(std::ostream& os, const srt3& v);
std::ostream& operator<<(std::ostream& os, const rev3& v);
std::ostream& operator<<(std::ostream& os, const plr3& v);
std::ostream& operator<<(std::ostream& os, const ang3& v);
std::ostream& operator<<(std::ostream& os, const irt3& v);
std::ostream& operator<<(std::ostream& os, const pst3w& v);
std::ostream& operator<<(std::ostream& os, const col3& v);
std::ostream& operator<<(std::ostream& os, const col3a& v);
std::ostream& operator<<(std::ostream& os, const col3aub& v);
std::ostream& operator<<(std::ostream& os, const col3ub& v);
std::ostream& operator<<(std::ostream& os, const col1aub& v);
std::ostream& operator<<(std::ostream& os, const col1ub& v);
std::ostream& operator<<(std::ostream& os, const txc1& v);
std::ostream& operator<<(std::ostream& os, const txc2& v);
std::ostream& operator<<(std::ostream& os, const txc2q& v);
std::ostream& operator<<(std::ostream& os, const txc3& v);
std::ostream& operator<<(std::ostream& os, const txc3q& v);
std::ostream& operator<<(std::ostream& os, const mtx3w& v);
std::ostream& operator<<(std::ostream& os, const box2& v);
std::ostream& operator<<(std::ostream& os, const box3& v);
std::ostream& operator<<(std::ostream& os, const dim2& v);
std::ostream& operator<<(std::ostream& os, const dim3& v);
std::ostream& operator<<(std::ostream& os, const plane& v);
std::ostream& operator<<(std::ostream& os, const line2d& v);
std::ostream& operator<<(std::ostream& os, const line3d& v);
std::ostream& operator<<(std::ostream& os, const projection& v);
std::ostream& operator<<(std::ostream& os, const perspective& v);

// A tagged value: `kind` says which member of the union holds it.
struct value_t {
    enum kind_t : int32_t {
        Float = 0,
        Pos3 = 1,
        Dir3 = 2,
        Pos2 = 3,
        Dir2 = 4,
        Pos2l = 5,
        Dir2l = 6,
        Qua = 7,
        Rot3 = 8,
        Pst3w = 9,
        Plr3 = 10,
        Ang3 = 11,
        Rev3 = 12,
        Srt3 = 13,
        Irt3 = 14,
        Vec3w = 15,
        Col3 = 16,
        Col3a = 17,
        Txc1 = 18,
        Txc2 = 19,
        Txc2q = 20,
        Txc3 = 21,
        Txc3q = 22,
        Mtx3w = 23,
        Col3aub = 28,
        Col3ub = 29,
        Col1aub = 30,
        Col1ub = 31,
        Projection = 35
    };
    int32_t kind;
    union {
        float f;
        pos3 p3;
        dir3 d3;
        pos2 p2;
        dir2 d2;
        pos2l p2l;
        dir2l d2l;
        qua q;
        rot3 r;
        pst3w pst;
        plr3 plr;
        ang3 ang;
        rev3 rev;
        srt3 srt;
        irt3 irt;
        vec3w v;
        col3 c3;
        col3a c3a;
        txc1 t1;
        txc2 t2;
        txc2q t2q;
        txc3 t3;
        txc3q t3q;
        mtx3w m;
        col3aub c3aub;
        col3ub c3ub;
        col1aub c1aub;
        col1ub c1ub;
        projection proj;
    };
};

// Writes the value as its kind's type; float as "float(0.500000)". Kinds
// without a type (24 to 27, 32 to 34, above 35, negative) write nothing.
std::ostream& operator<<(std::ostream& os, const value_t& v);
