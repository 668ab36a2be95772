// Shader override files: the lookup, and the viewer started on a scene
// whose directory holds a replacement source.

#include "gl/embedded_shaders.h"
#include "gl/shader.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/scene_text.h"
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

TEST(ShaderOverride, BrokenFragmentSourceInSceneDirectoryEndsWithStatus1AfterItsLog)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("tri.stl", vyktest::kOneFacetStl);
    dir.write("shader.fsd", "#version 330\nvoid main() { broken }\n");
    const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykview"), scene}, 60);
    EXPECT_EQ(r.status, 1);
    const std::string head = "shader_t::allocate() compile status error.\n"
                             "shader.fsd: fragment shader init failed.\n";
    ASSERT_EQ(r.err.substr(0, head.size()), head) << r.err;
    EXPECT_GT(r.err.size(), head.size() + 1); // the compiler's log follows
}

// An override that compiles but reads only Shininess is used: the viewer
// runs on and reports the sampler uniforms it no longer finds.
TEST(ShaderOverride, ValidOverrideIsUsedAndMissingUniformsAreOnlyReported)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("tri.stl", vyktest::kOneFacetStl);
    dir.write("shader.fsd", "#version 330\nuniform float Shininess;\nlayout(location = 0) out vec4 c;\n"
                            "void main() { c = vec4(Shininess); }\n");
    vyktest::Process viewer({vyktest::programPath("vykview"), scene});
    // The window title names the scene only after the shaders are built.
    bool titled = false;
    for (int i = 0; i < 300 && viewer.running() && !titled; ++i) {
        const vyktest::RunResult found =
            vyktest::run({"/usr/bin/xdotool", "search", "--name", scene + " - vykview"}, 10);
        titled = found.status == 0 && !found.out.empty();
        if (!titled)
            vyktest::sleepSeconds(0.1);
    }
    const std::string err = viewer.errSoFar();
    EXPECT_TRUE(titled) << err;
    EXPECT_TRUE(viewer.running()) << err;
    EXPECT_NE(err.find("cubeTex: can't determine the location.\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("Shininess: can't determine"), std::string::npos) << err;
}

} // namespace
