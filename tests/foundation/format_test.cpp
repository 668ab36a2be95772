#include "foundation/format.h"

#include <gtest/gtest.h>

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

TEST(FormatTest, TaggedForms)
{
    struct {
        std::string actual, expected;
    } cases[] = {
        {text(pos3{1, 2, 3}), "pos3(1.000000, 2.000000, 3.000000)"},
        {text(dir3{0, -1, 0.5f}), "dir3(0.000000, -1.000000, 0.500000)"},
        {text(pos2l{-3, 4}), "pos2l(-3, 4)"},
        {text(dir2l{5, -6}), "dir2l(5, -6)"},
        {text(dim3{18446744073709551615ull, 0, 7}), "dim3(18446744073709551615, 0, 7)"},
        {text(qua{1, 0, 0, 0}), "qua(1.000000, 0.000000, 0.000000, 0.000000)"},
        {text(rot3{90, {0, 0, 1}}), "rot3(90.000000, dir3(0.000000, 0.000000, 1.000000))"},
        {text(srt3{1, {1, 0, 0}}), "srt3(1.000000, dir3(1.000000, 0.000000, 0.000000))"},
        {text(irt3{{1, 2, 3}, {4, {0, 1, 0}}}),
         "irt3(rev3(1.000000, 2.000000, 3.000000), srt3(4.000000, dir3(0.000000, 1.000000, "
         "0.000000)))"},
        {text(pst3w{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}),
         "pst3w(rev3(1.000000, 1.000000, 1.000000), rev3(2.000000, 2.000000, 2.000000), "
         "pos3(3.000000, 3.000000, 3.000000))"},
        {text(col3a{1, 0.5f, 0.25f, 0}), "col3a(1.000000, 0.500000, 0.250000, 0.000000)"},
        {text(txc3q{1, 2, 3, 4}), "txc3q(1.000000, 2.000000, 3.000000, 4.000000)"},
        {text(box2{{0, 0}, {1, 1}}), "box2(pos2(0.000000, 0.000000), pos2(1.000000, 1.000000))"},
        {text(surface{0, 0, 1, 2}), "surface(0.000000, 0.000000, 1.000000, 2.000000)"},
        {text(projection{-0.008, 0.008, -0.006, 0.006, 0.01, 1000}),
         "projection(-0.008000, 0.008000, -0.006000, 0.006000, 0.010000, 1000.000000)"},
        {text(col3ub{255, 128, 0}), "col3ub(ff8000)"},
        {text(col3aub{1, 2, 171, 255}), "col3aub(0102abff)"},
        {text(col1aub{0, 16}), "col1aub(0010)"},
        {text(identityMatrix()), "mtx3w(\t1.000000, 0.000000, 0.000000, 0.000000,\n"
                                 "\t0.000000, 1.000000, 0.000000, 0.000000,\n"
                                 "\t0.000000, 0.000000, 1.000000, 0.000000,\n"
                                 "\t0.000000, 0.000000, 0.000000, 1.000000)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST(FormatTest, FlagsRestored)
{
    std::ostringstream os;
    os.precision(3);
    os.setf(std::ios::scientific, std::ios::floatfield);
    os.setf(std::ios::showpos);
    const std::ios::fmtflags before = os.flags();
    os << pos3{1, 2, 3} << ' ' << 2.5f;
    EXPECT_EQ("pos3(+1.000, +2.000, +3.000) +2.500e+00", os.str());
    EXPECT_EQ(before, os.flags());
    EXPECT_EQ(3, os.precision());

    // Composite values restore through their parts too.
    os.str("");
    os << rot3{10, {0, 1, 0}} << ' ' << 0.5;
    EXPECT_EQ("rot3(+10.000, dir3(+0.000, +1.000, +0.000)) +5.000e-01", os.str());
    EXPECT_EQ(before, os.flags());
}

TEST(FormatTest, ByteColoursFollowBaseAndCase)
{
    std::ostringstream os;
    os << std::showbase << std::uppercase << std::left << std::setfill('*');
    const std::ios::fmtflags before = os.flags();
    os << col3ub{255, 10, 0} << ' ' << 10 << ' ' << std::setw(3) << 7;
    // One "0x" in front, two upper-case digits a byte, and the stream's own
    // flags and fill back for what follows.
    EXPECT_EQ("0xcol3ub(FF0A00) 10 7**", os.str());
    EXPECT_EQ(before, os.flags());
    EXPECT_EQ('*', os.fill());
}

TEST(FormatTest, TaggedValues)
{
    value_t colour{};
    colour.kind = value_t::Col3ub;
    colour.c3ub = {255, 128, 0};
    EXPECT_EQ("col3ub(ff8000)", text(colour));
    value_t half{};
    half.kind = value_t::Float;
    half.f = 0.5f;
    EXPECT_EQ("float(0.500000)", text(half));
    for (int32_t kind : {24, 27, 32, 34, 36, 1000, -1}) {
        value_t v{};
        v.kind = kind;
        EXPECT_EQ("", text(v)) << kind;
    }
}

} // namespace
