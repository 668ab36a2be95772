#include "render/glmorph.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "model/texture.h"

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
    // The morph program reads both surfaces' full records.
    polyA->fullRecords();
    if (polyB)
        polyB->fullRecords();
    vao.create();
    usesB_ = bCoversA();
    if (!usesB_)
        libutils::diagnostics() << "morphpair_t::build(): B has " << (polyB ? polyB->vertices.count() : 0)
                                << " vertices, fewer than A's " << polyA->vertices.count() << "; A is drawn alone."
                                << std::endl;
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
    static const char* const tagsA[6] = {
        "glmorph_t::drawsolid(2)", nullptr, nullptr, nullptr, "glmorph_t::drawsolid(3)", "glmorph_t::drawsolid(4)"};
    static const char* const tagsB[6] = {"glmorph_t::drawsolid(5)",   "glmorph_t::drawsolid(6.0)",
                                         "glmorph_t::drawsolid(6.1)", "glmorph_t::drawsolid(6.2)",
                                         "glmorph_t::drawsolid(6.3)", "glmorph_t::drawsolid(7)"};
    const texture_t* a = pair.texA;
    const texture_t* b = pair.textureB();

    program.use();
    uploadView(Globalview_, Modelview_, invModelview_, Projection_, LightPosition_);
    glUniform1f(Shininess, Shininess_);
    glUniform1f(MorphingRate, rate);
    checkGL("glmorph_t::drawsolid(1)");

    const bound_set_t mapsA = bindSet({colorTex, bumpTex, specTex, bumpOfs, ColorUnit}, a, tagsA);
    const bound_set_t mapsB = bindSet({colorTex2, bumpTex2, specTex2, bumpOfs2, Color2Unit}, b, tagsB);
    libgr::grTextureObject* cube = bindEnvironment(environment, (skybox & 0xFF) != 0, CubeUnit);
    glUniform1i(MercatorSphere, a ? a->mercatorsphere : false);
    glUniform1i(MercatorSphere2, b ? b->mercatorsphere : false);
    checkGL("glmorph_t::drawsolid(7.1)");

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    pair.draw();
    glDisable(GL_BLEND);
    checkGL("glmorph_t::drawsolid(8)");

    unbindCube(CubeUnit, cube);
    checkGL("glmorph_t::drawsolid(8.1)");
    unbindSet(mapsB);
    checkGL("glmorph_t::drawsolid(9)");
    unbindSet(mapsA);
    activeUnit(ColorUnit);
    checkGL("glmorph_t::drawsolid(end)");
    program.unuse();
}

} // namespace vyk3d
