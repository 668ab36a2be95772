#include "sceneio/evaluate.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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
        const float value = evaluate(text.c_str(), &end, diag), want = std::strtof(field[1].c_str(), nullptr);
        EXPECT_EQ(value, want);
        EXPECT_EQ(std::signbit(value), std::signbit(want)); // zero's sign too
        EXPECT_EQ(std::to_string(end - text.c_str()), field[2]);
        EXPECT_EQ(diag.str(), unescape(field[3]));
    }
    EXPECT_EQ(count, 43);
}

} // namespace
