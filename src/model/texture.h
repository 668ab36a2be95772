// The texture set of a surface (colour, bump and specular map with their
// sampling options) and the process-wide texture cache behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/texture_registry.h"
#include "textures/image.h"
#include "textures/tex_param.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"

namespace vyk3d
{

// One cached 2-D texture: the image, its parameters, the texture whose level
// 0 shares the image and the texture object holding it on the GPU. Lives at
// a fixed address (the texture points at the parameters, the object at the
// texture), so it is shared by pointer, never copied.
struct texture_entry_t {
    libgr::grImage2D image;
    libgr::grTexParam2D param;
    libgr::grTexture2D texture;
    libgr::grTextureObject texobj;
    // The image was put in by cacheEncodedTexture and waits for the first
    // open() that names it to make its texture.
    bool pending = false;

    texture_entry_t() = default;
    texture_entry_t(const texture_entry_t&) = delete;
    texture_entry_t& operator=(const texture_entry_t&) = delete;
};

using texture_cache_t = texture_registry_t<texture_entry_t>;

// The one texture cache of the process (keys: full paths, paths with the
// suffixes ".mono", ".norm", ".sint", and "color", "bump", "specular").
texture_cache_t& textureCache();

// Decodes an encoded PNG or JPEG image into the cache under `key` (a full
// path that need not name a file: a texture embedded in a model file), for
// open() to take as if the file had been loaded. True when the key is
// cached already or the image decodes; false, with the codec's messages and
// nothing kept, otherwise.
bool cacheEncodedTexture(const std::string& key, const unsigned char* data, size_t size);

// A one-texel texture kept in the cache under `key`: linear filters, repeat
// wrap, no mipmaps, no border.
struct builtin_t {
    const char* key;
    libgr::grPixelFormat format;
    unsigned char texel[4]; // as many as the format has components
    const char* failure;    // printed when its storage cannot be had; null prints nothing
};

// Handle of the built-in texture `b`, made on first use; 0 when it cannot
// be made (nothing is kept then, so a later call tries again).
uint32_t builtinTexture(const builtin_t& b, float anisotropy);

class texture_t
{
  public:
    std::string colormap;    // colour map path, relative to the scene file
    std::string bumpmap;     // bump map path
    std::string specularmap; // specular map path
    float anisotropy = 1.0f; // maximum anisotropy of all three textures
    float refractfactor = 0.0f;
    bool bumpofs = true;    // give the bump map a half-texel offset
    bool bump2mono = false; // turn a colour bump image into luminance first
    bool mipmap = true;
    bool nearlinear = true; // linear minification
    bool maglinear = true;  // linear magnification
    bool mercatorsphere = false;
    float bumpoffset[2] = {0.0f, 0.0f}; // (u, v)
    // The one-texel specular map used when no map is named (RGBA, 0..255):
    // white unless an imported material says otherwise.
    unsigned char specularcolor[4] = {255, 255, 255, 255};
    uint32_t colorhandle = 0; // texture-cache handles, 0 = none
    uint32_t bumphandle = 0;
    uint32_t specularhandle = 0;

    // Makes the three textures ready, loading the named maps relative to
    // `basefilename` (the scene file's path, or null) and using built-in
    // one-texel textures for empty names. A map that does not load prints
    // "<base>: base filename." and "<path>: color autoloadformat failed."
    // (colour), "<path>: bump autoloadformat failed." (bump) or "<path>:
    // autoloadformat failed." (specular) and gets the built-in texture in
    // its place; the other maps are still opened, and false is returned at
    // the end. False at once when a built-in texture or a derived map gets
    // no storage. Safe on untrusted image files. Needs a current GL context.
    bool open(const char* basefilename);
    // Whether open gave every map its built-in one-texel texture: no map is
    // named, and none failed; the specular one of any colour, or white.
    bool builtinMaps() const
    {
        return colormap.empty() && bumpmap.empty() && specularmap.empty() && colorhandle && bumphandle &&
               specularhandle;
    }
    bool builtinMapsOnly() const
    {
        return builtinMaps() && specularcolor[0] == 255 && specularcolor[1] == 255 && specularcolor[2] == 255 &&
               specularcolor[3] == 255;
    }

    // Cache entries of the three handles, null for 0.
    texture_entry_t* colorentry() const { return textureCache().get(colorhandle); }
    texture_entry_t* bumpentry() const { return textureCache().get(bumphandle); }
    texture_entry_t* specularentry() const { return textureCache().get(specularhandle); }
    // Their texture objects (to Load/Unload around drawing), null for 0.
    libgr::grTextureObject* colortexture() const;
    libgr::grTextureObject* bumptexture() const;
    libgr::grTextureObject* speculartexture() const;
};

// Full path of a map: `path` as it is when it begins with "/" (or "\") or has
// a drive of its own, else the base file's drive and directory followed by
// `path`. Empty for an empty path.
std::string resolveTexturePath(const char* basefilename, const std::string& path);

// Entries made from image files that changed on disk and are no longer
// found by their keys, but still used by the surfaces loaded before.
struct stale_textures_t {
    std::vector<uint32_t> textures; // texture-cache handles
    std::vector<uint32_t> cubes;    // cube-registry handles
};

// Makes the next open of the image file `path` read it again: the texture
// cache entries made from it (also its derived ".mono", ".norm" and ".sint"
// maps) and the cube map it is a face of lose their keys, and their handles
// go to `stale`. Surfaces that hold those handles still draw with them.
void forgetImageFile(const std::string& path, stale_textures_t& stale);
// Releases the stale entries, once no surface holds their handles.
void releaseStale(stale_textures_t& stale);

// Releases every entry of the texture cache and then of the cube texture
// registry (the viewer's exit handler). Handles held anywhere name nothing
// afterwards.
void clearTextureRegistries();

} // namespace vyk3d
