#include "sceneio/scene.h"

#include "foundation/path.h"
#include "sceneio/assimp_reader.h"
#include "sceneio/stl.h"

#include <climits>
#include <ostream>

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

void scene_t::destroyModels()
{
    for (model_t* m : models)
        delete m;
    models.clear();
}

bool loadScene(scene_t& scene, const std::string& fileName, vyk3d::frame_pass_t& framePass, std::ostream& err)
{
    // The system opens no longer name; refused here rather than cut.
    if (fileName.size() >= PATH_MAX) {
        err << fileName << ": the name is longer than " << PATH_MAX - 1 << " bytes." << std::endl;
        return false;
    }
    if (hasExtension(fileName, ".stl") == 0)
        return readStl(fileName, scene);
    if (hasExtension(fileName, ".vyk") == 0)
        return readSceneText(scene, fileName, framePass, err);
    if (isAssimpFormat(fileName))
        return readAssimp(fileName, scene, err);
    err << "file extension not recognized.\n";
    return false;
}
