// vykshot: writes the first frame that vykview shows for the given files as
// a PNG or JPEG image (by the output's ending), drawn by the viewer's own scene view into a framebuffer
// object of the asked size. Needs no X server.
#include "foundation/command_line.h"
#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"
#include "foundation/huge_pages.h"
#include "foundation/path.h"
#include "foundation/sandbox.h"
#include "gl/shader.h"
#include "sceneio/stl.h"
#include "textures/jpeg.h"
#include "textures/png.h"
#include "view/gl_context.h"
#include "view/offscreen_frame.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

const char kUsage[] = "usage: vykshot [--size WxH] [--elapsed MS] [--shaders DIR] -o OUT.png|OUT.jpg FILE...\n";
constexpr unsigned long kMaxSide = 16384;

enum class picture_t { png, jpeg };

// The picture's format by its name's ending (any letter case); false for
// any other ending.
bool pictureFormat(const std::string& name, picture_t& format)
{
    if (hasExtension(name, ".png") == 0)
        format = picture_t::png;
    else if (hasExtension(name, ".jpg") == 0 || hasExtension(name, ".jpeg") == 0)
        format = picture_t::jpeg;
    else
        return false;
    return true;
}

struct options_t {
    picture_t format = picture_t::png;
    int width = 800;
    int height = 600;
    uint32_t elapsed = 0;
    std::string output;
    std::string shaders; // the only folder shader files are read from
    std::vector<std::string> files;
};

// main reports "vykshot: MESSAGE" and ends with status 1.
[[noreturn]] void fail(const std::string& message)
{
    throw libutils::fatal_error_t(1, "vykshot: " + message);
}

bool parseUnsigned(const char* text, unsigned long max, unsigned long& value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value <= max;
}

bool parseSize(const char* text, int& w, int& h)
{
    if (!text)
        return false;
    const char* x = std::strchr(text, 'x');
    if (!x)
        return false;
    const std::string ws(text, x);
    unsigned long uw = 0, uh = 0;
    if (!parseUnsigned(ws.c_str(), kMaxSide, uw) || !parseUnsigned(x + 1, kMaxSide, uh))
        return false;
    if (uw == 0 || uh == 0)
        return false;
    w = static_cast<int>(uw);
    h = static_cast<int>(uh);
    return true;
}

options_t parseArguments(int argc, char** argv)
{
    cxxopts::Options declared("vykshot");
    declared.add_options()("h,help", "")("version", "")("size", "", cxxopts::value<std::string>())(
        "elapsed", "", cxxopts::value<std::string>())("shaders", "", cxxopts::value<std::string>())(
        "o", "", cxxopts::value<std::string>())("files", "", cxxopts::value<std::vector<std::string>>());
    // What each option with a value says when the value is missing or wrong.
    const std::map<std::string, std::string> needs = {{"--size", "--size needs WxH, each 1 to 16384."},
                                                      {"--elapsed", "--elapsed needs milliseconds, 0 to 4294967295."},
                                                      {"--shaders", "--shaders needs a folder."},
                                                      {"-o", "-o needs a file name."}};
    const command_line_t line = parseCommandLine(declared, argc, argv);
    if (!line.missing.empty())
        fail(needs.count(line.missing) ? needs.at(line.missing) : "unknown option " + line.missing + ".");
    if (!line.unknown.empty())
        fail("unknown option " + line.unknown + ".");
    const cxxopts::ParseResult& r = line.result;
    if (r.count("help")) {
        std::fputs(kUsage, stdout);
        std::exit(0);
    }
    if (r.count("version")) {
        std::printf("vykshot %s\n", VYK_VERSION);
        std::exit(0);
    }
    options_t o;
    if (r.count("size") && !parseSize(r["size"].as<std::string>().c_str(), o.width, o.height))
        fail(needs.at("--size"));
    unsigned long ms = 0;
    if (r.count("elapsed") && !parseUnsigned(r["elapsed"].as<std::string>().c_str(), 0xFFFFFFFFul, ms))
        fail(needs.at("--elapsed"));
    o.elapsed = static_cast<uint32_t>(ms);
    if (r.count("shaders") && (o.shaders = r["shaders"].as<std::string>()).empty())
        fail(needs.at("--shaders"));
    if (r.count("o") && (o.output = r["o"].as<std::string>()).empty())
        fail(needs.at("-o"));
    if (!o.output.empty() && !pictureFormat(o.output, o.format))
        fail(o.output + ": the picture's name must end in .png, .jpg or .jpeg.");
    o.files = filesOf(line);
    if (o.files.empty() || o.output.empty()) {
        libutils::report(kUsage);
        std::exit(o.files.empty() && o.output.empty() ? 0 : 1);
    }
    return o;
}

} // namespace

// Every failure below ends here: its message, then its status.
int main(int argc, char** argv)
try {
    startWithHugePages(argv);
    // Imports fork from a small process, not from one holding a GL driver.
    startSandboxZygote();
    options_t o = parseArguments(argc, argv);
    // The viewer's command line: the program, then the files.
    std::vector<char*> viewerArgv{argv[0]};
    for (std::string& file : o.files)
        viewerArgv.push_back(file.data());
    viewerArgv.push_back(nullptr);
    // Large text files are read while the context and its shaders are made.
    prefetchStl(static_cast<int>(o.files.size()), viewerArgv.data() + 1);
    // Files shown to a thumbnailer come from anywhere: a shader file beside
    // them, or in the working directory, is never compiled unless asked for.
    vyk3d::setShaderFolder(o.shaders.empty() ? nullptr : o.shaders.c_str());
    if (!openGLContext("vykshot"))
        return 1;
    int status = 0;
    {
        sceneview_t view(static_cast<int>(viewerArgv.size() - 1), viewerArgv.data());
        // The viewer's own init: renderers, every file loaded.
        view.init();
        view.setElapsed(o.elapsed);
        libgr::grImage2D image;
        switch (drawOffscreen(view, o.width, o.height, image)) {
        case offscreenStatus_t::noFramebuffer:
            fail("no framebuffer of " + std::to_string(o.width) + "x" + std::to_string(o.height) + ".");
        case offscreenStatus_t::noMemory:
            fail("no memory for the picture.");
        case offscreenStatus_t::drawn:
            break;
        }
        // A picture of nothing would pass for a thumbnail.
        if (!view.framed)
            fail(o.files[0] + ": nothing to show: the scene is too large to fit.");
        if (o.format == picture_t::jpeg) {
            if (!libgr::jpegSave(image, o.output.c_str())) {
                libutils::reportf("%s: jpeg write error.\n", o.output.c_str());
                status = 1;
            }
        } else if (libgr::pngWrite(o.output.c_str(), image, "vykshot", 1) != 0) {
            // zlib's fastest level above: a frame compresses a little less
            // well in a fraction of the default level's time.
            libutils::reportf("%s: png write error.\n", o.output.c_str());
            status = 1;
        }
    }
    return status;
} catch (const libutils::fatal_error_t& e) {
    return libutils::endWith(e);
}
