#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "model/polygon.h"

namespace vyk3d
{

bool glpolygon_t::init(const char*)
{
    return false;
}

void glpolygon_t::drawsolid(const environment_t&, int, const texture_t&, modeling_t& model, const mtx3w*, const mtx3w*,
                            const mtx3w*, const mtx3w*, const pos3*, float)
{
    model.draw();
}

void glpolygon_t::drawselect(const environment_t&, int, const texture_t&, polygon_t& polygon, const mtx3w*,
                             const mtx3w*, const mtx3w*, const mtx3w*, const pos3*, float)
{
    polygon.drawselection();
}

void glpolygon_t::computeFrames(polygon_t&) {}

} // namespace vyk3d
