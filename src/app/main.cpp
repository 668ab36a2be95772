// vykview: interactive viewer for .vyk scene files and STL models.
#include "app/gluty.h"
#include "app/vykview.h"
#include "foundation/command_line.h"
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
    // The program name and the X options for GLUT.
    std::vector<std::string> argv;
    std::vector<std::string> files;
};

// GLUT's own options of the X window system, which pass through to it, and
// whether each takes a value. They begin with one dash ("-display"); the
// parser reads them with two.
const struct {
    const char* name;
    bool value;
} kGlutOptions[] = {{"display", true}, {"geometry", true}, {"direct", false}, {"indirect", false},
                    {"iconic", false}, {"gldebug", false}, {"sync", false}};

// Reads the command line; ends the process for --help, --version, mistakes
// and a line without files.
options_t parseArguments(int argc, char** argv)
{
    const char* program = argc > 0 ? argv[0] : "vykview";
    cxxopts::Options declared("vykview");
    declared.add_options()("h,help", "")("version", "")("no-watch", "")("files", "",
                                                                        cxxopts::value<std::vector<std::string>>());
    std::vector<std::string> words(argv, argv + argc);
    for (const auto& g : kGlutOptions) {
        if (g.value)
            declared.add_options()(g.name, "", cxxopts::value<std::string>());
        else
            declared.add_options()(g.name, "");
        for (size_t i = 1; i < words.size() && words[i] != "--"; ++i)
            if (words[i] == std::string("-") + g.name)
                words[i] = "-" + words[i];
    }
    std::vector<char*> wordPointers;
    for (std::string& w : words)
        wordPointers.push_back(w.data());
    const command_line_t line = parseCommandLine(declared, argc, wordPointers.data());
    if (!line.unknown.empty() || !line.missing.empty()) {
        // Said as typed: "-display", not the parser's "--display".
        const std::string missing = line.missing.empty() ? "" : line.missing.substr(1);
        libutils::reportf("vykview: %s option %s.\nusage: %s file.vyk ...\n",
                          missing.empty() ? "unknown" : "a value is missing after the",
                          missing.empty() ? line.unknown.c_str() : missing.c_str(), program);
        std::exit(1);
    }
    if (line.result.count("help")) {
        std::printf("usage: %s [OPTION]... file.vyk ...\n%s", program, kHelp);
        std::exit(0);
    }
    if (line.result.count("version")) {
        std::printf("vykview %s\n", VYK_VERSION);
        std::exit(0);
    }
    options_t o;
    o.watch = line.result.count("no-watch") == 0;
    o.files = filesOf(line);
    // The usage line must not depend on a display being reachable, and
    // glutInit ends the process when it finds none.
    if (o.files.empty())
        vykview_t::usage(program);
    o.argv.push_back(program);
    for (const auto& g : kGlutOptions)
        if (line.result.count(g.name)) {
            o.argv.push_back(std::string("-") + g.name);
            if (g.value)
                o.argv.push_back(line.result[g.name].as<std::string>());
        }
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
    // The program name, the X options for GLUT, then the files.
    std::vector<char*> words;
    for (std::vector<std::string>* part : {&o.argv, &o.files})
        for (std::string& word : *part)
            words.push_back(word.data());
    words.push_back(nullptr);
    // Large text files are read while the window and its shaders are made.
    prefetchStl(static_cast<int>(o.files.size()), words.data() + o.argv.size());
    int viewerArgc = static_cast<int>(words.size() - 1);
    char** viewerArgv = words.data();
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
