// vykview: interactive viewer for .vyk scene files and STL models.
#include "app/gluty.h"
#include "app/vykview.h"
#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"
#include "foundation/huge_pages.h"
#include "foundation/sandbox.h"
#include "sceneio/stl.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

const char kHelp[] = "Shows .vyk scenes and models in STL, OBJ, PLY, OFF, glTF (.gltf, .glb), 3MF and\n"
                     "Collada (.dae); with several files it morphs from each to the next.\n"
                     "\n"
                     "  --no-watch  do not load the files again when they change on disk\n"
                     "  --help      print this help and end\n"
                     "  --version   print the version and end\n"
                     "  --          every later argument is a file\n"
                     "\n"
                     "Options of the X window system (-display NAME, -geometry WxH+X+Y, -iconic, -sync, ...)\n"
                     "go to GLUT. Keys and mouse: see vykview(1).\n";

struct options_t {
    bool watch = true;
    // The program name, the X options for GLUT, then the files.
    std::vector<char*> argv;
    size_t firstFile = 0;
};

// GLUT's own options, with the number of values each takes: they pass through.
int glutOptionValues(const char* a)
{
    for (const char* o : {"-display", "-geometry"})
        if (std::strcmp(a, o) == 0)
            return 1;
    for (const char* o : {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"})
        if (std::strcmp(a, o) == 0)
            return 0;
    return -1;
}

// Options come before the files: the first argument that is not an option,
// or "--", ends them. Ends the process for --help, --version and mistakes;
// throws the usage line when no file is named.
options_t parseArguments(int argc, char** argv)
{
    const char* program = argc > 0 ? argv[0] : "vykview";
    options_t o;
    o.argv.push_back(const_cast<char*>(program));
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
        const char* a = argv[i];
        const int values = glutOptionValues(a);
        if (std::strcmp(a, "--") == 0) {
            ++i;
            break;
        } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::printf("usage: %s [OPTION]... file.vyk ...\n%s", program, kHelp);
            std::exit(0);
        } else if (std::strcmp(a, "--version") == 0) {
            std::printf("vykview %s\n", VYK_VERSION);
            std::exit(0);
        } else if (std::strcmp(a, "--no-watch") == 0) {
            o.watch = false;
        } else if (values >= 0 && i + values < argc) {
            for (int k = 0; k <= values; ++k)
                o.argv.push_back(argv[i + k]);
            i += values;
        } else {
            libutils::reportf("vykview: %s option %s.\nusage: %s file.vyk ...\n",
                              values >= 0 ? "a value is missing after the" : "unknown", a, program);
            std::exit(1);
        }
    }
    // The usage line must not depend on a display being reachable, and
    // glutInit ends the process when it finds none.
    if (i >= argc)
        vykview_t::usage(program);
    o.firstFile = o.argv.size();
    o.argv.insert(o.argv.end(), argv + i, argv + argc);
    o.argv.push_back(nullptr);
    return o;
}

// freeglut's fatal errors end here: a missing display gets a line that
// says where pictures come from without one.
void onGlutError(const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::strstr(text, "display"))
        libutils::reportf("vykview: %s; vykshot draws pictures without a display.\n", text);
    else
        libutils::reportf("vykview: %s\n", text);
    std::exit(1);
}

} // namespace

// Every failure below ends here: its message, then its status.
int main(int argc, char** argv)
try {
    startWithHugePages(argv);
    // Imports fork from a small process, not from one holding a GL driver.
    startSandboxZygote();
    options_t o = parseArguments(argc, argv);
    // Large text files are read while the window and its shaders are made.
    prefetchStl(static_cast<int>(o.argv.size() - 1 - o.firstFile), o.argv.data() + o.firstFile);
    int viewerArgc = static_cast<int>(o.argv.size() - 1);
    char** viewerArgv = o.argv.data();
    // glutInit takes its options out and leaves the program name and files.
    glutInitErrorFunc(onGlutError);
    glutInit(&viewerArgc, viewerArgv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    // A window manager close leaves the loop instead of hanging in it.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    {
        vykview_t viewer(viewerArgc, viewerArgv);
        viewer.watchFiles = o.watch;
        dorv::glutyRegistry* registry = dorv::glutyRegistry::instance();
        registry->createWindow(&viewer, "vykview");
        registry->mainLoop();
    }
    return 0;
} catch (const libutils::fatal_error_t& e) {
    return libutils::endWith(e);
}
