#pragma once

// The morph renderer: draws a blend of two polygon surfaces, vertex i of
// surface A with vertex i of surface B, by a rate between 0 and 1, with the
// texture sets of both blended by the same rate. GL thread only.

#include "foundation/math.h"
#include "gl/program.h"
#include "gl/shader.h"
#include "gl/vertex_array.h"
#include "render/surface_binder.h"

#include <GL/glew.h>

namespace vyk3d
{

class environment_t;
class polygon_t;
class texture_t;

// Ties a surface of one scene to the matching surface of the next and owns
// the vertex array object that feeds both to the morph program: A's vertices
// and frames at locations 0-5, B's at 6-11. The surfaces and texture sets
// are not owned and must outlive the pair.
class morphpair_t
{
  public:
    morphpair_t(texture_t* textureA, texture_t* textureB, polygon_t* polygonA, polygon_t* polygonB)
        : texA(textureA), texB(textureB), polyA(polygonA), polyB(polygonB)
    {
    }
    ~morphpair_t() { vao.release(); }

    // Creates the vertex array object and lays the four arrays onto it. A
    // surface B with fewer vertices than A would make the GPU read past B's
    // buffers: then A is laid in B's place as well (A is drawn alone, with
    // its own textures in both slots), after one line on stderr:
    // "morphpair_t::build(): B has 4 vertices, fewer than A's 8; A is drawn alone."
    void build();
    // A's triangle strips through the pair's vertex array object, with
    // primitive restart. Re-checks the counts first, so a surface B that
    // shrank after build() is never read past its end.
    void draw();

    // True when B's arrays are laid onto the vertex array object.
    bool blendsB() const { return usesB_; }
    // The texture set drawn in B's slots: B's, or A's when A is drawn alone.
    const texture_t* textureB() const { return usesB_ ? texB : texA; }

    texture_t* texA;
    texture_t* texB;
    polygon_t* polyA;
    polygon_t* polyB;
    vertex_array_t vao;

  private:
    bool bCoversA() const;
    bool usesB_ = false;
};

class glmorph_t : public surface_binder_t
{
  public:
    // Texture units of the morph program.
    enum : GLint {
        ColorUnit = 0,
        BumpUnit = 1,
        SpecUnit = 2,
        Color2Unit = 3,
        Bump2Unit = 4,
        Spec2Unit = 5,
        CubeUnit = 6
    };

    glmorph_t() = default;
    glmorph_t(const glmorph_t&) = delete;
    glmorph_t& operator=(const glmorph_t&) = delete;

    // Builds the morph program from "morph.vsd" and "morph.fsd" (working
    // directory, else basedir + name, else built in) and looks up the 22
    // uniforms. A stage that does not compile or a program that does not
    // link throws libutils::fatal_error_t (status 1, its message and log).
    bool init(const char* basedir);

    // Draws `pair` blended by `rate` (0 shows A, just below 1 almost B).
    // Only the low byte of `skybox` is used.
    void drawsolid(const environment_t& environment, int skybox, morphpair_t& pair, float rate, const mtx3w* Globalview,
                   const mtx3w* Modelview, const mtx3w* invModelview, const mtx3w* Projection,
                   const pos3* LightPosition, float Shininess);

    shader_t vertexShader;
    shader_t fragmentShader;
    program_t program;

    // B's set and the rate; the uniforms both programs have are the binder's.
    GLint MorphingRate = -1, colorTex2 = -1, bumpTex2 = -1, specTex2 = -1, bumpOfs2 = -1, MercatorSphere2 = -1;
};

} // namespace vyk3d
