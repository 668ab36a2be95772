#include "sceneio/evaluate.h"
#include "sceneio/number_text.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// The escapes of the expression file: \t \r \n \xHH.
std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i] == '\\' && i + 1 < s.size() ? s[++i] : 0;
        if (c == 'x') {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c == 0 ? s[i] : c == 't' ? '\t' : c == 'r' ? '\r' : '\n';
    }
    return out;
}

TEST(Evaluate, ValuesEndPositionsAndDiagnostics)
{
    std::ifstream file(vyktest::sourcePath("tests/data/expressions/evaluate.txt"));
    int count = 0;
    for (std::string line; std::getline(file, line); count += line[0] != '#') {
        if (line[0] == '#')
            continue;
        std::vector<std::string> field;
        size_t from = 0;
        for (size_t at; (at = line.find(" |", from)) != std::string::npos; from = at + 3)
            field.push_back(line.substr(from, at - from));
        field.push_back(from < line.size() ? line.substr(from) : "");
        ASSERT_EQ(field.size(), 4u) << line;
        const std::string text = unescape(field[0]);
        SCOPED_TRACE("expression: \"" + field[0] + "\"");
        std::ostringstream diag;
        const char* end = nullptr;
        EXPECT_EQ(evaluate(text.c_str(), &end, diag), std::strtof(field[1].c_str(), nullptr));
        EXPECT_EQ(std::to_string(end - text.c_str()), field[2]);
        EXPECT_EQ(diag.str(), unescape(field[3]));
    }
    EXPECT_EQ(count, 40);
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
