#include "model/texture.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "foundation/never_destroyed.h"
#include "foundation/opened_files.h"
#include "foundation/path.h"
#include "model/environment.h"
#include "textures/image_convert.h"
#include "textures/image_format.h"
#include "textures/image_processing.h"

namespace vyk3d
{

using libgr::grImage2D;

texture_cache_t& textureCache()
{
    return libutils::neverDestroyed<texture_cache_t>();
}

void clearTextureRegistries()
{
    textureCache().clear();
    cubeRegistry().clear();
}

void forgetImageFile(const std::string& path, stale_textures_t& stale)
{
    for (const char* derived : {"", ".mono", ".norm", ".mono.norm", ".sint", ".mono.sint"})
        if (uint32_t h = textureCache().forget(path + derived))
            stale.textures.push_back(h);
    // A face "<stem><suffix><ext>" belongs to the cube map keyed "<stem><ext>".
    const size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    const std::string base = path.substr(0, dot);
    for (const char* suffix : cubeFaceSuffixes) {
        const size_t n = std::char_traits<char>::length(suffix);
        if (base.size() < n || base.compare(base.size() - n, n, suffix) != 0)
            continue;
        if (uint32_t h = cubeRegistry().forget(base.substr(0, base.size() - n) + path.substr(dot)))
            stale.cubes.push_back(h);
    }
}

void releaseStale(stale_textures_t& stale)
{
    for (uint32_t h : stale.textures)
        textureCache().remove(h);
    for (uint32_t h : stale.cubes)
        cubeRegistry().remove(h);
    stale = {};
}

libgr::grTextureObject* texture_t::colortexture() const
{
    texture_entry_t* e = colorentry();
    return e ? &e->texobj : nullptr;
}

libgr::grTextureObject* texture_t::bumptexture() const
{
    texture_entry_t* e = bumpentry();
    return e ? &e->texobj : nullptr;
}

libgr::grTextureObject* texture_t::speculartexture() const
{
    texture_entry_t* e = specularentry();
    return e ? &e->texobj : nullptr;
}

std::string resolveTexturePath(const char* basefilename, const std::string& path)
{
    if (path.empty())
        return path;
    splitpath_t own = splitPath(path.c_str());
    if (path[0] == '/' || path[0] == '\\' || own.drive[0] != '\0')
        return path;
    splitpath_t base = splitPath(basefilename);
    return std::string(base.drive) + base.directory + path;
}

namespace
{

const char* orEmpty(const char* s)
{
    return s ? s : "";
}

// Texture, parameters and texture object of an entry from the set's options.
void setupEntry(texture_entry_t& e, const texture_t& set)
{
    static const GLint kMin[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_LINEAR};
    e.param.minfilter = kMin[(set.nearlinear ? 1 : 0) + (set.mipmap ? 2 : 0)];
    e.param.magfilter = set.maglinear ? GL_LINEAR : GL_NEAREST;
    e.param.wraps = GL_REPEAT;
    e.param.wrapt = GL_REPEAT;
    e.param.anisotropy = set.anisotropy;
    e.texture.SetBorder(false);
    e.texture.SetMipmap(set.mipmap);
    e.texture.SetParameter(&e.param);
    e.texture.SetImage(e.image, 0, 0);
    e.texobj.Create(e.texture);
}

// Adds a fresh entry under key; 0 (with a message) when the cache is full.
uint32_t addEntry(const std::string& key)
{
    uint32_t h = textureCache().add(key, std::make_shared<texture_entry_t>());
    if (h == 0)
        libutils::diagnostics() << key << ": texture cache is full." << std::endl;
    return h;
}

// Finds the map at `full` in the cache or loads it; a new entry that does not
// load is dropped again, so that the next open reports the failure too.
// Returns the handle, 0 on failure; `loaded` tells whether it is new.
uint32_t findOrLoad(const std::string& full, bool& loaded)
{
    texture_cache_t& cache = textureCache();
    loaded = false;
    uint32_t h = cache.find(full);
    if (h) {
        texture_entry_t* e = cache.get(h);
        loaded = e->pending;
        e->pending = false;
        return h;
    }
    h = addEntry(full);
    if (!h)
        return 0;
    if (!libgr::autoloadformat(cache.get(h)->image, full.c_str())) {
        cache.remove(h);
        return 0;
    }
    loaded = true;
    return h;
}

// The bump image seen as luminance: BGR is swapped to RGB and RGB turned
// into luminance; an image that is already grey, of another layout, or that
// the conversion refuses is shared unchanged, so the bump map is never lost.
void monoOf(grImage2D& dst, const grImage2D& src)
{
    grImage2D rgb = src;
    if (src.format.format == libgr::grFmtBGR && !libgr::bgr2rgb(rgb, src))
        rgb = src;
    if (rgb.format.format == libgr::grFmtRGB && libgr::mono(dst, rgb))
        return;
    dst = src;
}

const builtin_t kBuiltinColor = {"color",
                                 {libgr::grFmtRGBA, libgr::grTypeUINT, libgr::grBits8},
                                 {255, 255, 255, 255},
                                 "(color)texobj.img2d.allocate() failed."};
const builtin_t kBuiltinBump = {"bump",
                                {libgr::grFmtRGB, libgr::grTypeSINT, libgr::grBits8},
                                {0, 0, 127, 0},
                                "(bump)texobj.img2d.allocate() fail."};
const builtin_t kBuiltinSpecular = {"specular",
                                    {libgr::grFmtRGBA, libgr::grTypeUINT, libgr::grBits8},
                                    {255, 255, 255, 255},
                                    "(spec)texobj.img2d.allocate() failed."};

} // namespace

bool cacheEncodedTexture(const std::string& key, const unsigned char* data, size_t size)
{
    texture_cache_t& cache = textureCache();
    if (cache.find(key))
        return true;
    uint32_t h = addEntry(key);
    if (!h)
        return false;
    texture_entry_t& e = *cache.get(h);
    if (!libgr::autoloadmemory(e.image, data, size, key.c_str())) {
        cache.remove(h);
        return false;
    }
    e.pending = true;
    return true;
}

uint32_t builtinTexture(const builtin_t& b, float anisotropy)
{
    texture_cache_t& cache = textureCache();
    uint32_t h = cache.find(b.key);
    if (h)
        return h;
    h = addEntry(b.key);
    if (!h)
        return 0;
    texture_entry_t& e = *cache.get(h);
    e.image.format = b.format;
    e.image.width = 1;
    e.image.height = 1;
    if (!e.image.allocate()) {
        if (b.failure)
            libutils::diagnostics() << b.failure << std::endl;
        // Not kept: a later open tries again.
        cache.remove(h);
        return 0;
    }
    uint32_t n = libgr::grComponents(b.format.format);
    for (uint32_t i = 0; i < n && i < 4; ++i)
        e.image.data()[i] = b.texel[i];
    e.param.minfilter = GL_LINEAR;
    e.param.magfilter = GL_LINEAR;
    e.param.wraps = GL_REPEAT;
    e.param.wrapt = GL_REPEAT;
    e.param.anisotropy = anisotropy;
    e.texture.SetBorder(false);
    e.texture.SetMipmap(false);
    e.texture.SetParameter(&e.param);
    e.texture.SetImage(e.image, 0, 0);
    e.texobj.Create(e.texture);
    return h;
}

namespace
{

// Turns the loaded bump image at t.bumphandle (from `p`) into the bump map
// the shaders take: luminance first when asked, a normal map derived from
// heights, or signed bytes; false when no cache entry can be had.
bool openBump(texture_t& t, std::string p)
{
    texture_cache_t& cache = textureCache();
    if (t.bump2mono) {
        const grImage2D source = cache.get(t.bumphandle)->image;
        p += ".mono";
        uint32_t h = cache.find(p);
        if (!h) {
            if (!(h = addEntry(p)))
                return false;
            monoOf(cache.get(h)->image, source);
        }
        t.bumphandle = h;
    }
    const grImage2D b = cache.get(t.bumphandle)->image;
    if (b.format.format == libgr::grFmtLuminance) {
        // A height map: derive the normal map.
        p += ".norm";
        uint32_t h = cache.find(p);
        if (!h) {
            if (!(h = addEntry(p)))
                return false;
            if (!libgr::normalmap(cache.get(h)->image, b))
                libutils::diagnostics() << "heightmap2normalmap failed." << std::endl;
        }
        t.bumphandle = h;
    } else if (b.format.type == libgr::grTypeUINT) {
        // A colour image holding a normal map in signed bytes.
        p += ".sint";
        uint32_t h = cache.find(p);
        if (!h) {
            if (!(h = addEntry(p)))
                return false;
            grImage2D& s = cache.get(h)->image;
            s = b;
            s.format.type = libgr::grTypeSINT;
        }
        t.bumphandle = h;
    }
    texture_entry_t& e = *cache.get(t.bumphandle);
    setupEntry(e, t);
    // A half-texel offset needs a size to divide by.
    if (t.bumpofs && e.image.width != 0 && e.image.height != 0) {
        t.bumpoffset[0] = -0.5f / float(e.image.width);
        t.bumpoffset[1] = -0.5f / float(e.image.height);
    }
    return true;
}

} // namespace

bool texture_t::open(const char* basefilename)
{
    texture_cache_t& cache = textureCache();
    bool loaded = false, allLoaded = true;

    // A map that did not load (its message is out): the surface still
    // draws, with the built-in map in its place.
    auto builtinInstead = [&](uint32_t& handle, const builtin_t& builtin) {
        allLoaded = false;
        handle = builtinTexture(builtin, anisotropy);
        return handle != 0;
    };

    // Colour.
    if (colormap.empty()) {
        colorhandle = builtinTexture(kBuiltinColor, anisotropy);
        if (!colorhandle)
            return false;
    } else {
        std::string full = resolveTexturePath(basefilename, colormap);
        noteOpenedFile(full);
        colorhandle = findOrLoad(full, loaded);
        if (!colorhandle) {
            libutils::diagnostics() << orEmpty(basefilename) << ": base filename.\n"
                                    << full << ": color autoloadformat failed." << std::endl;
            if (!builtinInstead(colorhandle, kBuiltinColor))
                return false;
        } else if (loaded) {
            setupEntry(*cache.get(colorhandle), *this);
        }
    }
    checkGL("texture_t::open(5)");

    // Bump.
    if (bumpmap.empty()) {
        bumphandle = builtinTexture(kBuiltinBump, anisotropy);
        if (!bumphandle)
            return false;
    } else {
        std::string p = resolveTexturePath(basefilename, bumpmap);
        noteOpenedFile(p);
        bumphandle = findOrLoad(p, loaded);
        if (!bumphandle) {
            libutils::diagnostics() << p << ": bump autoloadformat failed." << std::endl;
            if (!builtinInstead(bumphandle, kBuiltinBump))
                return false;
        } else if (!openBump(*this, p)) {
            return false;
        }
    }
    checkGL("texture_t::open(6)");

    // Specular.
    if (specularmap.empty()) {
        // Another colour than white gets a texel of its own, kept under a
        // key no file path can have.
        builtin_t own = kBuiltinSpecular;
        char key[32];
        std::snprintf(key, sizeof key, "(specular %02x%02x%02x%02x)", specularcolor[0], specularcolor[1],
                      specularcolor[2], specularcolor[3]);
        std::copy(specularcolor, specularcolor + 4, own.texel);
        if (std::count(specularcolor, specularcolor + 4, 255) != 4)
            own.key = key;
        specularhandle = builtinTexture(own, anisotropy);
        if (!specularhandle)
            return false;
    } else {
        std::string full = resolveTexturePath(basefilename, specularmap);
        noteOpenedFile(full);
        specularhandle = findOrLoad(full, loaded);
        if (!specularhandle) {
            libutils::diagnostics() << full << ": autoloadformat failed." << std::endl;
            if (!builtinInstead(specularhandle, kBuiltinSpecular))
                return false;
        } else if (loaded) {
            setupEntry(*cache.get(specularhandle), *this);
        }
    }
    return allLoaded;
}

} // namespace vyk3d
