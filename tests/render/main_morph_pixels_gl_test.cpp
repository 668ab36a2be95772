// The main and the morph program draw the same surface identically when the
// morph blends a surface with itself: same lighting, same texture mapping
// (also the Mercator-sphere mapping), whatever the rate.

#include "foundation/check_gl.h"
#include "model/polygon.h"
#include "render/embedded_shaders.h"
#include "render/program.h"
#include "render/scoped_map.h"
#include "render/shader.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vyk3d;

namespace
{

constexpr int size = 48;

bool build(program_t& program, shader_t& vs, shader_t& fs, const char* v, const char* f)
{
    const char* vsrc = embeddedShader(v);
    const char* fsrc = embeddedShader(f);
    if (!vs.allocate(GL_VERTEX_SHADER, vsrc, GLint(std::strlen(vsrc))) ||
        !fs.allocate(GL_FRAGMENT_SHADER, fsrc, GLint(std::strlen(fsrc))) || !program.create())
        return false;
    program.attach(vs);
    program.attach(fs);
    return program.link();
}

GLuint texture2D(int w, int h, const std::vector<unsigned char>& rgba)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
}

class MainMorphPixels : public testing::TestWithParam<bool>
{
  protected:
    void SetUp() override
    {
        vyktest::glContext();
        ASSERT_TRUE(build(mainProgram_, mainVs_, mainFs_, "shader.vsd", "shader.fsd")) << mainProgram_.infoLog();
        ASSERT_TRUE(build(morphProgram_, morphVs_, morphFs_, "morph.vsd", "morph.fsd")) << morphProgram_.infoLog();

        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(1, &rbo_);
        glBindRenderbuffer(GL_RENDERBUFFER, rbo_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size, size);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rbo_);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        glViewport(0, 0, size, size);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);

        // Colour: a ramp along v with a stripe pattern along u, so that any
        // difference in the texture mapping shows.
        std::vector<unsigned char> color;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) {
                const unsigned char c[4] = {(unsigned char)(y * 16), (unsigned char)(x % 2 ? 255 : 40),
                                            (unsigned char)(255 - y * 16), 255};
                color.insert(color.end(), c, c + 4);
            }
        colorTex_ = texture2D(8, 16, color);
        bumpTex_ = texture2D(1, 1, {0, 0, 255, 255}); // the unit normal (0, 0, 1)
        specTex_ = texture2D(1, 1, {60, 60, 60, 255});

        // A quad facing the eye, u and v running across it.
        ASSERT_TRUE(quad_.allocate(4, 4));
        {
            scoped_map_t<float> v(quad_.vertices);
            ASSERT_TRUE(v);
            const float records[4][9] = {{-0.9f, -0.9f, -1, 1, 1, 1, 1, 0, 0},
                                         {0.9f, -0.9f, -1, 1, 1, 1, 1, 1, 0},
                                         {-0.9f, 0.9f, -1, 1, 1, 1, 1, 0, 1},
                                         {0.9f, 0.9f, -1, 1, 1, 1, 1, 1, 1}};
            std::memcpy(v.get(), records, sizeof records);
            scoped_map_t<float> n(quad_.normals);
            ASSERT_TRUE(n);
            std::fill(n.get(), n.get() + 36, 0.0f);
            scoped_map_t<uint32_t> e(quad_.elements);
            ASSERT_TRUE(e);
            const uint32_t strip[4] = {0, 1, 2, 3};
            std::memcpy(e.get(), strip, sizeof strip);
        }
        quad_.update();
        // The morph pair of the quad with itself: A at 0-5, B at 6-11.
        pair_.create();
        quad_.vertices.bindAttributes(pair_, 0);
        quad_.normals.bindAttributes(pair_, 3);
        quad_.vertices.bindAttributes(pair_, 6);
        quad_.normals.bindAttributes(pair_, 9);
    }

    void TearDown() override
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &rbo_);
        glDeleteFramebuffers(1, &fbo_);
        const GLuint textures[3] = {colorTex_, bumpTex_, specTex_};
        glDeleteTextures(3, textures);
    }

    // The uniforms both programs share, set as the renderers set them.
    void common(const program_t& p, bool mercator)
    {
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (const char* m : {"Globalview", "Modelview", "invModelview", "Projection"})
            glUniformMatrix4fv(glGetUniformLocation(p.name(), m), 1, GL_TRUE, identity);
        glUniform3f(glGetUniformLocation(p.name(), "LightPosition"), 0.3f, 0.5f, 2.0f);
        glUniform1f(glGetUniformLocation(p.name(), "Shininess"), 8.0f);
        glUniform1f(glGetUniformLocation(p.name(), "RefractFactor"), 0.9f);
        glUniform1i(glGetUniformLocation(p.name(), "SkyBox"), 0);
        glUniform1f(glGetUniformLocation(p.name(), "ReflectAlpha"), 0.0f);
        glUniform1f(glGetUniformLocation(p.name(), "RefractAlpha"), 0.0f);
        glUniform1i(glGetUniformLocation(p.name(), "MercatorSphere"), mercator);
        glUniform2f(glGetUniformLocation(p.name(), "bumpOfs"), 0.0f, 0.0f);
    }

    std::vector<unsigned char> drawMain(bool mercator)
    {
        mainProgram_.use();
        common(mainProgram_, mercator);
        glUniform1f(glGetUniformLocation(mainProgram_.name(), "ColorFactor"), 1.0f);
        const GLint units[4] = {0, 1, 2, 3}; // colorTex, bumpTex, specTex, cubeTex
        bindUnits(mainProgram_, units, {"colorTex", "bumpTex", "specTex", "cubeTex"});
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        quad_.draw();
        mainProgram_.unuse();
        return pixels();
    }

    std::vector<unsigned char> drawMorph(bool mercator, float rate)
    {
        morphProgram_.use();
        common(morphProgram_, mercator);
        glUniform1i(glGetUniformLocation(morphProgram_.name(), "MercatorSphere2"), mercator);
        glUniform2f(glGetUniformLocation(morphProgram_.name(), "bumpOfs2"), 0.0f, 0.0f);
        glUniform1f(glGetUniformLocation(morphProgram_.name(), "MorphingRate"), rate);
        const GLint units[7] = {0, 1, 2, 0, 1, 2, 6};
        bindUnits(morphProgram_, units,
                  {"colorTex", "bumpTex", "specTex", "colorTex2", "bumpTex2", "specTex2", "cubeTex"});
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glPrimitiveRestartIndex(restartIndex);
        glEnable(GL_PRIMITIVE_RESTART);
        quad_.elements.draw(pair_, GL_TRIANGLE_STRIP);
        glDisable(GL_PRIMITIVE_RESTART);
        morphProgram_.unuse();
        return pixels();
    }

    void bindUnits(const program_t& p, const GLint* units, std::initializer_list<const char*> names)
    {
        size_t i = 0;
        for (const char* n : names)
            glUniform1i(glGetUniformLocation(p.name(), n), units[i++]);
        const GLuint textures[3] = {colorTex_, bumpTex_, specTex_};
        for (int u = 0; u < 3; ++u) {
            glActiveTexture(GLenum(GL_TEXTURE0 + u));
            glBindTexture(GL_TEXTURE_2D, textures[u]);
        }
        glActiveTexture(GL_TEXTURE0);
    }

    std::vector<unsigned char> pixels()
    {
        std::vector<unsigned char> rgba(size * size * 4);
        glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    shader_t mainVs_, mainFs_, morphVs_, morphFs_;
    program_t mainProgram_, morphProgram_;
    GLuint fbo_ = 0, rbo_ = 0, colorTex_ = 0, bumpTex_ = 0, specTex_ = 0;
    polygon_t quad_;
    vertex_array_t pair_;
};

TEST_P(MainMorphPixels, MorphOfASurfaceWithItselfLooksLikeTheSurface)
{
    const bool mercator = GetParam();
    const std::vector<unsigned char> main = drawMain(mercator);
    EXPECT_FALSE(checkGL("MainMorphPixels main"));
    // The picture is not flat: lit, textured, with a background.
    EXPECT_NE(std::memcmp(&main[0], &main[(size * size / 2 + size / 2) * 4], 4), 0);
    for (float rate : {0.0f, 0.5f, 0.999f}) {
        SCOPED_TRACE(rate);
        const std::vector<unsigned char> morph = drawMorph(mercator, rate);
        EXPECT_FALSE(checkGL("MainMorphPixels morph"));
        int differing = 0;
        for (size_t i = 0; i < main.size(); ++i)
            if (std::abs(int(main[i]) - int(morph[i])) > 2)
                ++differing;
        EXPECT_EQ(differing, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Mapping, MainMorphPixels, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "mercatorSphere" : "plain");
                         });

} // namespace
