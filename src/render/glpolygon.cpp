#include "render/glpolygon.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/query.h"
#include "render/texture_units.h"

#include <algorithm>
#include <iostream>

namespace vyk3d
{

namespace
{

libgr::grTextureObject* cubeOf(const environment_t& environment)
{
    return environment.name.empty() ? nullptr : environment.texture();
}

} // namespace

bool glpolygon_t::init(const char* prefix)
{
    compileStageOrExit(fbvshader, GL_VERTEX_SHADER, "feedback.vsd", prefix, ": feedback vertex shader init failed.");
    checkGL("glpolygon_t::init() feedback vertex shader inited.");
    compileStageOrExit(fbfshader, GL_FRAGMENT_SHADER, "feedback.fsd", prefix,
                       ": feedback fragment shader init failed.");
    checkGL("glpolygon_t::init() feedback fragment shader inited.");
    fbprogram.create();
    fbprogram.attach(fbvshader);
    fbprogram.attach(fbfshader);
    checkGL("glpolygon_t::init() feedback program inited.");
    if (!feedback.allocate()) {
        std::cerr << "feedback.allocate() error." << std::endl;
        return false;
    }
    // Interleaved: nine floats per vertex, the layout of a frame record.
    const char* varyings[3] = {"VertexTangent", "VertexBiNormal", "VertexNormal"};
    feedback.setVaryings(fbprogram.name(), 3, varyings);
    checkGL("glpolygon_t::init() feedback varying setted.");
    linkProgramOrExit(fbprogram, "feedback program link failed.");

    compileStageOrExit(vshader, GL_VERTEX_SHADER, "shader.vsd", prefix, ": vertex shader init failed.");
    compileStageOrExit(fshader, GL_FRAGMENT_SHADER, "shader.fsd", prefix, ": fragment shader init failed.");
    program.create();
    program.attach(vshader);
    program.attach(fshader);
    linkProgramOrExit(program, "program link failed.");

    GLint* locations[] = {&Globalview,    &Modelview, &invModelview, &Projection,   &LightPosition, &Shininess,
                          &RefractFactor, &SkyBox,    &ReflectAlpha, &RefractAlpha, &cubeTex,       &colorTex,
                          &bumpTex,       &specTex,   &bumpOfs,      &ColorFactor,  &MercatorSphere};
    const char* names[] = {"Globalview",    "Modelview", "invModelview", "Projection",   "LightPosition", "Shininess",
                           "RefractFactor", "SkyBox",    "ReflectAlpha", "RefractAlpha", "cubeTex",       "colorTex",
                           "bumpTex",       "specTex",   "bumpOfs",      "ColorFactor",  "MercatorSphere"};
    for (size_t n = 0; n < sizeof names / sizeof names[0]; ++n)
        *locations[n] = program.uniformLocation(names[n]);

    // The samplers get their fixed units once here as well: drawselect does
    // not set cubeTex, and a samplerCube left on unit 0 beside the 2-D
    // colour sampler would make every draw fail with GL_INVALID_OPERATION.
    program.use();
    glUniform1i(colorTex, ColorUnit);
    glUniform1i(bumpTex, BumpUnit);
    glUniform1i(specTex, SpecUnit);
    glUniform1i(cubeTex, CubeUnit);
    program.unuse();
    checkGL("glpolygon_t::init(end)");
    return true;
}

void glpolygon_t::drawsolid(const environment_t& environment, int skybox, const texture_t& texture, modeling_t& model,
                            const mtx3w* Globalview_, const mtx3w* Modelview_, const mtx3w* invModelview_,
                            const mtx3w* Projection_, const pos3* LightPosition_, float Shininess_)
{
    program.use();
    glUniformMatrix4fv(Globalview, 1, GL_TRUE, Globalview_->m);
    glUniformMatrix4fv(Modelview, 1, GL_TRUE, Modelview_->m);
    glUniformMatrix4fv(invModelview, 1, GL_TRUE, invModelview_->m);
    glUniformMatrix4fv(Projection, 1, GL_TRUE, Projection_->m);
    glUniform3fv(LightPosition, 1, &LightPosition_->x);
    glUniform1f(ColorFactor, 1.0f);
    glUniform1f(Shininess, Shininess_);
    checkGL("glpolygon_t::drawsolid(1)");

    libgr::grTextureObject* color = texture.colortexture();
    libgr::grTextureObject* bump = texture.bumptexture();
    libgr::grTextureObject* spec = texture.speculartexture();
    libgr::grTextureObject* cube = cubeOf(environment);
    activeUnit(ColorUnit);
    glUniform1i(colorTex, ColorUnit);
    loadOn(ColorUnit, color);
    checkGL("glpolygon_t::drawsolid(2)");
    activeUnit(BumpUnit);
    glUniform1i(bumpTex, BumpUnit);
    loadOn(BumpUnit, bump);
    glUniform2fv(bumpOfs, 1, texture.bumpoffset);
    checkGL("glpolygon_t::drawsolid(3)");
    activeUnit(SpecUnit);
    glUniform1i(specTex, SpecUnit);
    loadOn(SpecUnit, spec);
    checkGL("glpolygon_t::drawsolid(4)");
    activeUnit(CubeUnit);
    glUniform1i(cubeTex, CubeUnit);
    if (!environment.name.empty()) {
        loadOn(CubeUnit, cube);
        glUniform1f(RefractFactor, environment.refractfactor);
        glUniform1i(SkyBox, skybox != 0);
        glUniform1f(ReflectAlpha, environment.reflectalpha);
        glUniform1f(RefractAlpha, environment.refractalpha);
    } else {
        glUniform1f(ReflectAlpha, 0.0f);
        glUniform1f(RefractAlpha, 0.0f);
    }
    checkGL("glpolygon_t::drawsolid(5)");
    glUniform1i(MercatorSphere, texture.mercatorsphere);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    model.draw();
    glDisable(GL_BLEND);

    program.unuse();
    checkGL("glpolygon_t::drawsolid(7)");
    unloadOn(CubeUnit, cube);
    unloadOn(SpecUnit, spec);
    unloadOn(BumpUnit, bump);
    unloadOn(ColorUnit, color);
    activeUnit(ColorUnit);
    checkGL("glpolygon_t::drawsolid(end)");
}

void glpolygon_t::drawselect(const environment_t& environment, int skybox, const texture_t& texture, polygon_t& polygon,
                             const mtx3w* Globalview_, const mtx3w* Modelview_, const mtx3w* invModelview_,
                             const mtx3w* Projection_, const pos3* LightPosition_, float Shininess_)
{
    program.use();
    glUniformMatrix4fv(Globalview, 1, GL_TRUE, Globalview_->m);
    glUniformMatrix4fv(Modelview, 1, GL_TRUE, Modelview_->m);
    glUniformMatrix4fv(invModelview, 1, GL_TRUE, invModelview_->m);
    glUniformMatrix4fv(Projection, 1, GL_TRUE, Projection_->m);
    glUniform3fv(LightPosition, 1, &LightPosition_->x);
    checkGL("glpolygon_t::drawselect(1)");
    // Selected triangles keep a quarter of their alpha.
    glUniform1f(ColorFactor, 0.25f);
    checkGL("glpolygon_t::drawselect(1.1)");
    glUniform1f(Shininess, Shininess_);
    checkGL("glpolygon_t::drawselect(1.2)");

    libgr::grTextureObject* color = texture.colortexture();
    libgr::grTextureObject* bump = texture.bumptexture();
    libgr::grTextureObject* spec = texture.speculartexture();
    activeUnit(ColorUnit);
    glUniform1i(colorTex, ColorUnit);
    loadOn(ColorUnit, color);
    checkGL("glpolygon_t::drawselect(2)");
    activeUnit(BumpUnit);
    glUniform1i(bumpTex, BumpUnit);
    loadOn(BumpUnit, bump);
    glUniform2fv(bumpOfs, 1, texture.bumpoffset);
    checkGL("glpolygon_t::drawselect(3)");
    activeUnit(SpecUnit);
    glUniform1i(specTex, SpecUnit);
    loadOn(SpecUnit, spec);
    checkGL("glpolygon_t::drawselect(4)");
    if (!environment.name.empty()) {
        glUniform1f(RefractFactor, environment.refractfactor);
        glUniform1i(SkyBox, skybox != 0);
        glUniform1f(ReflectAlpha, environment.reflectalpha);
        glUniform1f(RefractAlpha, environment.refractalpha);
    } else {
        glUniform1f(ReflectAlpha, 0.0f);
        glUniform1f(RefractAlpha, 0.0f);
    }
    checkGL("glpolygon_t::drawselect(5)");

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    polygon.drawselection();
    glDisable(GL_BLEND);
    checkGL("glpolygon_t::drawselect(7)");

    unloadOn(SpecUnit, spec);
    unloadOn(BumpUnit, bump);
    unloadOn(ColorUnit, color);
    activeUnit(ColorUnit);
    program.unuse();
    checkGL("glpolygon_t::drawselect(end)");
}

void glpolygon_t::computeFrames(polygon_t& polygon)
{
    // The capture buffer must exist before the capture starts; a mesh
    // allocated on demand makes it here.
    if (!polygon.workframes())
        return;
    fbprogram.use();
    query_t written, generated;
    written.begin(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, 0);
    generated.begin(GL_PRIMITIVES_GENERATED, 0);
    feedback.begin(GL_POINTS, polygon.framefeedback);
    polygon.drawforfeedback();
    feedback.end();
    generated.end();
    written.end();
    const uint64_t wrted = written.GetQuery();
    const uint64_t gened = generated.GetQuery();
    fbprogram.unuse();

    if (wrted != gened)
        std::cerr << "glpolygon "
                  << "wrted != gened: " << wrted << ", " << gened << std::endl;
    if (polygon.framefeedback.count() / 9 != gened)
        std::cerr << "glpolygon "
                  << "buf != gened: " << polygon.framefeedback.count() / 9 << ", " << gened << std::endl;

    // Only the frames of the vertices in use: the normals array can be larger
    // than the capture buffer after a smaller re-tessellation, and neither
    // buffer may be read or written past its end.
    uint64_t bytes = polygon.vertexcount() * 9 * sizeof(float);
    bytes = std::min<uint64_t>(bytes, polygon.framefeedback.size());
    bytes = std::min<uint64_t>(bytes, uint64_t(std::max<int64_t>(polygon.normals.capacity(), 0)));
    if (bytes == 0 || polygon.framefeedback.name() == 0 || polygon.normals.bufferName() == 0)
        return;
    polygon.framefeedback.bind();
    glBindBuffer(GL_ARRAY_BUFFER, polygon.normals.bufferName());
    glCopyBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, GL_ARRAY_BUFFER, 0, 0, GLsizeiptr(bytes));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    polygon.framefeedback.unbind();
    checkGL("glpolygon_t::computeFrames(end)");
}

} // namespace vyk3d
