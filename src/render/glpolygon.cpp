#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"

#include <tuple>

namespace vyk3d
{

bool glpolygon_t::init(const char* prefix)
{
    if (!frame_pass_t::init(prefix))
        return false;

    compileStageOrExit(vshader, GL_VERTEX_SHADER, "shader.vsd", prefix, ": vertex shader init failed.");
    compileStageOrExit(fshader, GL_FRAGMENT_SHADER, "shader.fsd", prefix, ": fragment shader init failed.");
    compileStageOrExit(plainfshader, GL_FRAGMENT_SHADER, "shader.fsd", prefix, ": fragment shader init failed.",
                       "#define PLAIN_SURFACE\n");
    compileStageOrExit(compactvshader, GL_VERTEX_SHADER, "shader.vsd", prefix, ": vertex shader init failed.",
                       "#define COMPACT_SURFACE\n");
    compileStageOrExit(compactfshader, GL_FRAGMENT_SHADER, "shader.fsd", prefix, ": fragment shader init failed.",
                       "#define PLAIN_SURFACE\n#define COMPACT_SURFACE\n");
    compileStageOrExit(smoothvshader, GL_VERTEX_SHADER, "shader.vsd", prefix, ": vertex shader init failed.",
                       "#define COMPACT_SURFACE\n#define SMOOTH_SURFACE\n");
    compileStageOrExit(smoothfshader, GL_FRAGMENT_SHADER, "shader.fsd", prefix, ": fragment shader init failed.",
                       "#define PLAIN_SURFACE\n#define COMPACT_SURFACE\n#define SMOOTH_SURFACE\n");
    for (auto [p, v, f] : {std::tuple{&program, &vshader, &fshader},
                           {&plainprogram, &vshader, &plainfshader},
                           {&compactprogram, &compactvshader, &compactfshader},
                           {&smoothprogram, &smoothvshader, &smoothfshader}}) {
        p->create();
        p->attach(*v);
        p->attach(*f);
        linkProgramOrExit(*p, "program link failed.");
    }
    plainUniforms_ = lookUp(plainprogram, true);
    compactUniforms_ = lookUp(compactprogram, true);
    smoothUniforms_ = lookUp(smoothprogram, true);
    surfaceSpecular_ = smoothprogram.uniformLocation("SurfaceSpecular");
    surfaceColor_ = compactprogram.uniformLocation("SurfaceColor");
    compactprogram.use();
    glUniform1i(compactprogram.uniformLocation("FacetNormals"), polygon_t::kFacetUnit);
    compactprogram.unuse();
    fullUniforms_ = lookUp(program, false); // the binder keeps the full program's
    checkGL("glpolygon_t::init(end)");
    return true;
}

std::array<GLint*, glpolygon_t::kUniforms> glpolygon_t::uniformSlots()
{
    return {&Globalview,    &Modelview, &invModelview, &Projection,   &LightPosition, &Shininess,
            &RefractFactor, &SkyBox,    &ReflectAlpha, &RefractAlpha, &cubeTex,       &colorTex,
            &bumpTex,       &specTex,   &bumpOfs,      &ColorFactor,  &MercatorSphere};
}

glpolygon_t::uniforms_t glpolygon_t::lookUp(program_t& p, bool quiet)
{
    static const char* const names[kUniforms] = {
        "Globalview",    "Modelview", "invModelview", "Projection",   "LightPosition", "Shininess",
        "RefractFactor", "SkyBox",    "ReflectAlpha", "RefractAlpha", "cubeTex",       "colorTex",
        "bumpTex",       "specTex",   "bumpOfs",      "ColorFactor",  "MercatorSphere"};
    uniforms_t u{};
    for (size_t n = 0; n < kUniforms; ++n)
        u[n] = quiet ? glGetUniformLocation(p.name(), names[n]) : p.uniformLocation(names[n]);
    // The samplers get their fixed units once here as well: drawselect does
    // not set cubeTex, and a samplerCube left on unit 0 beside the 2-D
    // colour sampler would make every draw fail with GL_INVALID_OPERATION.
    use(p, u);
    glUniform1i(colorTex, ColorUnit);
    glUniform1i(bumpTex, BumpUnit);
    glUniform1i(specTex, SpecUnit);
    glUniform1i(cubeTex, CubeUnit);
    p.unuse();
    return u;
}

void glpolygon_t::use(program_t& p, const uniforms_t& u)
{
    const auto slots = uniformSlots();
    for (size_t n = 0; n < kUniforms; ++n)
        *slots[n] = u[n];
    p.use();
}

void glpolygon_t::drawsolid(const environment_t& environment, int skybox, const texture_t& texture, modeling_t& model,
                            const mtx3w* Globalview_, const mtx3w* Modelview_, const mtx3w* invModelview_,
                            const mtx3w* Projection_, const pos3* LightPosition_, float Shininess_)
{
    static const char* const tags[6] = {
        "glpolygon_t::drawsolid(2)", nullptr, nullptr, nullptr, "glpolygon_t::drawsolid(3)",
        "glpolygon_t::drawsolid(4)"};
    const bool plain = environment.name.empty() && texture.builtinMapsOnly();
    polygon_t* polygon = dynamic_cast<polygon_t*>(&model);
    // The smooth program takes the one-texel specular map's colour too.
    const bool smoothDrawn = polygon && polygon->smooth() && environment.name.empty() && texture.builtinMaps();
    if (polygon && !plain && !smoothDrawn)
        polygon->fullRecords(); // the full program reads them
    const bool compact = polygon && polygon->compact();
    const bool smooth = compact && polygon->smooth();
    program_t& chosen = smooth ? smoothprogram : compact ? compactprogram : plain ? plainprogram : program;
    use(chosen, smooth ? smoothUniforms_ : compact ? compactUniforms_ : plain ? plainUniforms_ : fullUniforms_);
    uploadView(Globalview_, Modelview_, invModelview_, Projection_, LightPosition_);
    glUniform1f(ColorFactor, 1.0f);
    if (smooth) {
        const unsigned char* s = texture.specularcolor; // as the map's texel reads
        glUniform4f(surfaceSpecular_, s[0] / 255.0f, s[1] / 255.0f, s[2] / 255.0f, s[3] / 255.0f);
        if (polygon->vertexColors.count() == 0)
            glVertexAttrib4fv(1, polygon->compactColor); // every vertex's, at the colour's location
    } else if (compact && !smooth) {
        const float* c = polygon->compactColor;
        glUniform4f(surfaceColor_, c[0], c[1], c[2], c[3]); // alpha times the colour factor, 1
    }
    glUniform1f(Shininess, Shininess_);
    checkGL("glpolygon_t::drawsolid(1)");

    const bound_set_t maps = bindSet({colorTex, bumpTex, specTex, bumpOfs, ColorUnit}, &texture, tags);
    libgr::grTextureObject* cube = bindEnvironment(environment, skybox != 0, CubeUnit);
    checkGL("glpolygon_t::drawsolid(5)");
    glUniform1i(MercatorSphere, texture.mercatorsphere);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    model.draw();
    glDisable(GL_BLEND);

    chosen.unuse();
    checkGL("glpolygon_t::drawsolid(7)");
    unbindCube(CubeUnit, cube);
    unbindSet(maps);
    activeUnit(ColorUnit);
    checkGL("glpolygon_t::drawsolid(end)");
}

void glpolygon_t::drawselect(const environment_t& environment, int skybox, const texture_t& texture, polygon_t& polygon,
                             const mtx3w* Globalview_, const mtx3w* Modelview_, const mtx3w* invModelview_,
                             const mtx3w* Projection_, const pos3* LightPosition_, float Shininess_)
{
    static const char* const tags[6] = {
        "glpolygon_t::drawselect(2)", nullptr, nullptr, nullptr, "glpolygon_t::drawselect(3)",
        "glpolygon_t::drawselect(4)"};
    use(program, fullUniforms_);
    uploadView(Globalview_, Modelview_, invModelview_, Projection_, LightPosition_);
    checkGL("glpolygon_t::drawselect(1)");
    // Selected triangles keep a quarter of their alpha.
    glUniform1f(ColorFactor, 0.25f);
    checkGL("glpolygon_t::drawselect(1.1)");
    glUniform1f(Shininess, Shininess_);
    checkGL("glpolygon_t::drawselect(1.2)");

    // No cube map for the overlay; cubeTex keeps the unit init gave it.
    const bound_set_t maps = bindSet({colorTex, bumpTex, specTex, bumpOfs, ColorUnit}, &texture, tags);
    bindEnvironment(environment, skybox != 0, -1);
    checkGL("glpolygon_t::drawselect(5)");

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    polygon.drawselection();
    glDisable(GL_BLEND);
    checkGL("glpolygon_t::drawselect(7)");

    unbindSet(maps);
    activeUnit(ColorUnit);
    program.unuse();
    checkGL("glpolygon_t::drawselect(end)");
}

} // namespace vyk3d
