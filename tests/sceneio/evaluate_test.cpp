#include "sceneio/evaluate.h"
#include "sceneio/number_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

namespace
{

struct eval_case {
    const char* text;
    float value;
    size_t endOffset; // where evaluation stopped, from the start of text
    const char* diag; // every diagnostic line, exactly
};

const eval_case cases[] = {
    // plain numbers and the strtod forms
    {"0.5", 0.5f, 3, ""},
    {"1e3", 1000.0f, 3, ""},
    {"", 0.0f, 0, ""},
    {"   \t ", 0.0f, 5, ""},
    // precedence and grouping
    {"1+2*3", 7.0f, 5, ""},
    {"2*(3+1)", 8.0f, 7, ""},
    {"2*-(3+1)", -8.0f, 8, ""},
    {"(1+2)*3", 9.0f, 7, ""},
    {"2*(3)+1", 7.0f, 7, ""},
    {"6/4", 1.5f, 3, ""},
    {"8/-2", -4.0f, 4, ""},
    {"1/0", std::numeric_limits<float>::infinity(), 3, ""},
    {"-2*3", -6.0f, 4, ""},
    {"10-4-3", 3.0f, 6, ""},
    // single precision throughout: each "+1" is lost at 2^24
    {"16777216+1+1", 16777216.0f, 12, ""},
    // blanks and juxtaposition
    {"1 + 2", 3.0f, 5, ""},
    {"2 3", 5.0f, 3, ""},
    {"2(3)", 5.0f, 4, ""},
    // terminators
    {"1,2", 1.0f, 1, ""},
    {"4\r5", 4.0f, 1, ""},
    // signs after signs negate
    {"1+-2", -1.0f, 4, ""},
    {"1--2", 3.0f, 4, ""},
    // the end closes every open group
    {"(1+2", 3.0f, 4, ""},
    {"2*(3+1", 8.0f, 6, ""},
    // an unmatched ")" ends the top level
    {"1)+5", 1.0f, 4, ""},
    // diagnostics
    {"*2", 0.0f, 2, "beginning '*' detect.\n"},
    {"/2", 0.0f, 2, "beginning '/' detect.\n"},
    {"2*", 2.0f, 2, "last '*' detect.\n"},
    {"2/", 2.0f, 2, "last '/' detect.\n"},
    {"2-", 2.0f, 2, "last '-' detect.\n"},
    {"2+", 2.0f, 2, "last '+' detect.\n"},
    {"2*-", 2.0f, 3, "last '-' detect.\n"},
    {"2*+3", 2.0f, 4, "*: right operand is not a value.\n"},
    {"2/+3", 2.0f, 4, "/: right operand is not a value.\n"},
    {"2*-*3", 2.0f, 5, "-: right operand is not a value.\n"},
    // a nested level stopped by a diagnostic hands on its value and the
    // enclosing level reads the rest, whose ")" then ends the top level
    {"(*2)+1", 2.0f, 6, "beginning '*' detect.\n"},
    // invalid characters stop scanning where they stand
    {".5", 0.0f, 0, "46 \n.: warning: invalid char detect.\n"},
    {"3+x", 3.0f, 2, "120 \nx: warning: invalid char detect.\nlast '+' detect.\n"},
    {"1\xe9", 1.0f, 1, "-23 \n\xe9: warning: invalid char detect.\n"},
    // the scan finishes before the evaluation reports
    {"*2;", 0.0f, 2, "59 \n;: warning: invalid char detect.\nbeginning '*' detect.\n"},
};

TEST(Evaluate, ValuesEndPositionsAndDiagnostics)
{
    for (const eval_case& c : cases) {
        SCOPED_TRACE(std::string("expression: \"") + c.text + "\"");
        std::ostringstream diag;
        const char* end = nullptr;
        const float v = evaluate(c.text, &end, diag);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.endOffset);
        EXPECT_EQ(diag.str(), c.diag);
    }
}

// Numbers of scene text must read exactly as strtod reads them.
TEST(SceneNumbers, AgreeWithStrtod)
{
    const char* texts[] = {// decimal text, the fast path
                           "1", "1.", "1.5e3", "1e", "1e+", "1E-2x", "-2.5", "+3", "  7", "\t\r8,9", ".5", "-.5e1",
                           "0.1", "00012", "1,2", "1..2", "1.e5", "7 8",
                           // what falls back to strtod: hexadecimal, inf, nan, out of range, no digits
                           "0x1A", "0x", "0X1p3", "1e999", "-1e999", "1e-400", "4e-320", "inf", "-nan", "e5", "-", "",
                           "+-1",
                           // rounding at the edges of double precision
                           "9.999999999999999e22", "2.2250738585072011e-308", "12345678901234567890123456789"};
    for (const char* t : texts) {
        SCOPED_TRACE(std::string("text: \"") + t + "\"");
        char* strtodEnd = nullptr;
        const double expected = std::strtod(t, &strtodEnd);
        const char* end = nullptr;
        const double v = readDouble(t, &end);
        EXPECT_EQ(end, strtodEnd);
        // the same bits, also for "-nan"
        EXPECT_EQ(std::memcmp(&v, &expected, sizeof v), 0) << v << " != " << expected;
    }
}

} // namespace
