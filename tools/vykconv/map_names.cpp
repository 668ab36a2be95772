#include "map_names.h"

#include "foundation/diagnostics.h"
#include "model/texture.h"
#include "sceneio/scene.h"
#include "textures/png.h"

#include <algorithm>
#include <map>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The components of an absolute form of `path`.
std::vector<std::string> components(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[4096];
        full = std::string(getcwd(cwd, sizeof cwd) ? cwd : "") + "/" + full;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t slash = full.find('/', start);
        if (slash == std::string::npos)
            slash = full.size();
        const std::string part = full.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    return parts;
}

bool isFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string relativePath(const std::string& dir, const std::string& path)
{
    const std::vector<std::string> from = components(dir), to = components(path);
    size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common])
        ++common;
    std::string out;
    for (size_t i = common; i < from.size(); ++i)
        out += "../";
    for (size_t i = common; i < to.size(); ++i)
        out += to[i] + (i + 1 < to.size() ? "/" : "");
    return out;
}

bool renameMaps(const model_list_t& models, const std::string& input, const std::string& out, unsigned& next)
{
    const size_t slash = out.find_last_of('/');
    const std::string outDir = slash == std::string::npos ? "." : out.substr(0, slash + 1);
    const std::string stem = out.substr(0, out.size() - 4); // the ".vyk" ending is checked by the caller
    std::map<std::string, std::string> written;             // cache key -> PNG name
    vyk3d::texture_cache_t& cache = vyk3d::textureCache();
    // Writes a cached image beside `out` once per key; its name relative
    // to out's directory, or empty after one line when it cannot.
    auto pngOf = [&](const std::string& key, uint32_t handle) {
        auto it = written.find(key);
        if (it != written.end())
            return it->second;
        const std::string png = stem + "_" + std::to_string(next++) + ".png";
        if (!libgr::pngSave(cache.get(handle)->image, png.c_str())) {
            libutils::diagnostics() << png << ": write error." << std::endl;
            return std::string();
        }
        return written.emplace(key, relativePath(outDir, png)).first->second;
    };
    for (const auto& model : models) {
        vyk3d::texture_t& t = model->texture;
        for (std::string* map : {&t.colormap, &t.bumpmap, &t.specularmap}) {
            if (map->empty())
                continue;
            const std::string full = vyk3d::resolveTexturePath(input.c_str(), *map);
            if (isFile(full) || !cache.find(full)) {
                *map = relativePath(outDir, full);
                continue;
            }
            // A normal map is kept as the signed bytes the bump map reads
            // back from any colour image.
            const uint32_t sint = map == &t.bumpmap && !t.bump2mono ? cache.find(full + ".sint") : 0;
            *map = pngOf(full, sint ? sint : cache.find(full));
            if (map->empty())
                return false;
        }
        // A material's specular colour, kept as a one-texel map.
        if (t.specularmap.empty() && std::count(t.specularcolor, t.specularcolor + 4, 255) != 4 && t.specularentry()) {
            t.specularmap = pngOf("(specular)" + std::string(t.specularcolor, t.specularcolor + 4), t.specularhandle);
            if (t.specularmap.empty())
                return false;
        }
    }
    return true;
}
