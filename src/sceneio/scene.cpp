#include "sceneio/scene.h"

#include "foundation/path.h"
#include "sceneio/assimp_reader.h"
#include "sceneio/stl.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include <fcntl.h>
#include <unistd.h>

model_t::model_t(uint32_t kind_) : kind(kind_), nurbs(texture, polygon) {}

vyk3d::modeling_t* model_t::surface()
{
    switch (kind) {
    case Polygon:
        return &polygon;
    case Nurbs:
        return &nurbs;
    default:
        return nullptr;
    }
}

const vyk3d::modeling_t* model_t::surface() const
{
    return const_cast<model_t*>(this)->surface();
}

model_t& scene_t::addModel(uint32_t kind)
{
    return *models.emplace_back(std::make_unique<model_t>(kind));
}

void scene_t::destroyModels()
{
    models.clear();
}

namespace
{

// Says why a file cannot be opened ("<file>: No such file or directory.")
// before a reader's own lines; a pipe is opened without waiting for its
// writer.
void sayWhyUnopenable(const std::string& fileName, std::ostream& err)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    err << fileName << ": " << std::strerror(errno) << "." << std::endl;
}

} // namespace

bool fullRecordsWanted()
{
    static const bool full = std::getenv("VYK_FULL_RECORDS") != nullptr;
    return full;
}

bool loadScene(scene_t& scene, const std::string& fileName, vyk3d::frame_pass_t& framePass, std::ostream& err)
{
    // The system opens no longer name; refused here rather than cut.
    if (fileName.size() >= PATH_MAX) {
        err << fileName << ": the name is longer than " << PATH_MAX - 1 << " bytes." << std::endl;
        return false;
    }
    const bool stl = hasExtension(fileName, ".stl") == 0, text = hasExtension(fileName, ".vyk") == 0;
    if (stl || text || isAssimpFormat(fileName))
        sayWhyUnopenable(fileName, err);
    if (stl)
        return readStl(fileName, scene);
    if (text)
        return readSceneText(scene, fileName, framePass, err);
    if (isAssimpFormat(fileName))
        return readAssimp(fileName, scene, err);
    err << "file extension not recognized.\n";
    return false;
}
