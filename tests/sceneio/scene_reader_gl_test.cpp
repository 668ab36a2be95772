// Scene text files written to disk and read back through loadScene.
#include "sceneio/scene.h"

#include "scene_reader_load.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace scenetest;

TEST(SceneReader, TriangleLoads)
{
    const Loaded r = load(triangle());
    ASSERT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.models, 1u);
    EXPECT_EQ(r.kind, 0u);
    ASSERT_EQ(r.vertices.size(), 27u);
    // second vertex: position, default grey, texture coordinate 0,0
    const std::vector<float> v1(r.vertices.begin() + 9, r.vertices.begin() + 18);
    EXPECT_EQ(v1, (std::vector<float>{1, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}));
    EXPECT_EQ(r.elements, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(std::vector<float>(r.frames.begin(), r.frames.begin() + 9),
              (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(SceneReader, NotSetMessagesCarryLineCounterAndLine)
{
    // Every key without a blank, in a polygon section (lines 2 to 23).
    const char* polygonKeys[] = {"color",   "fcolor",     "texcoord",  "position",      "circle",        "sphere",
                                 "element", "tangent",    "binormal",  "normal",        "texture",       "texfilter",
                                 "mipmap",  "nearlinear", "maglinear", "refractfactor", "aniso",         "bumptex",
                                 "bumpmap", "bumpofs",    "bump2mono", "specular",      "mercatorsphere"};
    const char* polygonTexts[] = {
        "color parm is not set. ",    "fcolor parm is not set. ",        "texcoord parm is not set. ",
        "position parm is not set. ", "circle parm is not set. ",        "sphere parm is not set. ",
        "element parm is not set. ",  "tangent parm is not set. ",       "binormal parm is not set. ",
        "normal parm is not set. ",   "texture path is not set. ",       "texfilter is not set. ",
        "mipmap is not set. ",        "nearlinear is not set. ",         "maglinear is not set. ",
        "refractfactor is not set. ", "aniso parm is not set. ",         "bumpmap path is not set. ",
        "bumpmap path is not set. ",  "bumpofs parm is not set. ",       "bump2mono parm is not set. ",
        "specular path is not set. ", "mercatorsphere parm is not set. "};
    std::string extra, expected;
    for (size_t i = 0; i < std::size(polygonKeys); ++i) {
        extra += std::string(polygonKeys[i]) + "\n";
        expected += std::to_string(i + 2) + ": " + polygonTexts[i] + polygonKeys[i] + "\n";
    }
    // "resolution" is ignored in a polygon section, with or without values.
    const Loaded p = load(triangle(extra + "resolution\nresolution 9,9\n"));
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.err, expected);

    // The NURBS section's own keys and its wording of "mipmap".
    const char* nurbsKeys[] = {"resolution", "color",    "fcolor", "knot1",  "knot2",
                               "weight",     "position", "circle", "sphere", "mipmap"};
    const char* nurbsTexts[] = {"resolution parm is not set. ", "color parm is not set. ",  "fcolor parm is not set. ",
                                "knot1 parm is not set. ",      "knot2 parm is not set. ",  "weight parm is not set. ",
                                "position parm is not set. ",   "circle parm is not set. ", "sphere parm is not set. ",
                                "is_mipmap is not set. "};
    extra.clear();
    expected.clear();
    for (size_t i = 0; i < std::size(nurbsKeys); ++i) {
        extra += std::string(nurbsKeys[i]) + "\n";
        expected += std::to_string(i + 2) + ": " + nurbsTexts[i] + nurbsKeys[i] + "\n";
    }
    const Loaded n = load(patch(extra));
    EXPECT_TRUE(n.ok);
    EXPECT_EQ(n.err, expected);
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
                          "color 256,257,511,0\n" // low 8 bits: 0, 1, 255, 0
                          "position 2,0,0\n"
                          "fcolor 0.5*3,-1,2-2,0.25\n"
                          "position 3,0,0\n"
                          "element 0\nelement 1\nelement 2\n"
                          "tangent 1 0 0\ntangent 1 0 0\ntangent 1 0 0\ntangent 1 0 0\n"
                          "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
                          "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n"
                          "end\n");
    ASSERT_TRUE(r.ok) << r.err;
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
    // Blanks between reals read like separators.
    EXPECT_EQ(std::vector<float>(r.frames.begin() + 27, r.frames.begin() + 36),
              (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(SceneReader, BlanksInAnExpressionListSumIntoOneValue)
{
    // One expression: x = 1 + 2 + 3, y and z are missing and read as 0.
    const Loaded r =
        load("begin polygon_surface,3,3\nposition 1 2 3\nposition 1,0,0\nposition 0,1,0\n" + triangleTail() + "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(std::vector<float>(r.vertices.begin(), r.vertices.begin() + 3), (std::vector<float>{6, 0, 0}));
}

TEST(SceneReader, CircleAndSpherePointsInDegrees)
{
    const Loaded r = load("begin polygon_surface,3,3\n"
                          "circle 2,90,5\n"
                          "sphere 2,90,90\n"
                          "sphere 3,0,0\n"
                          "element 0\nelement 1\nelement 2\n"
                          "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\n"
                          "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
                          "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n"
                          "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    const float expected[3][3] = {{-2, 0, 5}, {-2, 0, 0}, {0, 0, 3}};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(r.vertices[9 * v + k], expected[v][k], 2e-5) << "vertex " << v;
}

TEST(SceneReader, PathsKeepBlanksAndDropOneCarriageReturn)
{
    const Loaded r = load(triangle("texture my maps/rock face.bmp\r\n"
                                   "bumpmap bump map.bmp\n"
                                   "specular spec.bmp\r\r\n"));
    EXPECT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.texture.colormap, "my maps/rock face.bmp");
    EXPECT_EQ(r.texture.bumpmap, "bump map.bmp");
    EXPECT_EQ(r.texture.specularmap, "spec.bmp\r");
    // The maps do not exist: the texture set says so on stderr, and the
    // surface still loads.
    EXPECT_NE(r.stderrText.find("rock face.bmp: color autoloadformat failed."), std::string::npos) << r.stderrText;
}

TEST(SceneReader, ElementMinusOneIsTheRestartIndex)
{
    const Loaded r = load("begin polygon_surface,3,4\n"
                          "position 0,0,0\nposition 1,0,0\nposition 0,1,0\n"
                          "element 0\nelement 1\nelement 2\nelement -1\n"
                          "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\n"
                          "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
                          "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n"
                          "end\n");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.elements, (std::vector<uint32_t>{0, 1, 2, R}));
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
    const Loaded r = load(triangle("aniso 2*4\nrefractfactor 1/4\nbumpofs 0\nbump2mono true\nmercatorsphere 1\n"));
    EXPECT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_FLOAT_EQ(r.texture.anisotropy, 8.0f);
    EXPECT_FLOAT_EQ(r.texture.refractfactor, 0.25f);
    EXPECT_FALSE(r.texture.bumpofs);
    EXPECT_TRUE(r.texture.bump2mono);
    EXPECT_TRUE(r.texture.mercatorsphere);
}

TEST(SceneReader, SectionEnds)
{
    // "end" as the last line, without a line feed.
    std::string noFeed = triangle();
    noFeed.pop_back();
    const Loaded last = load(noFeed);
    EXPECT_TRUE(last.ok) << last.err;
    EXPECT_EQ(last.elements, (std::vector<uint32_t>{0, 1, 2}));

    // A polygon section without "end" fails, silently.
    const Loaded open = load("begin polygon_surface,3,3\n" + triangleBody());
    EXPECT_FALSE(open.ok);
    EXPECT_EQ(open.err, "");
    EXPECT_EQ(open.models, 1u); // the record stays for the caller to destroy

    // A header without "," fails silently, but the record exists.
    const Loaded noComma = load("begin polygon_surface 3 3\n" + triangleBody() + "end\n");
    EXPECT_FALSE(noComma.ok);
    EXPECT_EQ(noComma.err, "");
    EXPECT_EQ(noComma.models, 1u);
}

TEST(SceneReader, ShortAndOverfullPolygonArrays)
{
    struct array_case {
        std::string text;
        const char* err;
    };
    const std::string frames = "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\n"
                               "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
                               "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n";
    const array_case cases[] = {
        // one of each too few, reported in order at the "end" line (13)
        {"begin polygon_surface,3,3\nposition 0,0,0\nposition 0,0,0\nelement 0\nelement 1\n"
         "tangent 1,0,0\ntangent 1,0,0\nbinormal 0,1,0\nbinormal 0,1,0\nnormal 0,0,1\nnormal 0,0,1\n"
         "# padding the file so that its counts fit\nend\n",
         "13: vertex(2) < 3: too few vertex.\n13: element(2) < 3: too few element.\n"
         "13: tangent(2) < 3: too few tangent.\n13: binormal(2) < 3: too few binormal.\n"
         "13: normal(2) < 3: too few normal.\n"},
        {"begin polygon_surface,3,3\n" + triangleBody() + "position 0,0,0\nend\n",
         "17: polygon vertex(3) >= 3 over.\n"},
        {"begin polygon_surface,3,3\n" + triangleBody() + "element 0\nend\n", "17: polygon element(3) >= 3 over.\n"},
        {"begin polygon_surface,3,3\n" + triangleBody() + "tangent 0,0,0\nend\n",
         "17: polygon tangent(3) >= 3 over.\n"},
        {"begin polygon_surface,3,3\n" + triangleBody() + "binormal 0,0,0\nend\n",
         "17: polygon binormal(3) >= 3 over.\n"},
        {"begin polygon_surface,3,3\n" + triangleBody() + "normal\nend\n", "17: polygon normal(3) >= 3 over.\n"},
    };
    for (const array_case& c : cases) {
        SCOPED_TRACE(c.text);
        const Loaded r = load(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, c.err);
    }
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
    const float* last = &r.vertices[r.vertices.size() - 9];
    EXPECT_NEAR(last[0], 1.0f, 2e-5);
    EXPECT_NEAR(last[1], 1.0f, 2e-5);
    EXPECT_NEAR(last[3], 1.0f, 2e-5);
    EXPECT_NEAR(last[4], 0.0f, 2e-5);
    EXPECT_EQ(r.knotsU, (std::vector<float>{0, 0, 1, 1, 0, 0, 1, 1}));
}

TEST(SceneReader, NurbsKnotCounts)
{
    // One knot too many stops at the ninth "knot1" (line 10).
    const Loaded many = load(patch("", 9));
    EXPECT_FALSE(many.ok);
    EXPECT_EQ(many.err, "10: nurbs knots1(8) >= 8 over.\n");

    // One too few: reported at "end" (line 25), built, and the load fails.
    const Loaded few = load(patch("", 7));
    EXPECT_FALSE(few.ok);
    EXPECT_EQ(few.err, "25: knot1(7) < 8: too few knots.\n");
    EXPECT_EQ(few.vertices.size(), 33u * 33u * 9u);

    // Every short array is reported, in order.
    const Loaded empty =
        load("begin nurbs_surface,2,2,2,2\n" + std::string(200, '#') + "\n" + std::string(20, '\n') + "end\n");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.err, "23: knot1(0) < 8: too few knots.\n23: knot2(0) < 8: too few knots.\n"
                         "23: weight(0) < 4: too few weights.\n23: point(0) < 4: too few points.\n");
}

TEST(SceneReader, EmptyAndCommentOnlyFilesFail)
{
    const char* texts[] = {"", "# only a comment\n", "\n\n\r\n", "hello\n"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        const Loaded r = load(t);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.models, 0u);
    }
}

TEST(SceneReader, EnvironmentOnlyFileLoadsWithoutModels)
{
    const Loaded r = load("begin environment\n"
                          "reflectalpha 0.5\n"
                          "refractalpha 1/4\n"
                          "refractfactor 1.5\n"
                          "reflectalpha\n" // no value: reported, nothing changes
                          "end\n");
    EXPECT_TRUE(r.ok) << r.err << r.stderrText;
    EXPECT_EQ(r.models, 0u);
    EXPECT_EQ(r.err, "5: illegal command: reflectalpha\n");
    EXPECT_FLOAT_EQ(r.environment.reflectalpha, 0.5f);
    EXPECT_FLOAT_EQ(r.environment.refractalpha, 0.25f);
    EXPECT_FLOAT_EQ(r.environment.refractfactor, 1.5f);
    EXPECT_EQ(r.environment.name, "");

    // A named cube map whose faces are missing fails the section.
    const Loaded missing = load("begin environment\ncubetex no sky.bmp\r\nend\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.err, "environment.initex() failed.\n");
    EXPECT_EQ(missing.environment.name, "no sky.bmp");
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
    EXPECT_EQ(stl.models, 1u);
    EXPECT_EQ(stl.vertices.size(), 27u);

    const char* refused[] = {"scene.obj", "vyk", "a.vy"};
    for (const char* name : refused) {
        const Loaded r = load(triangle(), name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, "file extension not recognized.\n") << name;
        EXPECT_EQ(r.models, 0u);
    }

    const Loaded none = loadFile("/nonexistent/dir/x.vyk");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.err, "/nonexistent/dir/x.vyk: file open error.\n");
}

TEST(SceneReader, ManySectionsInOneFile)
{
    const Loaded r = load("begin environment\nend\n" + triangle() + patch() + triangle());
    EXPECT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.models, 3u);
    EXPECT_EQ(r.kind, 0u);
}

} // namespace
