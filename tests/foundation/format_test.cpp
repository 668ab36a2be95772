#include "foundation/format.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

namespace
{

template <class T> std::string text(const T& v)
{
    std::ostringstream os;
    os << v;
    return os.str();
}

// One of each kind of form: floats, signed and 64-bit integers, nesting,
// the matrix layout, byte colours in hexadecimal, tagged values. The
// stream's precision, notation, sign, base, case and fill apply inside a
// form and are back as they were for what follows.
TEST(FormatTest, Forms)
{
    value_t colour{}, half{value_t::Float, {0.5f}}, unknown{1000, {}};
    colour.kind = value_t::Col3ub;
    colour.c3ub = {255, 128, 0};
    std::ostringstream sci, hex;
    sci.precision(3);
    sci << std::scientific << std::showpos << rot3{10, {0, 1, 0}} << ' ' << 0.5;
    hex << std::showbase << std::uppercase << std::left << std::setfill('*') << col3ub{255, 10, 0} << ' ' << 10 << ' '
        << std::setw(3) << 7;
    const std::string cases[][2] = {
        {text(dir3{0, -1, 0.5f}), "dir3(0.000000, -1.000000, 0.500000)"},
        {text(pos2l{-3, 4}), "pos2l(-3, 4)"},
        {text(dim3{18446744073709551615ull, 0, 7}), "dim3(18446744073709551615, 0, 7)"},
        {text(irt3{{1, 2, 3}, {4, {0, 1, 0}}}),
         "irt3(rev3(1.000000, 2.000000, 3.000000), srt3(4.000000, dir3(0.000000, 1.000000, 0.000000)))"},
        {text(translation(1, 2, 3)), "mtx3w(\t1.000000, 0.000000, 0.000000, 0.000000,\n" // storage order
                                     "\t0.000000, 1.000000, 0.000000, 0.000000,\n"
                                     "\t0.000000, 0.000000, 1.000000, 0.000000,\n"
                                     "\t1.000000, 2.000000, 3.000000, 1.000000)"},
        {text(col3aub{1, 2, 171, 255}), "col3aub(0102abff)"},
        {text(colour), "col3ub(ff8000)"},
        {text(half), "float(0.500000)"},
        {text(unknown), ""},
        {sci.str(), "rot3(+10.000, dir3(+0.000, +1.000, +0.000)) +5.000e-01"},
        {hex.str(), "0xcol3ub(FF0A00) 10 7**"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[0], c[1]);
}

} // namespace
