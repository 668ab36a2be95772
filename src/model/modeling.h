#pragma once

// The abstract surface of a scene: what the viewer, the readers and writers
// and the renderers ask of any surface, plus the selectable-point state that
// every surface kind shares. GL thread only.

#include "foundation/math.h"
#include "gl/attribute_array.h"
#include "gl/element_array.h"
#include "gl/transform_feedback.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vyk3d
{

class frame_pass_t;

// A strided view of one parameter array ({pointer, stride, count}).
struct param_view_t {
    float* ptr = nullptr;
    size_t stride = 1;
    size_t count = 0;
};

class modeling_t
{
  public:
    modeling_t() = default;
    virtual ~modeling_t() = default;
    modeling_t(const modeling_t&) = delete;
    modeling_t& operator=(const modeling_t&) = delete;

    // 0 for polygon surfaces, 3 for NURBS surfaces.
    virtual int kind() const { return 0; }
    virtual param_view_t paramview(size_t index);
    virtual size_t arraycount() const = 0;
    // The stored GL arrays by index; null for an index out of range.
    virtual attribute_array_t* array(size_t index) = 0;
    virtual const attribute_array_t* array(size_t index) const = 0;
    // Reads one record of a stored array back from its GL buffer.
    virtual void pullrecord(size_t arrayIndex, size_t record);
    // The triangle strips; null when the surface has none.
    virtual element_array_t* elementarray();
    virtual const element_array_t* elementarray() const;
    // Recomputes what depends on the control data.
    virtual void rebuild(frame_pass_t& framePass);
    virtual void drawpoints() = 0;
    virtual void draw() = 0;
    // Axis-aligned bounds; (0, 0, 0) twice here.
    virtual void bounds(pos3& min, pos3& max) const;
    // Back to the empty state: name, point sizes, point bits, feedback.
    virtual void clear();

    // Point selection: one bit and one display size per selectable point.
    // select: false when out of range or already selected; else size 5.0.
    bool selectpoint(uint64_t i);
    // unselect: false when out of range or not selected; else size 3.0.
    bool unselectpoint(uint64_t i);
    // Every size 3.0 and every bit clear.
    void clearselection();

    std::string name;
    attribute_array_t pointsizes;     // point-size format, one per point
    std::vector<bool> selectedpoints; // one bit per point
    feedback_buffer_t pointfeedback;  // ten words per point

  protected:
    // A surface that sets pointsizesOnDemand_ leaves pointsizes empty until
    // a point is selected or drawn; makepointsizes() then makes one size a
    // bit (5.0 selected, 3.0 not). True when the sizes exist afterwards.
    bool makepointsizes();
    bool pointsizesOnDemand_ = false;
};

} // namespace vyk3d
