#pragma once

// The GPU frame pass: the feedback program and the transform-feedback object
// that turn a polygon's work frames into tangent frames. This is all a loader
// or a converter needs to finish a surface; drawing needs the renderers
// above. GL thread only; init once after the context exists.

#include "gl/program.h"
#include "gl/shader.h"
#include "gl/transform_feedback.h"

namespace vyk3d
{

class polygon_t;

class frame_pass_t
{
  public:
    frame_pass_t() = default;
    frame_pass_t(const frame_pass_t&) = delete;
    frame_pass_t& operator=(const frame_pass_t&) = delete;

    // Builds the feedback program from "feedback.vsd" and "feedback.fsd" (in
    // the working directory, else prefix + name, else the built-in sources).
    // A stage that does not compile or a program that does not link throws
    // libutils::fatal_error_t (status 1, its message and log). False with
    // "feedback.allocate() error." when the transform-feedback object cannot
    // be had.
    bool init(const char* prefix);

    // Turns the polygon's work frames (wknmls) into tangent frames and writes
    // them over the first vertex-count records of its normals. Count
    // mismatches are reported ("glpolygon wrted != gened: w, g", "glpolygon
    // buf != gened: b, g") and the frames captured are still copied, never
    // more than the capture buffer and the normals hold.
    void computeFrames(polygon_t& polygon);

    shader_t fbvshader;
    shader_t fbfshader;
    program_t fbprogram;
    transform_feedback_t feedback;
};

} // namespace vyk3d
