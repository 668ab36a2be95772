#include "render/glmorph.h"

#include "foundation/check_gl.h"
#include "model/polygon.h"

namespace vyk3d
{

void morphpair_t::build() {}
void morphpair_t::draw() {}
bool morphpair_t::bCoversA() const
{
    return false;
}

bool glmorph_t::init(const char*)
{
    return false;
}

void glmorph_t::drawsolid(const environment_t&, int, morphpair_t& pair, float, const mtx3w*, const mtx3w*, const mtx3w*,
                          const mtx3w*, const pos3*, float)
{
    pair.draw();
}

} // namespace vyk3d
