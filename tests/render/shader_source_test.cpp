#include "render/embedded_shaders.h"
#include "render/shader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace vyk3d;

namespace
{

// The viewer's override lookup: the working directory, then the first scene
// file's directory, then the built-in source.
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
    ASSERT_EQ(chdir(old), 0);

    EXPECT_TRUE(fromScene.found);
    EXPECT_EQ(fromScene.text, sceneBytes);
    EXPECT_EQ(fromScene.path, prefix + "shader.fsd");
    EXPECT_EQ(fromCwd.text, "cwd morph");
    EXPECT_EQ(fromCwd.path, "morph.vsd");
    EXPECT_TRUE(builtIn.found);
    EXPECT_TRUE(builtIn.path.empty());
    EXPECT_EQ(builtIn.text, embeddedShader("shader.vsd"));
}

} // namespace
