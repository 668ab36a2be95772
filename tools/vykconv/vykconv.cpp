// vykconv IN... OUT: loads scene files as the viewer does and writes their
// models to OUT, as .vyk scene text or binary STL by OUT's ending.
#include "map_names.h"

#include "foundation/command_line.h"
#include "foundation/diagnostics.h"
#include "foundation/fatal_error.h"
#include "foundation/huge_pages.h"
#include "foundation/path.h"
#include "foundation/sandbox.h"
#include "gl/scoped_map.h"
#include "model/frame_pass.h"
#include "model/texture.h"
#include "sceneio/scene.h"
#include "sceneio/scene_writer.h"
#include "view/directory_part.h"
#include "view/gl_context.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

void usage(std::ostream& out, const char* program)
{
    out << "usage: " << program << " IN... OUT\n"
        << "Loads the scene files IN (.vyk, .stl or a mesh format such as .obj, .ply, .gltf) as\n"
        << "vykview does and writes all their models, in order, to OUT: scene text when OUT ends\n"
        << "in .vyk, binary STL when it ends in .stl. Scene text names the textures relative to\n"
        << "OUT; textures embedded in IN are written beside OUT as OUT_<n>.png.\n"
        << "With a single IN its environment is written too. OUT is replaced only when the\n"
        << "whole file has been written.\n";
}

// A temporary file beside `out`, with out's ending so that the writers pick
// the same format. Empty when none can be made (the directory is not
// writable); the file exists, empty, otherwise.
std::string makeTempBeside(const std::string& out)
{
    size_t slash = out.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : out.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? out : out.substr(slash + 1);
    std::string ending = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
    std::string pattern = dir + "." + name + ".XXXXXX" + ending;
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    int fd = mkstemps(buf.data(), int(ending.size()));
    if (fd < 0)
        return std::string();
    close(fd);
    return std::string(buf.data());
}

// What binary STL cannot hold of `models`, as "colours, maps, points and
// lines"; empty when it holds them all. Colours count when the vertices
// have more than one.
std::string stlLeavesOut(const model_list_t& models)
{
    bool colours = false, maps = false, nonTriangles = false, first = true;
    float colour[4] = {};
    for (const auto& m : models) {
        const vyk3d::texture_t& t = m->texture;
        maps = maps || !t.colormap.empty() || !t.bumpmap.empty() || !t.specularmap.empty();
        nonTriangles = nonTriangles || m->polygon.primitive != vyk3d::polygon_t::primitive_t::Triangles;
        // A compact surface keeps its colours apart, or one for all.
        vyk3d::polygon_t& p = m->polygon;
        const bool one = p.compact() && p.vertexColors.count() == 0;
        vyk3d::attribute_array_t& records = p.compact() ? p.vertexColors : p.vertices;
        std::unique_ptr<vyk3d::scoped_map_t<const float>> v;
        if (!one)
            v = std::make_unique<vyk3d::scoped_map_t<const float>>(records, GL_MAP_READ_BIT);
        const uint64_t count = one ? std::min<uint64_t>(p.vertexcount(), 1) : p.vertexcount();
        for (uint64_t i = 0; (one || *v) && !colours && i < count; ++i) {
            const float* rgba = one ? p.compactColor : v->get() + i * records.stride() + (p.compact() ? 0 : 3);
            colours = !first && std::memcmp(rgba, colour, sizeof colour) != 0;
            std::memcpy(colour, rgba, sizeof colour);
            first = false;
        }
    }
    std::vector<std::string> lost;
    if (colours)
        lost.push_back("colours");
    if (maps)
        lost.push_back("maps");
    if (nonTriangles)
        lost.push_back("points and lines");
    std::string text;
    for (size_t i = 0; i < lost.size(); ++i)
        text += (i == 0 ? "" : i + 1 == lost.size() ? " and " : ", ") + lost[i];
    return text;
}

int convert(const std::vector<std::string>& inputs, const std::string& out)
{
    vyk3d::frame_pass_t framePass;
    // Shader override files are looked for beside the first input, as the
    // viewer does.
    const std::string prefix = directoryPart(inputs.front().c_str());
    if (!framePass.init(prefix.c_str()))
        return 1;

    // The records hold GL names: they go with this function, before the
    // context. With several inputs their models gather in `models`.
    scene_t scene;
    model_list_t models;
    unsigned pngCount = 0;
    for (const std::string& in : inputs) {
        if (!loadScene(scene, in, framePass, libutils::diagnostics())) {
            libutils::diagnostics() << in << ": load error." << std::endl;
            return 1;
        }
        if (hasExtension(out, ".vyk") == 0 && !renameMaps(scene.models, in, out, pngCount))
            return 1;
        if (inputs.size() > 1)
            models.splice(models.end(), scene.models);
    }

    if (hasExtension(out, ".stl") == 0) {
        const std::string lost = stlLeavesOut(inputs.size() > 1 ? models : scene.models);
        if (!lost.empty())
            libutils::diagnostics() << out << ": STL holds triangles only; the " << lost << " are left out."
                                    << std::endl;
    }
    std::string temp = makeTempBeside(out);
    if (temp.empty()) {
        libutils::diagnostics() << out << ": write error." << std::endl;
        return 1;
    }
    bool ok = inputs.size() == 1 ? saveScene(scene, temp, out.c_str()) : saveModels(models, temp, out.c_str());
    if (ok) {
        // mkstemps makes the file private; the result gets the usual mode.
        mode_t mask = umask(0);
        umask(mask);
        chmod(temp.c_str(), 0666 & ~mask);
        ok = std::rename(temp.c_str(), out.c_str()) == 0;
    }
    if (!ok) {
        std::remove(temp.c_str());
        libutils::diagnostics() << out << ": write error." << std::endl;
        return 1;
    }
    return 0;
}

} // namespace

// Every failure below ends here: its message, then its status.
int main(int argc, char** argv)
try {
    startWithHugePages(argv);
    // Imports fork from a small process, not from one holding a GL driver.
    startSandboxZygote();
    cxxopts::Options declared("vykconv");
    declared.add_options()("h,help", "")("version", "")("files", "", cxxopts::value<std::vector<std::string>>());
    const command_line_t line = parseCommandLine(declared, argc, argv);
    // A file whose name begins with "-" follows "--".
    if (!line.unknown.empty() || !line.missing.empty()) {
        libutils::diagnostics() << "vykconv: unknown option " << line.unknown << line.missing << "." << std::endl;
        return 1;
    }
    if (line.result.count("help")) {
        usage(std::cout, argv[0]);
        return 0;
    }
    if (line.result.count("version")) {
        std::printf("vykconv %s\n", VYK_VERSION);
        return 0;
    }
    std::vector<std::string> files = filesOf(line);
    if (files.size() < 2) {
        usage(libutils::diagnostics(), argv[0]);
        return 1;
    }
    const std::string out = files.back();
    files.pop_back();
    // Refuse an unknown output format before any work is done.
    if (hasExtension(out, ".vyk") != 0 && hasExtension(out, ".stl") != 0) {
        libutils::diagnostics() << "file extension not recognized." << std::endl;
        return 1;
    }
    if (!openGLContext("vykconv"))
        return 1;
    int status = convert(files, out);
    vyk3d::clearTextureRegistries();
    closeGLContext();
    return status;
} catch (const libutils::fatal_error_t& e) {
    return libutils::endWith(e);
}
