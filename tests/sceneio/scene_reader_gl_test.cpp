// Scene text files written to disk and read back through loadScene.
#include "sceneio/scene.h"

#include "scene_reader_load.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace scenetest;

TEST(SceneReader, NotSetMessagesCarryLineCounterAndLine)
{
    // Each key alone on its line, from line 2 on, gives "<n>: <name> is not
    // set. <key>". The tables hold pairs of key and name.
    const auto keyLines = [](const std::vector<const char*>& pairs, std::string& expected) {
        std::string lines;
        for (size_t i = 0; i < pairs.size(); i += 2) {
            lines += std::string(pairs[i]) + "\n";
            expected += std::to_string(i / 2 + 2) + ": " + pairs[i + 1] + " is not set. " + pairs[i] + "\n";
        }
        return lines;
    };
    std::string polygonExpected, nurbsExpected;
    const std::string polygonLines = keyLines(
        {// the polygon section's keys in their order
         "color",         "color parm",    "fcolor",         "fcolor parm",        "texcoord",  "texcoord parm",
         "position",      "position parm", "circle",         "circle parm",        "sphere",    "sphere parm",
         "element",       "element parm",  "tangent",        "tangent parm",       "binormal",  "binormal parm",
         "normal",        "normal parm",   "texture",        "texture path",       "texfilter", "texfilter",
         "mipmap",        "mipmap",        "nearlinear",     "nearlinear",         "maglinear", "maglinear",
         "refractfactor", "refractfactor", "aniso",          "aniso parm",         "bumptex",   "bumpmap path",
         "bumpmap",       "bumpmap path",  "bumpofs",        "bumpofs parm",       "bump2mono", "bump2mono parm",
         "specular",      "specular path", "mercatorsphere", "mercatorsphere parm"},
        polygonExpected);
    // "resolution" is ignored in a polygon section, with or without values.
    const Loaded p = load(triangle(polygonLines + "resolution\nresolution 9,9\n"));
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.err, polygonExpected);

    const std::string nurbsLines = keyLines(
        {// the NURBS section's own keys and its wording of "mipmap"
         "resolution", "resolution parm", "color",      "color parm",  "fcolor",      "fcolor parm", "knot1",
         "knot1 parm", "knot2",           "knot2 parm", "weight",      "weight parm", "position",    "position parm",
         "circle",     "circle parm",     "sphere",     "sphere parm", "mipmap",      "is_mipmap"},
        nurbsExpected);
    const Loaded n = load(patch(nurbsLines));
    EXPECT_TRUE(n.ok);
    EXPECT_EQ(n.err, nurbsExpected);
}

TEST(SceneReader, UnknownLinesIllegalCommandsAndSectionEnds)
{
    // Top level: unknown lines are reported without a counter; comments,
    // empty lines and a lone carriage return are ignored.
    const std::string text = "# comment\n"
                             "hello\n"
                             "\n"
                             "\r\n"
                             "begin polygon_surface,3,3\n" // line 5
                             "# inside\n"
                             " end\n"           // line 7: not an end
                             "bogus 1\n"        // line 8
                             "Position 1,2,3\n" // line 9: case counts
                             + triangleBody() + // lines 10 to 24
                             "endless\n"        // line 25 ends it
                             "after\n";
    const Loaded r = load(text);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.err, "unknown line: hello\n"
                     "7: illegal command:  end\n"
                     "8: illegal command: bogus 1\n"
                     "9: illegal command: Position 1,2,3\n"
                     "unknown line: after\n");
}

TEST(SceneReader, ColoursAndTextureCoordinatesAreStates)
{
    const Loaded r = load("begin polygon_surface,4,3\n"
                          "position 9,9,9\n" // default grey
                          "color 255,128,0,255\n"
                          "texcoord 0.25,1/2\n"
                          "position 1,0,0\n"
                          "color 256 257 511 0\n" // low 8 bits: 0, 1, 255, 0; blanks end integers
                          "position 2,0,0\n"
                          "fcolor 0.5*3,-1,2-2,0.25\n"
                          "position 3,0,0\n"
                          "element 0\nelement -1\nelement 0x2\n" +
                          frames(4) + "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.kind, 0u);
    ASSERT_EQ(r.vertices.size(), 36u);
    const float expected[4][9] = {
        {9, 9, 9, 0.5f, 0.5f, 0.5f, 1, 0, 0},
        {1, 0, 0, 1, 128.0f / 255, 0, 1, 0.25f, 0.5f},
        {2, 0, 0, 0, 1.0f / 255, 1, 0, 0.25f, 0.5f},
        {3, 0, 0, 1.5f, -1, 0, 0.25f, 0.25f, 0.5f},
    };
    for (int v = 0; v < 4; ++v)
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(r.vertices[9 * v + k], expected[v][k], 2e-5) << "vertex " << v << " float " << k;
    // "element -1" is the restart index; integers take "0x" hexadecimal.
    EXPECT_EQ(r.elements, (std::vector<uint32_t>{0, R, 2}));
    EXPECT_EQ(std::vector<float>(r.frames.begin() + 27, r.frames.end()),
              (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(SceneReader, VertexLines)
{
    struct vertex_case {
        std::string line;
        float x, y, z;
        const char* stderrText; // the evaluator's warnings
    };
    const size_t depth = 100000;
    std::string products;
    for (size_t k = 0; k < depth; ++k)
        products += "1*(";
    const vertex_case cases[] = {
        // blanks inside an expression list: one expression, x = 1 + 2 + 3
        {"position 1 2 3", 6, 0, 0, ""},
        // a list that stops early reads its missing values as 0
        {"position 1,2", 1, 2, 0, ""},
        // angles in degrees
        {"circle 2,90,5", -2, 0, 5, ""},
        {"sphere 2,90,90", -2, 0, 0, ""},
        {"sphere 3,0,0", 0, 0, 3, ""},
        // any depth of parentheses, closed, left open and as the operand of "*"
        {"position " + std::string(depth, '(') + "2*3" + std::string(depth, ')') + "," + products + "3," +
             std::string(depth, '(') + "4",
         6, 3, 4, ""},
        // a zero byte ends an expression like the end of the line
        {std::string("position 1\0,2,3", 15), 1, 0, 2, ""},
        // an invalid byte ends it where it stands; the next value starts after it
        {"position \xff\xfe,1,1", 0, 0, 0,
         "-1 \n\xff: warning: invalid char detect.\n-2 \n\xfe: warning: invalid char detect.\n"},
    };
    for (const vertex_case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        const Loaded r = load("begin polygon_surface,1,0\n" + c.line + "\n" + frames(1) + "end\n");
        ASSERT_TRUE(r.ok) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.stderrText, c.stderrText);
        ASSERT_EQ(r.vertices.size(), 9u);
        EXPECT_NEAR(r.vertices[0], c.x, 2e-5);
        EXPECT_NEAR(r.vertices[1], c.y, 2e-5);
        EXPECT_NEAR(r.vertices[2], c.z, 2e-5);
    }
}

TEST(SceneReader, TextureKeys)
{
    struct texture_case {
        const char* lines;
        bool mipmap, nearlinear, maglinear;
        const char* err;
    };
    const texture_case cases[] = {
        {"texfilter true,0,1\n", true, false, true, ""},
        {"texfilter 0,true,0\n", false, true, false, ""},
        {"texfilter false\n", false, true, true, "2: nearlinear is not set. texfilter false\n"},
        {"texfilter 0,0\n", false, false, true, "2: maglinear is not set. texfilter 0,0\n"},
        {"mipmap 0\nnearlinear false\nmaglinear 2\n", false, false, true, ""},
        {"mipmap 0\nmipmap true\n", true, true, true, ""}, // the last one wins
        {"mipmap 0\nmipmap 4294967296\n", true, true, true, ""},
    };
    for (const texture_case& c : cases) {
        SCOPED_TRACE(c.lines);
        const Loaded r = load(triangle(c.lines));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.texture.mipmap, c.mipmap);
        EXPECT_EQ(r.texture.nearlinear, c.nearlinear);
        EXPECT_EQ(r.texture.maglinear, c.maglinear);
        EXPECT_EQ(r.err, c.err);
    }
    // Paths keep their blanks and lose one carriage return at the end.
    const Loaded r = load(triangle("texture my maps/rock face.bmp\r\nbumptex bump map.bmp\nspecular spec.bmp\r\r\n"
                                   "aniso 2*4\nrefractfactor 1/4\nbumpofs 0\nbump2mono true\nmercatorsphere 1\n"));
    EXPECT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.texture.colormap, "my maps/rock face.bmp");
    EXPECT_EQ(r.texture.bumpmap, "bump map.bmp");
    EXPECT_EQ(r.texture.specularmap, "spec.bmp\r");
    EXPECT_FLOAT_EQ(r.texture.anisotropy, 8.0f);
    EXPECT_FLOAT_EQ(r.texture.refractfactor, 0.25f);
    EXPECT_FALSE(r.texture.bumpofs);
    EXPECT_TRUE(r.texture.bump2mono);
    EXPECT_TRUE(r.texture.mercatorsphere);
    // The maps do not exist: the texture set, opened with the scene file,
    // says so on stderr, and the surface still loads.
    EXPECT_NE(r.stderrText.find("rock face.bmp: color autoloadformat failed."), std::string::npos) << r.stderrText;
}

TEST(SceneReader, SectionEndsAndArrayCounts)
{
    std::string noFeed = triangle();
    noFeed.pop_back();
    const std::string full = "begin polygon_surface,3,3\n" + triangleBody();
    expectOutcomes({
        // "end" as the last line, without a line feed
        {noFeed, true, ""},
        // a polygon section without "end", or a header without ",", fails silently
        {full, false, ""},
        {"begin polygon_surface 3 3\n" + triangleBody() + "end\n", false, ""},
        // no section at all
        {"", false, ""},
        {"# only a comment\n\n\r\n", false, ""},
        {"hello\n", false, "unknown line: hello\n"},
        // one of each too few, reported in order at the "end" line (13)
        {"begin polygon_surface,3,3\nposition 0,0,0\nposition 0,0,0\nelement 0\nelement 1\n" + frames(2) +
             "# padding the file so that its counts fit\nend\n",
         false,
         "13: vertex(2) < 3: too few vertex.\n13: element(2) < 3: too few element.\n"
         "13: tangent(2) < 3: too few tangent.\n13: binormal(2) < 3: too few binormal.\n"
         "13: normal(2) < 3: too few normal.\n"},
        // the overflow check comes before the check for a value
        {full + "position 0,0,0\nend\n", false, "17: polygon vertex(3) >= 3 over.\n"},
        {full + "element 0\nend\n", false, "17: polygon element(3) >= 3 over.\n"},
        {full + "tangent 0,0,0\nend\n", false, "17: polygon tangent(3) >= 3 over.\n"},
        {full + "binormal 0,0,0\nend\n", false, "17: polygon binormal(3) >= 3 over.\n"},
        {full + "normal\nend\n", false, "17: polygon normal(3) >= 3 over.\n"},
        // one knot too many stops at the ninth "knot1" (line 10)
        {patch("", 9), false, "10: nurbs knots1(8) >= 8 over.\n"},
        // every short NURBS array is reported, in order
        {"begin nurbs_surface,2,2,2,2\n" + std::string(200, '#') + "\n" + std::string(20, '\n') + "end\n", false,
         "23: knot1(0) < 8: too few knots.\n23: knot2(0) < 8: too few knots.\n"
         "23: weight(0) < 4: too few weights.\n23: point(0) < 4: too few points.\n"},
    });

    // One knot too few: reported at "end" (line 25), built, and the load
    // fails; the record stays for the caller to destroy.
    const Loaded few = load(patch("", 7));
    EXPECT_FALSE(few.ok);
    EXPECT_EQ(few.err, "25: knot1(7) < 8: too few knots.\n");
    EXPECT_EQ(few.models, 1u);
    EXPECT_EQ(few.vertices.size(), 33u * 33u * 9u);
}

TEST(SceneReader, NurbsPatch)
{
    const Loaded r = load(patch("resolution 65,17\ncolor 255,0,0,255\n"));
    ASSERT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.kind, 1u);
    EXPECT_EQ(r.resU, 65u);
    EXPECT_EQ(r.resV, 17u);
    ASSERT_EQ(r.vertices.size(), 65u * 17u * 9u);
    // The last grid vertex is the corner (1, 1), red.
    const std::vector<float> last(r.vertices.end() - 9, r.vertices.end() - 5);
    EXPECT_EQ(last, (std::vector<float>{1, 1, 0, 1}));
}

TEST(SceneReader, EnvironmentSections)
{
    const Loaded r = load("begin environment\n"
                          "reflectalpha 0.5\n"
                          "refractalpha 1/4\n"
                          "refractfactor 1.5\n"
                          "reflectalpha\n" // no value: reported, nothing changes
                          "end\n");
    EXPECT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_EQ(r.models, 0u); // an environment alone is a scene
    EXPECT_EQ(r.err, "5: illegal command: reflectalpha\n");
    EXPECT_FLOAT_EQ(r.environment.reflectalpha, 0.5f);
    EXPECT_FLOAT_EQ(r.environment.refractalpha, 0.25f);
    EXPECT_FLOAT_EQ(r.environment.refractfactor, 1.5f);

    // A named cube map whose faces are missing fails the section.
    const Loaded missing = load("begin environment\ncubetex no sky.bmp\r\nend\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.err, "environment.initex() failed.\n");
    EXPECT_EQ(missing.environment.name, "no sky.bmp");

    const Loaded many = load("begin environment\nend\n" + triangle() + patch() + triangle());
    EXPECT_TRUE(many.ok) << many.err;
    EXPECT_EQ(many.models, 3u);
}

TEST(SceneReader, FileNamesAndExtensions)
{
    const Loaded upper = load(triangle(), "SCENE.VYK");
    EXPECT_TRUE(upper.ok) << upper.err;

    // ".STL" goes to the STL reader: a one-facet text file.
    const Loaded stl = load("solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                            "endloop\nendfacet\nendsolid t\n",
                            "MESH.STL");
    EXPECT_TRUE(stl.ok) << stl.stderrText;
    EXPECT_EQ(stl.vertices.size(), 27u);

    for (const char* name : {"scene.obj", "vyk", "a.vy"}) {
        const Loaded r = load(triangle(), name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, "file extension not recognized.\n") << name;
        EXPECT_EQ(r.models, 0u);
    }

    const Loaded none = loadFile("/nonexistent/dir/x.vyk");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.err, "/nonexistent/dir/x.vyk: file open error.\n");
}

} // namespace
