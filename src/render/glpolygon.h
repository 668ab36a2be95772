#pragma once

// The polygon renderer: draws one surface with the main program (Phong
// shading in tangent space with colour, bump and specular maps and the
// environment's reflection and refraction) and computes per-vertex tangent
// frames on the GPU with the feedback program and transform feedback.
// GL thread only; init once after the context exists.

#include "foundation/math.h"
#include "gl/program.h"
#include "gl/shader.h"
#include "model/frame_pass.h"
#include "render/surface_binder.h"

#include <GL/glew.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace vyk3d
{

class environment_t;
class modeling_t;
class polygon_t;
class texture_t;

// The frame pass is its base, so whatever takes a frame_pass_t (the loaders)
// takes the renderer as well.
class glpolygon_t : public frame_pass_t, public surface_binder_t
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
    // the 17 uniforms; the main program a second time with PLAIN_SURFACE
    // defined, for surfaces with only the built-in maps and no environment,
    // and a third time with COMPACT_SURFACE as well, for such surfaces held
    // in the compact form, and a fourth with SMOOTH_SURFACE too, for compact
    // surfaces with a normal a vertex (whose one-texel specular map may have
    // any colour).
    // A stage that does not compile or a program that does not link throws
    // libutils::fatal_error_t (status 1, its message and log). False with
    // "feedback.allocate() error." when the transform-feedback object cannot
    // be had.
    bool init(const char* prefix);

    // Draws `model` through its virtual draw with full shading. The
    // environment's cube map is used when its name is not empty; a texture
    // that the set does not have leaves its unit unbound. A set of built-in
    // maps without an environment is drawn by the plain program: the same
    // pixels without the lookups; a compact polygon surface so by the
    // compact program, and with maps or an environment from its full
    // records, made then.
    void drawsolid(const environment_t& environment, int skybox, const texture_t& texture, modeling_t& model,
                   const mtx3w* Globalview, const mtx3w* Modelview, const mtx3w* invModelview, const mtx3w* Projection,
                   const pos3* LightPosition, float Shininess);
    // Draws the selected triangles of `polygon` as a translucent overlay.
    void drawselect(const environment_t& environment, int skybox, const texture_t& texture, polygon_t& polygon,
                    const mtx3w* Globalview, const mtx3w* Modelview, const mtx3w* invModelview, const mtx3w* Projection,
                    const pos3* LightPosition, float Shininess);

    shader_t vshader;
    shader_t fshader;
    shader_t plainfshader;
    shader_t compactvshader;
    shader_t compactfshader;
    shader_t smoothvshader;
    shader_t smoothfshader;
    program_t program;
    program_t plainprogram;
    program_t compactprogram;
    program_t smoothprogram;

    GLint ColorFactor = -1; // the other uniforms are the binder's

  private:
    static constexpr size_t kUniforms = 17;
    using uniforms_t = std::array<GLint, kUniforms>;
    // Where the locations of the program in use go: the binder's and
    // ColorFactor, in the order of the names init looks up.
    std::array<GLint*, kUniforms> uniformSlots();
    // Looks up p's uniforms and sets its samplers' units; `quiet` for the
    // plain program, which leaves out what it does not use, without a word.
    uniforms_t lookUp(program_t& p, bool quiet);
    // Uses `p` with its locations `u`.
    void use(program_t& p, const uniforms_t& u);

    uniforms_t fullUniforms_{}, plainUniforms_{}, compactUniforms_{}, smoothUniforms_{};
    GLint surfaceColor_ = -1;    // of the compact program
    GLint surfaceSpecular_ = -1; // of the smooth program
};

} // namespace vyk3d
