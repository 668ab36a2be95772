// Writing polygon models as STL, binary and text.
#include "sceneio/stl.h"
#include "sceneio/stl_mesh.h"

bool writeStlBinary(const std::string& fileName, const std::list<model_t*>& models)
{
    (void)fileName;
    (void)models;
    return false;
}

bool writeStlBinary(const std::string& fileName, const model_t& model)
{
    (void)fileName;
    (void)model;
    return false;
}

bool writeStlText(const std::string& fileName, const std::list<model_t*>& models)
{
    (void)fileName;
    (void)models;
    return false;
}
