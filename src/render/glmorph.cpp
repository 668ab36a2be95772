#include "render/glmorph.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "render/texture_units.h"

#include <iostream>

namespace vyk3d
{

bool morphpair_t::bCoversA() const
{
    if (polyA == nullptr || polyB == nullptr)
        return false;
    const uint64_t need = polyA->vertices.count();
    return polyB->vertices.count() >= need && polyB->normals.count() >= need;
}

void morphpair_t::build()
{
    if (polyA == nullptr)
        return;
    vao.create();
    usesB_ = bCoversA();
    if (!usesB_)
        std::cerr << "morphpair_t::build(): B has " << (polyB ? polyB->vertices.count() : 0)
                  << " vertices, fewer than A's " << polyA->vertices.count() << "; A is drawn alone." << std::endl;
    // Vertex i of A is blended with vertex i of B, so B must hold every
    // vertex index that A's strips use; otherwise A stands in for B.
    const polygon_t* b = usesB_ ? polyB : polyA;
    GLuint base = 0;
    polyA->vertices.bindAttributes(vao, base);
    base += GLuint(polyA->vertices.format().size());
    polyA->normals.bindAttributes(vao, base);
    base += GLuint(polyA->normals.format().size());
    b->vertices.bindAttributes(vao, base);
    base += GLuint(b->vertices.format().size());
    b->normals.bindAttributes(vao, base);
}

void morphpair_t::draw()
{
    if (polyA == nullptr || !vao.created())
        return;
    // A surface re-tessellated since build() may no longer match.
    if (usesB_ != bCoversA())
        build();
    glPrimitiveRestartIndex(0xFFFFFFFFu);
    glEnable(GL_PRIMITIVE_RESTART);
    polyA->elements.draw(vao, GL_TRIANGLE_STRIP);
    glDisable(GL_PRIMITIVE_RESTART);
}

bool glmorph_t::init(const char* basedir)
{
    compileStageOrExit(vertexShader, GL_VERTEX_SHADER, "morph.vsd", basedir, ": morph vertex shader init failed.");
    compileStageOrExit(fragmentShader, GL_FRAGMENT_SHADER, "morph.fsd", basedir,
                       ": morph fragment shader init failed.");
    program.create();
    program.attach(vertexShader);
    program.attach(fragmentShader);
    linkProgramOrExit(program, "program link failed.");

    GLint* locations[] = {&Globalview,   &Modelview,     &invModelview,   &Projection,     &LightPosition, &Shininess,
                          &MorphingRate, &RefractFactor, &SkyBox,         &ReflectAlpha,   &RefractAlpha,  &cubeTex,
                          &colorTex,     &bumpTex,       &specTex,        &bumpOfs,        &colorTex2,     &bumpTex2,
                          &specTex2,     &bumpOfs2,      &MercatorSphere, &MercatorSphere2};
    const char* names[] = {"Globalview",     "Modelview",      "invModelview",  "Projection", "LightPosition",
                           "Shininess",      "MorphingRate",   "RefractFactor", "SkyBox",     "ReflectAlpha",
                           "RefractAlpha",   "cubeTex",        "colorTex",      "bumpTex",    "specTex",
                           "bumpOfs",        "colorTex2",      "bumpTex2",      "specTex2",   "bumpOfs2",
                           "MercatorSphere", "MercatorSphere2"};
    for (size_t n = 0; n < sizeof names / sizeof names[0]; ++n)
        *locations[n] = program.uniformLocation(names[n]);
    checkGL("glmorph_t::init(end)");
    return true;
}

void glmorph_t::drawsolid(const environment_t& environment, int skybox, morphpair_t& pair, float rate,
                          const mtx3w* Globalview_, const mtx3w* Modelview_, const mtx3w* invModelview_,
                          const mtx3w* Projection_, const pos3* LightPosition_, float Shininess_)
{
    const texture_t* a = pair.texA;
    const texture_t* b = pair.textureB();
    libgr::grTextureObject* colorA = a ? a->colortexture() : nullptr;
    libgr::grTextureObject* bumpA = a ? a->bumptexture() : nullptr;
    libgr::grTextureObject* specA = a ? a->speculartexture() : nullptr;
    libgr::grTextureObject* colorB = b ? b->colortexture() : nullptr;
    libgr::grTextureObject* bumpB = b ? b->bumptexture() : nullptr;
    libgr::grTextureObject* specB = b ? b->speculartexture() : nullptr;
    const bool named = !environment.name.empty();
    libgr::grTextureObject* cube = named ? environment.texture() : nullptr;
    const float noOffset[2] = {0.0f, 0.0f};

    program.use();
    glUniformMatrix4fv(Globalview, 1, GL_TRUE, Globalview_->m);
    glUniformMatrix4fv(Modelview, 1, GL_TRUE, Modelview_->m);
    glUniformMatrix4fv(invModelview, 1, GL_TRUE, invModelview_->m);
    glUniformMatrix4fv(Projection, 1, GL_TRUE, Projection_->m);
    glUniform3fv(LightPosition, 1, &LightPosition_->x);
    glUniform1f(Shininess, Shininess_);
    glUniform1f(MorphingRate, rate);
    checkGL("glmorph_t::drawsolid(1)");

    activeUnit(ColorUnit);
    glUniform1i(colorTex, ColorUnit);
    loadOn(ColorUnit, colorA);
    checkGL("glmorph_t::drawsolid(2)");
    activeUnit(BumpUnit);
    glUniform1i(bumpTex, BumpUnit);
    loadOn(BumpUnit, bumpA);
    glUniform2fv(bumpOfs, 1, a ? a->bumpoffset : noOffset);
    checkGL("glmorph_t::drawsolid(3)");
    activeUnit(SpecUnit);
    glUniform1i(specTex, SpecUnit);
    loadOn(SpecUnit, specA);
    checkGL("glmorph_t::drawsolid(4)");
    activeUnit(Color2Unit);
    glUniform1i(colorTex2, Color2Unit);
    loadOn(Color2Unit, colorB);
    checkGL("glmorph_t::drawsolid(5)");
    activeUnit(Bump2Unit);
    checkGL("glmorph_t::drawsolid(6.0)");
    glUniform1i(bumpTex2, Bump2Unit);
    checkGL("glmorph_t::drawsolid(6.1)");
    loadOn(Bump2Unit, bumpB);
    checkGL("glmorph_t::drawsolid(6.2)");
    glUniform2fv(bumpOfs2, 1, b ? b->bumpoffset : noOffset);
    checkGL("glmorph_t::drawsolid(6.3)");
    activeUnit(Spec2Unit);
    glUniform1i(specTex2, Spec2Unit);
    loadOn(Spec2Unit, specB);
    checkGL("glmorph_t::drawsolid(7)");
    activeUnit(CubeUnit);
    glUniform1i(cubeTex, CubeUnit);
    if (!named) {
        glUniform1f(ReflectAlpha, 0.0f);
        glUniform1f(RefractAlpha, 0.0f);
    } else {
        loadOn(CubeUnit, cube);
        glUniform1f(RefractFactor, environment.refractfactor);
        glUniform1i(SkyBox, (skybox & 0xFF) != 0);
        glUniform1f(ReflectAlpha, environment.reflectalpha);
        glUniform1f(RefractAlpha, environment.refractalpha);
    }
    glUniform1i(MercatorSphere, a ? a->mercatorsphere : false);
    glUniform1i(MercatorSphere2, b ? b->mercatorsphere : false);
    checkGL("glmorph_t::drawsolid(7.1)");

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    pair.draw();
    glDisable(GL_BLEND);
    checkGL("glmorph_t::drawsolid(8)");

    if (named && cube != nullptr)
        unloadOn(CubeUnit, cube);
    checkGL("glmorph_t::drawsolid(8.1)");
    if (specB)
        unloadOn(Spec2Unit, specB);
    if (bumpB)
        unloadOn(Bump2Unit, bumpB);
    if (colorB)
        unloadOn(Color2Unit, colorB);
    checkGL("glmorph_t::drawsolid(9)");
    if (specA)
        unloadOn(SpecUnit, specA);
    if (bumpA)
        unloadOn(BumpUnit, bumpA);
    if (colorA)
        unloadOn(ColorUnit, colorA);
    activeUnit(ColorUnit);
    checkGL("glmorph_t::drawsolid(end)");
    program.unuse();
}

} // namespace vyk3d
