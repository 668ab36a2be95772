// Scene text that is broken or hostile: each case fails the load with one
// clear line, or loads what it soundly can, and never reads past a line.
#include "scene_reader_load.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace scenetest;

struct bad_case {
    std::string text;
    std::string err; // the reader's messages, exactly
};

void expectFails(const bad_case* cases, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const bad_case& c = cases[i];
        SCOPED_TRACE(c.text.size() < 200 ? c.text : c.text.substr(0, 200) + "...");
        const Loaded r = load(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, c.err);
    }
}

// Enough bytes after a header for its counts to be plausible.
const std::string padding = std::string(400, '#') + "\n";

TEST(SceneReaderBadInput, HeaderCounts)
{
    const bad_case cases[] = {
        {"begin polygon_surface,2147483648,3\n" + padding,
         "1: polygon counts exceed what the file holds: begin polygon_surface,2147483648,3\n"},
        {"begin polygon_surface,3,4294967295\n" + padding,
         "1: polygon counts exceed what the file holds: begin polygon_surface,3,4294967295\n"},
        {"begin polygon_surface,3\n" + padding, "1: polygon header needs two counts: begin polygon_surface,3\n"},
        {"begin polygon_surface,\n" + padding, "1: polygon header needs two counts: begin polygon_surface,\n"},
        {"begin polygon_surface,3,\r\n" + padding, "1: polygon header needs two counts: begin polygon_surface,3,\r\n"},
        // numU x numV and the knot sizes would overflow 64 bits
        {"begin nurbs_surface,4294967295,4294967295,4294967295,4294967295\n" + padding,
         "1: nurbs counts exceed what the file holds: "
         "begin nurbs_surface,4294967295,4294967295,4294967295,4294967295\n"},
        {"begin nurbs_surface,-1,2,-1,2\n" + padding,
         "1: nurbs counts exceed what the file holds: begin nurbs_surface,-1,2,-1,2\n"},
        {"begin nurbs_surface,2,0,2,2\n" + padding, "1: nurbs order out of range: begin nurbs_surface,2,0,2,2\n"},
        {"begin nurbs_surface,2,2,2,0\n" + padding, "1: nurbs order out of range: begin nurbs_surface,2,2,2,0\n"},
        {"begin nurbs_surface,2,3,2,2\n" + padding, "1: nurbs order out of range: begin nurbs_surface,2,3,2,2\n"},
        {"begin nurbs_surface,2,2,2,3\n" + padding, "1: nurbs order out of range: begin nurbs_surface,2,2,2,3\n"},
        {"begin nurbs_surface,0,0,0,0\n" + padding, "1: nurbs order out of range: begin nurbs_surface,0,0,0,0\n"},
        {"begin nurbs_surface,2,2,2\n" + padding, "1: nurbs header needs four counts: begin nurbs_surface,2,2,2\n"},
        // no "," at all: refused without a message
        {"begin nurbs_surface\n" + padding, ""},
    };
    expectFails(cases, std::size(cases));
}

TEST(SceneReaderBadInput, ResolutionBounds)
{
    const char* lines[] = {"resolution 0,33",        "resolution 33,1",        "resolution 1,1",
                           "resolution 65536,65537", "resolution 65535,65535", "resolution -1,2"};
    for (const char* line : lines) {
        const bad_case c{patch(std::string(line) + "\n"), std::string("2: resolution out of range (2 to 65535 each, "
                                                                      "at most 4194304 vertices): ") +
                                                              line + "\n"};
        expectFails(&c, 1);
    }
    // The bounds themselves load.
    const Loaded r = load(patch("resolution 2,2\n"));
    EXPECT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.vertices.size(), 4u * 9u);
}

TEST(SceneReaderBadInput, KeyLinesCutAfterASeparator)
{
    const char* polygonLines[] = {"position 1,2,", "position ",    "position 1,2,\r", "color 1,2,3,", "fcolor 1,1,1, ",
                                  "texcoord 1,",   "element ",     "tangent 1,0,",    "binormal ",    "normal 0,0,",
                                  "mipmap ",       "texfilter 1,", "texfilter 1,1,",  "aniso "};
    for (const char* line : polygonLines) {
        const bad_case c{triangle(std::string(line) + "\n"),
                         std::string("2: line ends after a separator: ") + line + "\n"};
        expectFails(&c, 1);
    }
    const char* nurbsLines[] = {"knot1 ", "weight \r", "sphere 1,2,", "resolution 3,"};
    for (const char* line : nurbsLines) {
        const bad_case c{patch(std::string(line) + "\n"),
                         std::string("2: line ends after a separator: ") + line + "\n"};
        expectFails(&c, 1);
    }
    const bad_case env{"begin environment\nreflectalpha \nend\n", "2: line ends after a separator: reflectalpha \n"};
    expectFails(&env, 1);
}

TEST(SceneReaderBadInput, ShortValueListsReadMissingValuesAsZero)
{
    // Fewer values without a trailing separator: the rest read as 0.
    const Loaded r =
        load("begin polygon_surface,3,3\nposition 1,2\nposition 3\nposition 4,5,6\n" + triangleTail() + "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(std::vector<float>(r.vertices.begin(), r.vertices.begin() + 3), (std::vector<float>{1, 2, 0}));
    EXPECT_EQ(std::vector<float>(r.vertices.begin() + 9, r.vertices.begin() + 12), (std::vector<float>{3, 0, 0}));
}

TEST(SceneReaderBadInput, LongLines)
{
    const std::string tenMegabytes(10u << 20, '7');
    const bad_case cases[] = {
        {"# fine\n" + tenMegabytes + "\n", "2: line too long.\n"},
        {"begin polygon_surface,3,3\nposition " + tenMegabytes + "\n" + triangleBody() + "end\n",
         "2: line too long.\n"},
        {patch("knot1 " + tenMegabytes), "2: line too long.\n"},
        {"begin environment\n# " + tenMegabytes + "\nend\n", "2: line too long.\n"},
        // a file of one huge line without a line feed
        {tenMegabytes, "1: line too long.\n"},
    };
    expectFails(cases, std::size(cases));

    // Just below the bound is an ordinary (if silly) line.
    const std::string comment = "#" + std::string(maxSceneLine - 1, 'x') + "\n";
    const Loaded r = load(comment + triangle());
    EXPECT_TRUE(r.ok) << r.err;
}

TEST(SceneReaderBadInput, DeeplyNestedExpression)
{
    const size_t depth = 100000;
    const std::string x = std::string(depth, '(') + "2*3" + std::string(depth, ')');
    const Loaded r = load("begin polygon_surface,3,3\nposition " + x + "," + std::string(depth, '(') +
                          "4\nposition 1,0,0\nposition 0,1,0\n" + triangleTail() + "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(std::vector<float>(r.vertices.begin(), r.vertices.begin() + 3), (std::vector<float>{6, 4, 0}));
}

TEST(SceneReaderBadInput, GarbageBytesStayInsideTheLine)
{
    // Zero bytes, high bytes and stray separators inside key lines.
    std::string text = "begin polygon_surface,3,3\n";
    text += std::string("position 1\0,2,3\n", 16);
    text += "position \xff\xfe,1,1\n";
    text += "position ,,,,,,,,\n";
    text += triangleTail() + "end\n";
    const Loaded r = load(text);
    EXPECT_TRUE(r.ok) << r.err;
    ASSERT_EQ(r.vertices.size(), 27u);
    // The zero byte ends the first expression like the end of the line; the
    // value after it is read as the next one.
    EXPECT_EQ(std::vector<float>(r.vertices.begin(), r.vertices.begin() + 3), (std::vector<float>{1, 0, 2}));
    EXPECT_NE(r.stderrText.find("-1 \n\xff: warning: invalid char detect.\n"), std::string::npos);
}

TEST(SceneReaderBadInput, EmptyPolygonCounts)
{
    const Loaded r = load("begin polygon_surface,0,0\nend\n");
    EXPECT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_TRUE(r.vertices.empty());
    EXPECT_TRUE(r.elements.empty());

    // Nothing can be stored into zero-sized arrays.
    const Loaded over = load("begin polygon_surface,0,0\nposition 1,2,3\nelement 0\n" + padding + "end\n");
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.err, "2: polygon vertex(0) >= 0 over.\n");
}

} // namespace
