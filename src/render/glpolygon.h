#pragma once

// The polygon renderer: draws one surface with the main program (Phong
// shading in tangent space with colour, bump and specular maps and the
// environment's reflection and refraction) and computes per-vertex tangent
// frames on the GPU with the feedback program and transform feedback.
// GL thread only; init once after the context exists.

#include "foundation/math.h"
#include "render/program.h"
#include "render/shader.h"
#include "render/transform_feedback.h"

#include <GL/glew.h>

#include <cstdint>

namespace vyk3d
{

class environment_t;
class modeling_t;
class polygon_t;
class texture_t;

class glpolygon_t
{
  public:
    // Texture units of the main program.
    enum : GLint { ColorUnit = 0, BumpUnit = 1, SpecUnit = 2, CubeUnit = 3 };

    glpolygon_t() = default;
    glpolygon_t(const glpolygon_t&) = delete;
    glpolygon_t& operator=(const glpolygon_t&) = delete;

    // Builds the feedback and main programs from "feedback.vsd",
    // "feedback.fsd", "shader.vsd" and "shader.fsd" (in the working
    // directory, else prefix + name, else the built-in sources) and looks up
    // the 17 uniforms. A stage that does not compile or a program that does
    // not link prints its message and log and ends the process with status
    // 1. False with "feedback.allocate() error." when the transform-feedback
    // object cannot be had.
    bool init(const char* prefix);

    // Draws `model` through its virtual draw with full shading. The
    // environment's cube map is used when its name is not empty; a texture
    // that the set does not have leaves its unit unbound.
    void drawsolid(const environment_t& environment, int skybox, const texture_t& texture, modeling_t& model,
                   const mtx3w* Globalview, const mtx3w* Modelview, const mtx3w* invModelview, const mtx3w* Projection,
                   const pos3* LightPosition, float Shininess);
    // Draws the selected triangles of `polygon` as a translucent overlay.
    void drawselect(const environment_t& environment, int skybox, const texture_t& texture, polygon_t& polygon,
                    const mtx3w* Globalview, const mtx3w* Modelview, const mtx3w* invModelview, const mtx3w* Projection,
                    const pos3* LightPosition, float Shininess);

    // The GPU frame pass: turns the polygon's work frames (wknmls) into
    // tangent frames and writes them over the first vertex-count records of
    // its normals. Count mismatches are reported ("glpolygon wrted != gened:
    // w, g", "glpolygon buf != gened: b, g") and the frames captured are
    // still copied, never more than the capture buffer and the normals hold.
    void computeFrames(polygon_t& polygon);

    shader_t fbvshader;
    shader_t fbfshader;
    program_t fbprogram;
    transform_feedback_t feedback;
    shader_t vshader;
    shader_t fshader;
    program_t program;

    GLint Globalview = -1, Modelview = -1, invModelview = -1, Projection = -1, LightPosition = -1, Shininess = -1,
          RefractFactor = -1, SkyBox = -1, ReflectAlpha = -1, RefractAlpha = -1, cubeTex = -1, colorTex = -1,
          bumpTex = -1, specTex = -1, bumpOfs = -1, ColorFactor = -1, MercatorSphere = -1;
};

} // namespace vyk3d
