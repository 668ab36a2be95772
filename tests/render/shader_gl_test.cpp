#include "render/embedded_shaders.h"
#include "render/program.h"
#include "render/shader.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace vyk3d;

namespace
{

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

TEST(Program, MissingUniformIsReported)
{
    vyktest::glContext();
    program_t program;
    EXPECT_FALSE(program.link()); // no name yet
    ASSERT_TRUE(program.create());
    shader_t vs, fs;
    for (auto [shader, type, name] : {std::make_tuple(&vs, GL_VERTEX_SHADER, "shader.vsd"),
                                      std::make_tuple(&fs, GL_FRAGMENT_SHADER, "shader.fsd")}) {
        const char* source = embeddedShader(name);
        ASSERT_TRUE(shader->allocate(type, source, GLint(std::strlen(source))));
        program.attach(*shader);
    }
    ASSERT_TRUE(program.link());
    testing::internal::CaptureStderr();
    EXPECT_EQ(program.uniformLocation("NoSuchUniform"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "NoSuchUniform: can't determine the location.\n");
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

    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(cwd.path().c_str()), 0);
    const shader_source_t fromScene = findShaderSource("shader.fsd", prefix.c_str());
    const shader_source_t fromCwd = findShaderSource("morph.vsd", prefix.c_str());
    const shader_source_t builtIn = findShaderSource("shader.vsd", prefix.c_str());
    const shader_source_t noPrefix = findShaderSource("shader.fsd", "");
    const shader_source_t unknown = findShaderSource("nothing.vsd", nullptr);
    ASSERT_EQ(chdir(old), 0);

    EXPECT_TRUE(fromScene.found);
    EXPECT_EQ(fromScene.text, sceneBytes);
    EXPECT_EQ(fromScene.path, prefix + "shader.fsd");
    EXPECT_EQ(fromCwd.text, "cwd morph");
    EXPECT_EQ(fromCwd.path, "morph.vsd");
    EXPECT_TRUE(builtIn.found);
    EXPECT_TRUE(builtIn.path.empty());
    EXPECT_EQ(builtIn.text, embeddedShader("shader.vsd"));
    EXPECT_EQ(noPrefix.text, embeddedShader("shader.fsd")); // without a prefix no scene directory
    EXPECT_FALSE(unknown.found);
}

} // namespace
