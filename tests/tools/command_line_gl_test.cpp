// The three programs' command lines, as a user types them: usage, refused
// options, missing OpenGL 3.3 and files that do not load; each with its
// status, output and exact messages; none leaves a file behind.
#include "support/paths.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace vyktest;

TEST(CommandLine, UsageAndFailures)
{
    TempDir dir;
    const std::string viewer = programPath("vykview"), shot = programPath("vykshot"), conv = programPath("vykconv");
    const std::string good = dir.write("good.vyk", quadSection({{1, 1, 0}}, {255, 0, 0}));
    const std::string comments = dir.write("comments.vyk", "# nothing here\n");
    const std::string missing = dir.file("missing.vyk"), txt = dir.file("x.txt"), png = dir.file("o.png");
    const std::string out = dir.write("o.vyk", "old\n"), obj = dir.file("o.obj"),
                      deep = dir.file("no/such/dir/out.vyk");
    const std::string hostile =
        dir.write("hostile.vyk", "begin polygon_surface,2147483648,3\n" + std::string(400, '#'));
    const std::string shotUsage =
        "usage: vykshot [--size WxH] [--elapsed MS] [--shaders DIR] -o OUT.png|OUT.jpg FILE...\n";
    const std::string convUsage = "usage: " + conv + " IN... OUT\n", opengl = "OpenGL 3.3 or later required.\n";
    const std::string size = "vykshot: --size needs WxH, each 1 to 16384.\n", noDisplay = "DISPLAY=";
    const std::string viewerUsage = "usage: " + viewer + " file.vyk ...\n";
    const std::string gl30 = "MESA_GL_VERSION_OVERRIDE=3.0", unknownExtension = "file extension not recognized.\n";
    const std::string noValue = "vykview: a value is missing after the option -display.\n";
    const std::string bmpEnding = ": the picture's name must end in .png, .jpg or .jpeg.\n";
    const std::string empty = dir.write("empty.stl", "solid a\nendsolid a\n");
    const std::string nothing = ": nothing to draw: no surfaces, lines or points.\n";
    const std::string huge = dir.write("huge.stl", "solid h\nfacet normal 0 0 1\nouter loop\nvertex -3.3e38 0 0\n"
                                                   "vertex 3.3e38 0 0\nvertex 0 0 0\nendloop\nendfacet\nendsolid h\n");
    const std::string elapsed = "vykshot: --elapsed needs milliseconds, 0 to 4294967295.\n";
    const auto notLoaded = [](const std::string& f) {
        return f + ": No such file or directory.\n" + f + ": file open error.\n" + f + ": load error.\n";
    };
    // Arrays of a few MB are read whatever the file holds, so a short section
    // reports each short array at "end"; just above that size the counts
    // must fit the file.
    const std::string fewPolygon = dir.write("few.vyk", "begin polygon_surface,30000,4\nend\n");
    const std::string bigPolygon = dir.write("big.vyk", "begin polygon_surface,40000,4\nend\n");
    const std::string fewNurbs = dir.write("fewn.vyk", "begin nurbs_surface,400,2,400,2\nend\n");
    const std::string bigNurbs = dir.write("bign.vyk", "begin nurbs_surface,500,2,500,2\nend\n");
    const std::string fewPolygonLines =
        "2: vertex(0) < 30000: too few vertex.\n2: element(0) < 4: too few element.\n"
        "2: tangent(0) < 30000: too few tangent.\n"
        "2: binormal(0) < 30000: too few binormal.\n2: normal(0) < 30000: too few normal.\n";
    const std::string fewNurbsLines =
        "2: knot1(0) < 160800: too few knots.\n2: knot2(0) < 160800: too few knots.\n"
        "2: weight(0) < 160000: too few weights.\n2: point(0) < 160000: too few points.\n";
    const auto exceeds = [](const std::string& f, const std::string& kind, const char* counts) {
        return "1: " + kind + " counts exceed what the file holds: begin " + kind + "_surface," + counts + "\n" + f +
               ": load error.\n";
    };
    const struct {
        std::vector<std::string> argv;
        std::string env;
        int status;
        std::string out, err;
        bool head = false; // out and err, when not empty, only begin so
    } cases[] = {
        // No display at all: usage, help and version must not need one.
        {{viewer}, noDisplay, 0, "", viewerUsage},
        {{viewer, "--no-watch"}, noDisplay, 0, "", viewerUsage},
        {{viewer, "--help", "a.vyk"}, noDisplay, 0, "usage: " + viewer + " [OPTION]... file.vyk ...\n", "", true},
        {{viewer, "--version"}, noDisplay, 0, "vykview " VYK_VERSION "\n", ""},
        {{viewer, "--frob", "a.vyk"}, noDisplay, 1, "", "vykview: unknown option --frob.\n" + viewerUsage},
        {{viewer, "-display"}, noDisplay, 1, "", noValue + viewerUsage},
        // Mesa offers the context as OpenGL 3.0.
        {{viewer, good}, gl30, 1, "", opengl},
        // The second file fails; the third is never read.
        {{viewer, good, missing, dir.file("no.vyk")}, "", 1, "", notLoaded(missing)},
        {{viewer, hostile}, "", 1, "", exceeds(hostile, "polygon", "2147483648,3")},
        {{shot, "--help"}, noDisplay, 0, shotUsage, ""},
        {{shot, "--version"}, noDisplay, 0, "vykshot " VYK_VERSION "\n", ""},
        {{shot, "--size", "0x600", "-o", png, good}, noDisplay, 1, "", size},
        {{shot, "--size", "800", "-o", png, good}, noDisplay, 1, "", size},
        {{shot, "--elapsed", "-5", "-o", png, good}, noDisplay, 1, "", elapsed},
        {{shot, "-o", png, good, "--shaders"}, noDisplay, 1, "", "vykshot: --shaders needs a folder.\n"},
        {{shot, "--frobnicate", "-o", png, good}, noDisplay, 1, "", "vykshot: unknown option --frobnicate.\n"},
        {{shot, good}, noDisplay, 1, "", shotUsage},
        {{shot, "-o", png, good}, gl30, 1, "", opengl},
        {{shot, "-o", png, missing}, "", 1, "", notLoaded(missing)},
        {{shot, "-o", png, good, comments, missing}, "", 1, "", comments + ": load error.\n"},
        {{shot, "-o", png, good, txt}, "", 1, "", unknownExtension + txt + ": load error.\n"},
        {{shot, "-o", dir.file("o.gif"), good}, "", 1, "", "vykshot: " + dir.file("o.gif") + bmpEnding},
        {{shot, "-o", png, empty}, "", 1, "", empty + nothing + empty + ": load error.\n"},
        // A picture of nothing is no thumbnail.
        {{shot, "-o", png, huge},
         "",
         1,
         "",
         "vykview_t::fitScene(): the scene is too large to fit.\nvykshot: " + huge +
             ": nothing to show: the scene is too large to fit.\n"},
        {{viewer, good},
         noDisplay,
         1,
         "",
         "vykview: failed to open display ''; vykshot draws pictures without a display.\n"},
        {{conv, "--help"}, noDisplay, 0, convUsage, "", true},
        {{conv, "--version", out}, noDisplay, 0, "vykconv " VYK_VERSION "\n", ""},
        {{conv, good, "-h", out}, noDisplay, 0, convUsage, "", true},
        {{conv}, noDisplay, 1, "", convUsage, true},
        {{conv, good}, noDisplay, 1, "", convUsage, true},
        {{conv, "-frob", good, out}, noDisplay, 1, "", "vykconv: unknown option -frob.\n"},
        {{conv, good, obj}, noDisplay, 1, "", unknownExtension},
        {{conv, good, deep}, noDisplay, 1, "", deep + ": write error.\n"},
        {{conv, missing, out}, noDisplay, 1, "", notLoaded(missing)},
        {{conv, txt, out}, noDisplay, 1, "", unknownExtension + txt + ": load error.\n"},
        {{conv, fewPolygon, out}, noDisplay, 1, "", fewPolygonLines + fewPolygon + ": load error.\n"},
        {{conv, bigPolygon, out}, noDisplay, 1, "", exceeds(bigPolygon, "polygon", "40000,4")},
        // the short surface is still built, each grid point past its zero knots saying so
        {{conv, fewNurbs, out}, noDisplay, 1, "", fewNurbsLines, true},
        {{conv, bigNurbs, out}, noDisplay, 1, "", exceeds(bigNurbs, "nurbs", "500,2,500,2")},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.argv)
            line += a.substr(a.rfind('/') + 1) + " ";
        SCOPED_TRACE(line + c.env);
        const RunResult r = run(c.argv, 60, c.env.empty() ? std::vector<std::string>{} : std::vector{c.env});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(c.head && !c.out.empty() ? r.out.substr(0, c.out.size()) : r.out, c.out);
        EXPECT_EQ(c.head && !c.err.empty() ? r.err.substr(0, c.err.size()) : r.err, c.err);
    }
    // Every case failed or wrote nothing: no new output, no temporary file,
    // and the old output as it was.
    EXPECT_EQ(
        run({"/bin/ls", "-A", dir.path()}).out,
        "big.vyk\nbign.vyk\ncomments.vyk\nempty.stl\nfew.vyk\nfewn.vyk\ngood.vyk\nhostile.vyk\nhuge.stl\no.vyk\n");
    EXPECT_EQ(readFile(out), "old\n");
    // A picture named .jpg or .jpeg is written as JPEG.
    ASSERT_EQ(run({shot, "-o", dir.file("o.JPEG"), good}).status, 0);
    EXPECT_EQ(readFile(dir.file("o.JPEG")).substr(0, 3), "\xFF\xD8\xFF");
}

} // namespace
