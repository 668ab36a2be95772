#include "sceneio/number_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

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
