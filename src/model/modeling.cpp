#include "model/modeling.h"

#include "gl/scoped_map.h"
#include "gl/vertex_format.h"

#include <algorithm>

namespace vyk3d
{

namespace
{

// Display sizes of selectable points.
constexpr float selectedSize = 5.0f;
constexpr float unselectedSize = 3.0f;

} // namespace

param_view_t modeling_t::paramview(size_t)
{
    return {};
}

void modeling_t::pullrecord(size_t, size_t) {}

element_array_t* modeling_t::elementarray()
{
    return nullptr;
}

const element_array_t* modeling_t::elementarray() const
{
    return nullptr;
}

void modeling_t::rebuild(frame_pass_t&) {}

void modeling_t::bounds(pos3& min, pos3& max) const
{
    min = pos3{0.0f, 0.0f, 0.0f};
    max = pos3{0.0f, 0.0f, 0.0f};
}

void modeling_t::clear()
{
    pointsizesOnDemand_ = false;
    name.clear();
    pointsizes.release();
    selectedpoints.clear();
    pointfeedback.release();
}

bool modeling_t::selectpoint(uint64_t i)
{
    if (i >= selectedpoints.size() || selectedpoints[i])
        return false;
    selectedpoints[i] = true;
    if (makepointsizes())
        pointsizes.writeRecord(i, &selectedSize);
    return true;
}

bool modeling_t::unselectpoint(uint64_t i)
{
    if (i >= selectedpoints.size() || !selectedpoints[i])
        return false;
    selectedpoints[i] = false;
    if (makepointsizes())
        pointsizes.writeRecord(i, &unselectedSize);
    return true;
}

bool modeling_t::makepointsizes()
{
    if (pointsizes.count() != 0 || !pointsizesOnDemand_ || selectedpoints.empty())
        return pointsizes.count() != 0;
    if (!pointsizes.allocate(selectedpoints.size(), pointSizeFormat()))
        return false;
    scoped_map_t<float> sizes(pointsizes, GL_MAP_WRITE_BIT);
    if (!sizes)
        return false;
    for (size_t i = 0; i < selectedpoints.size(); ++i)
        sizes[i] = selectedpoints[i] ? selectedSize : unselectedSize;
    return true;
}

void modeling_t::clearselection()
{
    // Sizes not made yet will follow the cleared bits.
    std::fill(selectedpoints.begin(), selectedpoints.end(), false);
    if (pointsizes.count() == 0)
        return;
    scoped_map_t<float> sizes(pointsizes, GL_MAP_WRITE_BIT);
    if (sizes)
        std::fill(sizes.get(), sizes.get() + pointsizes.count(), unselectedSize);
}

} // namespace vyk3d
