// Scene text files written to disk and read back through loadScene: values,
// messages and counts, and broken or hostile input, which fails the load
// with one clear line or loads what it soundly can, never reading past a line.
#include "sceneio/scene.h"

#include "gl/scoped_map.h"
#include "model/frame_pass.h"
#include "support/gl_context.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{

// One load: its result, the reader's messages (err) and what went to stderr
// (evaluator and texture messages), with the first model read back from GL.
struct Loaded {
    bool ok = false;
    std::string err, stderrText;
    size_t models = 0;
    uint32_t kind = 99, resU = 0, resV = 0;
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
    vyk3d::texture_t texture;
    vyk3d::environment_t environment;
};

template <class T, class Array> std::vector<T> readBack(Array& array, size_t perRecord)
{
    if (array.count() == 0)
        return {};
    vyk3d::scoped_map_t<T> map(array, GL_MAP_READ_BIT);
    return std::vector<T>(map.get(), map.get() + array.count() * perRecord);
}

Loaded loadFile(const std::string& path)
{
    static vyk3d::frame_pass_t* renderer = [] {
        vyktest::glContext();
        vyk3d::frame_pass_t* r = new vyk3d::frame_pass_t;
        r->init("");
        return r;
    }();
    Loaded r;
    scene_t scene;
    std::ostringstream err;
    testing::internal::CaptureStderr();
    r.ok = loadScene(scene, path, *renderer, err);
    r.stderrText = testing::internal::GetCapturedStderr();
    r.err = err.str();
    r.models = scene.models.size();
    r.environment = scene.environment;
    if (!scene.models.empty()) {
        model_t& m = *scene.models.front();
        r.kind = m.kind;
        r.texture = m.texture;
        r.resU = m.nurbs.resU;
        r.resV = m.nurbs.resV;
        r.vertices = readBack<float>(m.polygon.vertices, 9);
        r.frames = readBack<float>(m.polygon.normals, 9);
        r.elements = readBack<uint32_t>(m.polygon.elements, 1);
    }
    scene.destroyModels();
    return r;
}

Loaded load(const std::string& text, const std::string& name = "scene.vyk")
{
    vyktest::TempDir dir;
    return loadFile(dir.write(name, text));
}

// A load's result and the reader's messages, exactly.
struct outcome_t {
    std::string text;
    bool ok;
    std::string err;
    std::string name = "scene.vyk";
};

void expectOutcomes(const std::vector<outcome_t>& cases)
{
    for (const outcome_t& c : cases) {
        SCOPED_TRACE(c.name + ": " + c.text.substr(0, 200));
        const Loaded r = load(c.text, c.name);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.err, c.err);
    }
}

// Unit tangent frames for n vertices, all tangents first; the tangents'
// numbers are separated by blanks, which reals allow.
std::string frames(int n)
{
    std::string s;
    for (const char* part : {"tangent 1 0 0\n", "binormal 0,1,0\n", "normal 0,0,1\n"})
        for (int i = 0; i < n; ++i)
            s += part;
    return s;
}

// A triangle, lines 2 to 16 after its header: three positions, three
// elements, three tangents, binormals and normals.
std::string triangleBody()
{
    return "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nelement 0\nelement 1\nelement 2\n" + frames(3);
}

std::string triangle(const std::string& extra = "")
{
    return "begin polygon_surface,3,3\n" + extra + triangleBody() + "end\n";
}

// A bilinear 2 x 2 patch of order 2, lines 2 to 25 after its header: eight
// knots in each direction, four weights, four corners.
std::string patch(const std::string& extra = "", int knot1Count = 8)
{
    std::string s = "begin nurbs_surface,2,2,2,2\n" + extra;
    for (int i = 0; i < knot1Count; ++i)
        s += i % 4 < 2 ? "knot1 0\n" : "knot1 1\n";
    s += "knot2 0\nknot2 0\nknot2 1\nknot2 1\nknot2 0\nknot2 0\nknot2 1\nknot2 1\n";
    s += "weight 1\nweight 1\nweight 1\nweight 1\n";
    return s + "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nposition 1,1,0\nend\n";
}

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

TEST(SceneReader, VertexLines)
{
    // Lines that make the one vertex of a section, and the vertex they give:
    // position, colour, texture coordinate.
    struct vertex_case {
        std::string lines;
        std::vector<float> vertex;
        std::string stderrText = ""; // the evaluator's warnings
    };
    const auto grey = [](float x, float y, float z) { return std::vector<float>{x, y, z, 0.5f, 0.5f, 0.5f, 1, 0, 0}; };
    const std::string deep(100000, '(');
    const vertex_case cases[] = {
        // colour and texture coordinate hold for the vertices that follow
        {"color 255,128,0,255\ntexcoord 0.25,1/2\nposition 1,0,0\ncolor 0,0,0,0\ntexcoord 1,1",
         {1, 0, 0, 1, 128.0f / 255, 0, 1, 0.25f, 0.5f}},
        // only the low 8 bits of an integer count; blanks end integers; base 0
        {"color 256 257 0x1FF 0\nposition 2,0,0", {2, 0, 0, 0, 1.0f / 255, 1, 0, 0, 0}},
        {"fcolor 0.5*3,-1,2-2,0.25\nposition 3,0,0", {3, 0, 0, 1.5f, -1, 0, 0.25f, 0, 0}},
        // blanks inside an expression list: one expression, x = 1 + 2 + 3
        {"position 1 2 3", grey(6, 0, 0)},
        // a list that stops early reads its missing values as 0
        {"position 1,2", grey(1, 2, 0)},
        // angles in degrees, turned into float radians before sine and cosine
        // are taken in float: cos(90 degrees) is -4.37113883e-08
        {"circle 2,90,5", grey(-2, -8.74227766e-08f, 5)},
        {"sphere 2,90,90", grey(-2, -8.74227766e-08f, -8.74227766e-08f)},
        {"sphere 3,0,0", grey(0, 0, 3)},
        // any depth of parentheses, closed or left open
        {"position " + deep + "2*3" + std::string(deep.size(), ')') + "," + deep + "3,4", grey(6, 3, 4)},
        // a zero byte ends an expression like the end of the line
        {std::string("position 1\0,2,3", 15), grey(1, 0, 2)},
        // an invalid byte ends it where it stands; the next value starts after it
        {"position \xff\xfe,1,1", grey(0, 0, 0),
         "-1 \n\xff: warning: invalid char detect.\n-2 \n\xfe: warning: invalid char detect.\n"},
    };
    for (const vertex_case& c : cases) {
        SCOPED_TRACE(c.lines.substr(0, 60));
        const Loaded r = load("begin polygon_surface,1,1\n" + c.lines + "\nelement -1\n" + frames(1) + "end\n");
        ASSERT_TRUE(r.ok) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.stderrText, c.stderrText);
        ASSERT_EQ(r.vertices.size(), 9u);
        for (int k = 0; k < 9; ++k)
            EXPECT_FLOAT_EQ(r.vertices[k], c.vertex[k]) << "float " << k;
        // "element -1" is the restart index; blanks between reals read like separators
        EXPECT_EQ(r.elements, (std::vector<uint32_t>{0xFFFFFFFFu}));
        EXPECT_EQ(r.frames, (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    }
}

TEST(SceneReader, TextureKeys)
{
    struct texture_case {
        const char* lines;
        const char* flags; // mipmap, nearlinear, maglinear
        const char* err;
    };
    const texture_case cases[] = {
        {"texfilter true,0,1\n", "101", ""},
        {"texfilter false\n", "011", "2: nearlinear is not set. texfilter false\n"},
        {"texfilter 0,0\n", "001", "2: maglinear is not set. texfilter 0,0\n"},
        {"mipmap 0\nnearlinear false\nmaglinear 2\n", "001", ""},
        // the last one wins; an integer above 32 bits reads as 4294967295
        {"mipmap 0\nmipmap 4294967296\n", "111", ""},
    };
    for (const texture_case& c : cases) {
        SCOPED_TRACE(c.lines);
        const Loaded r = load(triangle(c.lines));
        EXPECT_TRUE(r.ok);
        const char flags[] = {"01"[r.texture.mipmap], "01"[r.texture.nearlinear], "01"[r.texture.maglinear], 0};
        EXPECT_STREQ(flags, c.flags);
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
    const std::string full = "begin polygon_surface,3,3\n" + triangleBody();
    expectOutcomes({
        // unknown lines at the top level have no counter; comments, empty lines
        // and a lone carriage return are ignored, also in a section (line 5);
        // " end" (7) is no end and case counts (9); "endless" (25) is an end
        {"# comment\nhello\n\n\r\nbegin polygon_surface,3,3\n# inside\n end\nbogus 1\nPosition 1,2,3\n" +
             triangleBody() + "endless\nafter\n",
         true,
         "unknown line: hello\n7: illegal command:  end\n8: illegal command: bogus 1\n"
         "9: illegal command: Position 1,2,3\nunknown line: after\n"},
        // "end" as the last line, without a line feed
        {triangle().substr(0, triangle().size() - 1), true, ""},
        // a polygon section without "end", or a header without ",", fails silently
        {full, false, ""},
        {"begin polygon_surface 3 3\n" + triangleBody() + "end\n", false, ""},
        // no section at all, as in an empty file
        {"", false, ""},
        {"# only a comment\n\n\r\n", false, ""},
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
    EXPECT_EQ(std::vector<float>(r.vertices.end() - 9, r.vertices.end() - 5), (std::vector<float>{1, 1, 0, 1}));
}

TEST(SceneReader, EnvironmentSections)
{
    // A line without a value is reported and changes nothing.
    const Loaded r =
        load("begin environment\nreflectalpha 0.5\nrefractalpha 1/4\nrefractfactor 1.5\nreflectalpha\nend\n");
    EXPECT_TRUE(r.ok) << r.err << r.stderrText; // an environment alone is a scene
    EXPECT_EQ(r.err, "5: illegal command: reflectalpha\n");
    EXPECT_FLOAT_EQ(r.environment.reflectalpha, 0.5f);
    EXPECT_FLOAT_EQ(r.environment.refractalpha, 0.25f);
    EXPECT_FLOAT_EQ(r.environment.refractfactor, 1.5f);

    // A named cube map whose faces are missing fails the section.
    const Loaded missing = load("begin environment\ncubemap no sky.bmp\r\nend\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.err, "environment.initex() failed.\n");
    EXPECT_EQ(missing.environment.name, "no sky.bmp");

    const Loaded many = load("begin environment\nend\n" + triangle() + patch() + triangle());
    EXPECT_TRUE(many.ok) << many.err;
    EXPECT_EQ(many.models, 3u);
}

TEST(SceneReader, FileNamesAndExtensions)
{
    const char* refused = "file extension not recognized.\n";
    expectOutcomes({
        {triangle(), true, "", "SCENE.VYK"},
        // the STL reader: a one-facet text file
        {"solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
         "endsolid t\n",
         true, "", "MESH.STL"},
        {triangle(), false, refused, "scene.fbx"},
        {triangle(), false, refused, "vyk"},
        {triangle(), false, refused, "a.vy"},
    });
    const Loaded none = loadFile("/nonexistent/dir/x.vyk");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.err, "/nonexistent/dir/x.vyk: file open error.\n");
}

// Enough bytes after a header for its counts to be plausible.
const std::string padding = std::string(400, '#') + "\n";

// Broken and hostile input: each case fails the load with one clear line
// about the line it names, or loads where it soundly can.
TEST(SceneReaderBadInput, FailsWithOneLine)
{
    std::vector<outcome_t> cases;
    const auto fails = [&](const std::string& text, const std::string& message, const std::string& line) {
        cases.push_back({text, false, message + line + "\n"});
    };
    // header counts
    const auto header = [&](const std::string& line, const char* text) {
        fails(line + "\n" + padding, "1: " + std::string(text) + ": ", line);
    };
    const char* pexceed = "polygon counts exceed what the file holds";
    const char* nexceed = "nurbs counts exceed what the file holds";
    header("begin polygon_surface,2147483648,3", pexceed);
    header("begin polygon_surface,3,4294967295", pexceed);
    // a count above 32 bits reads as 4294967295, never as its low bits (3)
    header("begin polygon_surface,4294967299,0", pexceed);
    header("begin polygon_surface,3", "polygon header needs two counts");
    header("begin polygon_surface,3,\r", "polygon header needs two counts");
    // numU x numV and the knot sizes would overflow 64 bits
    header("begin nurbs_surface,4294967295,4294967295,4294967295,4294967295", nexceed);
    header("begin nurbs_surface,-1,2,-1,2", nexceed);
    for (const char* orders : {"2,0,2,2", "2,2,2,0", "2,3,2,2", "2,2,2,3", "0,0,0,0"})
        header(std::string("begin nurbs_surface,") + orders, "nurbs order out of range");
    header("begin nurbs_surface,2,2,2", "nurbs header needs four counts");
    // no "," at all: refused without a message
    cases.push_back({"begin nurbs_surface\n" + padding, false, ""});
    // zero counts load, and nothing can be stored into their arrays
    cases.push_back({"begin polygon_surface,0,0\nend\n", true, ""});
    fails("begin polygon_surface,0,0\nposition 1,2,3\n" + padding + "end\n", "2: polygon vertex(0) >= 0 over.", "");

    // resolutions from 2 to 65535 each, at most 4194304 vertices
    cases.push_back({patch("resolution 2,2\n"), true, ""});
    cases.push_back({patch("resolution 65535,2\n"), true, ""});
    for (const char* line : {"resolution 0,33", "resolution 33,1", "resolution 1,1", "resolution 65536,65537",
                             "resolution 65535,65535", "resolution -1,2", "resolution 4294967298,4"})
        fails(patch(std::string(line) + "\n"),
              "2: resolution out of range (2 to 65535 each, at most 4194304 vertices): ", line);

    // key lines cut right after a separator
    const char* cut = "2: line ends after a separator: ";
    for (const char* line :
         {"position 1,2,", "position ", "position 1,2,\r", "color 1,2,3,", "fcolor 1,1,1, ", "texcoord 1,", "element ",
          "tangent 1,0,", "binormal ", "normal 0,0,", "mipmap ", "texfilter 1,", "texfilter 1,1,", "aniso "})
        fails(triangle(std::string(line) + "\n"), cut, line);
    for (const char* line : {"knot1 ", "weight \r", "sphere 1,2,", "resolution 3,"})
        fails(patch(std::string(line) + "\n"), cut, line);
    fails("begin environment\nreflectalpha \nend\n", cut, "reflectalpha ");

    // lines of 10 MB, at the top level and in each section, and a file of
    // one such line without a line feed; just below the bound is a line
    const std::string tenMegabytes(10u << 20, '7');
    fails("# fine\n" + tenMegabytes + "\n", "2: line too long.", "");
    fails("begin polygon_surface,3,3\nposition " + tenMegabytes + "\n" + triangleBody() + "end\n", "2: line too long.",
          "");
    fails(patch("knot1 " + tenMegabytes), "2: line too long.", "");
    fails("begin environment\n# " + tenMegabytes + "\nend\n", "2: line too long.", "");
    fails(tenMegabytes, "1: line too long.", "");
    cases.push_back({"#" + std::string(maxSceneLine - 1, 'x') + "\n" + triangle(), true, ""});
    expectOutcomes(cases);
}

// The viewer started on hostile scene files, as a user would: each ends with
// the reader's own line, then "<file>: load error.", and status 1.
TEST(SceneReaderViewer, HostileFilesEndTheViewerWithStatusOne)
{
    struct viewer_case {
        std::string text;
        std::string message; // the reader's line before the load error
    };
    const viewer_case cases[] = {
        {"begin polygon_surface,2147483648,3\n" + padding,
         "1: polygon counts exceed what the file holds: begin polygon_surface,2147483648,3\n"},
        {"begin nurbs_surface,4294967295,2,4294967295,2\n" + padding,
         "1: nurbs counts exceed what the file holds: begin nurbs_surface,4294967295,2,4294967295,2\n"},
        {"begin nurbs_surface,3,0,3,2\n" + padding, "1: nurbs order out of range: begin nurbs_surface,3,0,3,2\n"},
        {"begin nurbs_surface,2,2,2,2\nresolution 65536,65537\n" + padding,
         "2: resolution out of range (2 to 65535 each, at most 4194304 vertices): resolution 65536,65537\n"},
        {"# x\n" + std::string(10u << 20, 'x') + "\n", "2: line too long.\n"},
    };
    vyktest::TempDir dir;
    for (const viewer_case& c : cases) {
        const std::string path = dir.write("bad.vyk", c.text);
        const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykview"), path}, 60);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.message + path + ": load error.\n");
    }
}

} // namespace
