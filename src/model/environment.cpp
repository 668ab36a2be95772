#include "model/environment.h"

#include <GL/glew.h>

#include <memory>

#include "foundation/diagnostics.h"
#include "foundation/never_destroyed.h"
#include "foundation/opened_files.h"
#include "foundation/path.h"
#include "textures/image_format.h"

namespace vyk3d
{

const char* const cubeFaceSuffixes[6] = {"_posx", "_negx", "_posy", "_negy", "_posz", "_negz"};

cube_registry_t& cubeRegistry()
{
    // Never destroyed, like the texture cache: emptied by the exit handler.
    return libutils::neverDestroyed<cube_registry_t>();
}

libgr::grTextureObject* environment_t::texture() const
{
    cube_entry_t* e = entry();
    return e ? &e->texobj : nullptr;
}

namespace
{

// Scene drive and directory, then the name's directory and base name: the
// name is always taken relative to the scene file's directory (a drive of
// its own is dropped).
std::string faceStem(const char* scenefilename, const std::string& name, splitpath_t& n)
{
    splitpath_t s = splitPath(scenefilename);
    n = splitPath(name.c_str());
    return std::string(s.drive) + s.directory + n.directory + n.base;
}

// Parameters, cube map over the six faces, and the GL texture with mipmaps.
void createCube(cube_entry_t& e)
{
    e.param.minfilter = GL_LINEAR_MIPMAP_LINEAR;
    e.param.magfilter = GL_LINEAR;
    e.param.anisotropy = 1.0f;
    e.texture.SetBorder(false);
    e.texture.SetMipmap(true);
    e.texture.SetParameter(&e.param);
    e.texture.SetImages(e.faces, 0, 0);
    e.texobj.Create(e.texture);
}

} // namespace

std::string cubeFaceFileName(const char* scenefilename, const std::string& name, int face)
{
    splitpath_t n;
    std::string stem = faceStem(scenefilename, name, n);
    return stem + cubeFaceSuffixes[face] + n.extension;
}

bool environment_t::initex(const char* scenefilename)
{
    cube_registry_t& registry = cubeRegistry();
    if (name.empty()) {
        uint32_t h = registry.find("cube");
        if (h) {
            handle = h;
            return true;
        }
        h = registry.add("cube", std::make_shared<cube_entry_t>());
        cube_entry_t* e = registry.get(h);
        if (e) {
            libgr::grImage2D& f0 = e->faces[0];
            f0.format = {libgr::grFmtRGB, libgr::grTypeUINT, libgr::grBits8};
            f0.width = 1;
            f0.height = 1;
        }
        if (!e || !e->faces[0].allocate()) {
            libutils::diagnostics() << "environment_t::initex(): allocate fail." << std::endl;
            registry.remove(h);
            handle = 0;
            return false;
        }
        handle = h;
        e->faces[0].data()[0] = e->faces[0].data()[1] = e->faces[0].data()[2] = 0;
        for (int f = 1; f < 6; ++f)
            e->faces[f] = e->faces[0];
        createCube(*e);
        return true;
    }

    splitpath_t n;
    std::string stem = faceStem(scenefilename, name, n);
    std::string key = stem + n.extension;
    for (const char* suffix : cubeFaceSuffixes)
        noteOpenedFile(stem + suffix + n.extension);
    uint32_t h = registry.find(key);
    if (h) {
        handle = h;
        return true;
    }
    h = registry.add(key, std::make_shared<cube_entry_t>());
    cube_entry_t* e = registry.get(h);
    if (!e) {
        libutils::diagnostics() << key << ": cube texture registry is full." << std::endl;
        handle = 0;
        return false;
    }
    for (int f = 0; f < 6; ++f) {
        std::string face = stem + cubeFaceSuffixes[f] + n.extension;
        if (!libgr::autoloadformat(e->faces[f], face.c_str())) {
            libutils::diagnostics() << (scenefilename ? scenefilename : "") << ": base filename.\n"
                                    << face << ": autoloadformat failed." << std::endl;
            // Not kept half-filled: a later scene naming the same cube map
            // must fail the same way rather than get missing faces.
            registry.remove(h);
            handle = 0;
            return false;
        }
    }
    // GL refuses a cube map whose faces are not squares of one size, and only
    // says so by an error code: name the face that is wrong.
    for (int f = 0; f < 6; ++f) {
        const libgr::grImage2D& i = e->faces[f];
        if (i.width != e->faces[0].width || i.height != e->faces[0].height || i.width != i.height) {
            libutils::diagnostics() << stem << cubeFaceSuffixes[f] << n.extension << ": cube face is " << i.width << "x"
                                    << i.height << ", not a square of the first face's size " << e->faces[0].width
                                    << "x" << e->faces[0].height << "." << std::endl;
            break;
        }
    }
    handle = h;
    createCube(*e);
    return true;
}

} // namespace vyk3d
