// Scene text that is broken or hostile: each case fails the load with one
// clear line, or loads what it soundly can, and never reads past a line.
#include "scene_reader_load.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace scenetest;

// Enough bytes after a header for its counts to be plausible.
const std::string padding = std::string(400, '#') + "\n";

TEST(SceneReaderBadInput, HeaderCounts)
{
    std::vector<outcome_t> cases;
    const auto header = [&](const std::string& line, const char* text) {
        cases.push_back({line + "\n" + padding, false, "1: " + std::string(text) + ": " + line + "\n"});
    };
    const char* pexceed = "polygon counts exceed what the file holds";
    const char* nexceed = "nurbs counts exceed what the file holds";
    header("begin polygon_surface,2147483648,3", pexceed);
    header("begin polygon_surface,3,4294967295", pexceed);
    // a count above 32 bits reads as 4294967295, never as its low bits (3)
    header("begin polygon_surface,4294967299,0", pexceed);
    header("begin polygon_surface,3", "polygon header needs two counts");
    header("begin polygon_surface,", "polygon header needs two counts");
    header("begin polygon_surface,3,\r", "polygon header needs two counts");
    // numU x numV and the knot sizes would overflow 64 bits
    header("begin nurbs_surface,4294967295,4294967295,4294967295,4294967295", nexceed);
    header("begin nurbs_surface,-1,2,-1,2", nexceed);
    for (const char* orders : {"2,0,2,2", "2,2,2,0", "2,3,2,2", "2,2,2,3", "0,0,0,0"})
        header(std::string("begin nurbs_surface,") + orders, "nurbs order out of range");
    header("begin nurbs_surface,2,2,2", "nurbs header needs four counts");
    // no "," at all: refused without a message
    cases.push_back({"begin nurbs_surface\n" + padding, false, ""});
    expectOutcomes(cases);
}

TEST(SceneReaderBadInput, ResolutionBounds)
{
    // The bounds themselves load.
    std::vector<outcome_t> cases{{patch("resolution 2,2\n"), true, ""}, {patch("resolution 65535,2\n"), true, ""}};
    for (const char* line : {"resolution 0,33", "resolution 33,1", "resolution 1,1", "resolution 65536,65537",
                             "resolution 65535,65535", "resolution -1,2", "resolution 4294967298,4"})
        cases.push_back(
            {patch(std::string(line) + "\n"), false,
             "2: resolution out of range (2 to 65535 each, at most 4194304 vertices): " + std::string(line) + "\n"});
    expectOutcomes(cases);
}

TEST(SceneReaderBadInput, KeyLinesCutAfterASeparator)
{
    std::vector<outcome_t> cases;
    const auto cut = [](const std::string& line) { return "2: line ends after a separator: " + line + "\n"; };
    for (const char* line :
         {"position 1,2,", "position ", "position 1,2,\r", "color 1,2,3,", "fcolor 1,1,1, ", "texcoord 1,", "element ",
          "tangent 1,0,", "binormal ", "normal 0,0,", "mipmap ", "texfilter 1,", "texfilter 1,1,", "aniso "})
        cases.push_back({triangle(std::string(line) + "\n"), false, cut(line)});
    for (const char* line : {"knot1 ", "weight \r", "sphere 1,2,", "resolution 3,"})
        cases.push_back({patch(std::string(line) + "\n"), false, cut(line)});
    cases.push_back({"begin environment\nreflectalpha \nend\n", false, cut("reflectalpha ")});
    expectOutcomes(cases);
}

TEST(SceneReaderBadInput, LongLines)
{
    const std::string tenMegabytes(10u << 20, '7');
    expectOutcomes({
        {"# fine\n" + tenMegabytes + "\n", false, "2: line too long.\n"},
        {"begin polygon_surface,3,3\nposition " + tenMegabytes + "\n" + triangleBody() + "end\n", false,
         "2: line too long.\n"},
        {patch("knot1 " + tenMegabytes), false, "2: line too long.\n"},
        {"begin environment\n# " + tenMegabytes + "\nend\n", false, "2: line too long.\n"},
        // a file of one huge line without a line feed
        {tenMegabytes, false, "1: line too long.\n"},
    });
    // Just below the bound is an ordinary (if silly) line.
    const std::string comment = "#" + std::string(maxSceneLine - 1, 'x') + "\n";
    const Loaded r = load(comment + triangle());
    EXPECT_TRUE(r.ok) << r.err;
}

TEST(SceneReaderBadInput, EmptyPolygonCounts)
{
    const Loaded r = load("begin polygon_surface,0,0\nend\n");
    EXPECT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_TRUE(r.vertices.empty());

    // Nothing can be stored into zero-sized arrays.
    expectOutcomes({{"begin polygon_surface,0,0\nposition 1,2,3\nelement 0\n" + padding + "end\n", false,
                     "2: polygon vertex(0) >= 0 over.\n"}});
}

} // namespace
