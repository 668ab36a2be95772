#include "render/embedded_shaders.h"
#include "render/program.h"
#include "render/shader.h"
#include "render/transform_feedback.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vyk3d;

namespace
{

struct program_case_t {
    const char* vertex;
    const char* fragment;
    bool feedback;
    std::vector<const char*> uniforms; // in the renderers' lookup order
};

const program_case_t programs[] = {
    {"shader.vsd",
     "shader.fsd",
     false,
     {"Globalview", "Modelview", "invModelview", "Projection", "LightPosition", "Shininess", "RefractFactor", "SkyBox",
      "ReflectAlpha", "RefractAlpha", "cubeTex", "colorTex", "bumpTex", "specTex", "bumpOfs", "ColorFactor",
      "MercatorSphere"}},
    {"morph.vsd", "morph.fsd", false, {"Globalview",     "Modelview",      "invModelview", "Projection",
                                       "LightPosition",  "Shininess",      "MorphingRate", "RefractFactor",
                                       "SkyBox",         "ReflectAlpha",   "RefractAlpha", "cubeTex",
                                       "colorTex",       "bumpTex",        "specTex",      "bumpOfs",
                                       "colorTex2",      "bumpTex2",       "specTex2",     "bumpOfs2",
                                       "MercatorSphere", "MercatorSphere2"}},
    {"feedback.vsd", "feedback.fsd", true, {"LightPosition", "Shininess"}},
};

bool compile(shader_t& shader, GLenum type, const char* name)
{
    const char* source = embeddedShader(name);
    if (source == nullptr)
        return false;
    return shader.allocate(type, source, GLint(std::strlen(source)));
}

TEST(BuiltInPrograms, CompileLinkAndResolveEveryUniform)
{
    vyktest::glContext();
    for (const program_case_t& c : programs) {
        SCOPED_TRACE(c.vertex);
        shader_t vs, fs;
        ASSERT_TRUE(compile(vs, GL_VERTEX_SHADER, c.vertex)) << vs.infoLog();
        ASSERT_TRUE(compile(fs, GL_FRAGMENT_SHADER, c.fragment)) << fs.infoLog();
        program_t program;
        ASSERT_TRUE(program.create());
        program.attach(vs);
        program.attach(fs);
        transform_feedback_t feedback;
        if (c.feedback) {
            ASSERT_TRUE(feedback.allocate());
            const char* varyings[] = {"VertexTangent", "VertexBiNormal", "VertexNormal"};
            feedback.setVaryings(program.name(), 3, varyings);
        }
        ASSERT_TRUE(program.link()) << program.infoLog();
        testing::internal::CaptureStderr();
        for (const char* uniform : c.uniforms)
            EXPECT_GE(program.uniformLocation(uniform), 0) << uniform;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST(Shader, BrokenSourceFailsWithItsLog)
{
    vyktest::glContext();
    shader_t shader;
    const std::string source = "#version 330\nvoid main() { this is not glsl; }\n";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(shader.allocate(GL_FRAGMENT_SHADER, source.data(), GLint(source.size())));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "shader_t::allocate() compile status error.\n");
    EXPECT_FALSE(shader.infoLog().empty());
}

TEST(Shader, SourceNeedsNoTerminatingZero)
{
    vyktest::glContext();
    // The length ends the source before the garbage that follows it.
    const std::string source = "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n@@@";
    shader_t shader;
    EXPECT_TRUE(shader.allocate(GL_FRAGMENT_SHADER, source.data(), GLint(source.size() - 3))) << shader.infoLog();
}

TEST(Program, LifecycleAndMissingUniform)
{
    vyktest::glContext();
    program_t program;
    EXPECT_FALSE(program.link()); // no name yet
    ASSERT_TRUE(program.create());
    EXPECT_FALSE(program.create());
    shader_t vs, fs;
    ASSERT_TRUE(compile(vs, GL_VERTEX_SHADER, "shader.vsd"));
    ASSERT_TRUE(compile(fs, GL_FRAGMENT_SHADER, "shader.fsd"));
    program.attach(vs);
    program.attach(fs);
    ASSERT_TRUE(program.link());
    testing::internal::CaptureStderr();
    EXPECT_EQ(program.uniformLocation("NoSuchUniform"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "NoSuchUniform: can't determine the location.\n");
}

// Runs `body` with the working directory set to `dir`.
template <class F> void inDirectory(const std::string& dir, F body)
{
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    body();
    ASSERT_EQ(chdir(old), 0);
}

TEST(ShaderSource, WorkingDirectoryThenPrefixThenBuiltIn)
{
    vyktest::TempDir cwd;
    vyktest::TempDir scene;
    const std::string prefix = scene.path() + "/";
    const std::string sceneBytes("// scene\n\0tail", 14); // exact bytes, zero included
    scene.write("shader.fsd", sceneBytes);
    scene.write("morph.vsd", "scene morph");
    cwd.write("morph.vsd", "cwd morph");

    inDirectory(cwd.path(), [&] {
        const shader_source_t fromScene = findShaderSource("shader.fsd", prefix.c_str());
        EXPECT_TRUE(fromScene.found);
        EXPECT_EQ(fromScene.text, sceneBytes);
        EXPECT_EQ(fromScene.path, prefix + "shader.fsd");

        const shader_source_t fromCwd = findShaderSource("morph.vsd", prefix.c_str());
        EXPECT_EQ(fromCwd.text, "cwd morph");
        EXPECT_EQ(fromCwd.path, "morph.vsd");

        const shader_source_t builtIn = findShaderSource("shader.vsd", prefix.c_str());
        EXPECT_TRUE(builtIn.found);
        EXPECT_TRUE(builtIn.path.empty());
        EXPECT_EQ(builtIn.text, embeddedShader("shader.vsd"));

        // Without a prefix the scene directory is not searched.
        EXPECT_EQ(findShaderSource("shader.fsd", "").text, embeddedShader("shader.fsd"));
        EXPECT_FALSE(findShaderSource("nothing.vsd", nullptr).found);
    });
}

} // namespace
