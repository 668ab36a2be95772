// Shader override files: the lookup, and a program drawing a scene whose
// directory holds a replacement source.

#include "foundation/fatal_error.h"
#include "gl/shader.h"
#include "support/capture.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace vyk3d;

namespace
{

// The working directory, then the first scene file's directory (the built-in
// source comes last, as every program run shows); a file's bytes are taken
// exactly, zero included.
TEST(ShaderSource, WorkingDirectoryThenPrefixThenBuiltIn)
{
    vyktest::TempDir cwd, scene;
    const std::string prefix = scene.path() + "/", sceneBytes("// scene\n\0tail", 14);
    scene.write("shader.fsd", sceneBytes);
    scene.write("morph.vsd", "scene morph");
    cwd.write("morph.vsd", "cwd morph");
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(cwd.path().c_str()), 0);
    const shader_source_t fromScene = findShaderSource("shader.fsd", prefix.c_str()),
                          fromCwd = findShaderSource("morph.vsd", prefix.c_str());
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(std::make_pair(fromScene.text, fromScene.path), std::make_pair(sceneBytes, prefix + "shader.fsd"));
    EXPECT_EQ(std::make_pair(fromCwd.text, fromCwd.path),
              std::make_pair(std::string("cwd morph"), std::string("morph.vsd")));
}

// A stage that does not build throws for main (the process goes on): status
// 1, the file and the failure text, then the compiler's log.
TEST(ShaderStage, BrokenSourceThrowsTheStatusAndMessage)
{
    vyktest::TempDir dir;
    dir.write("morph.fsd", "#version 330\nvoid main() { broken }\n");
    const std::string prefix = dir.path() + "/";
    shader_t shader;
    int status = -1;
    std::string what;
    const std::string err = vyktest::stderrOf([&] {
        try {
            compileStageOrExit(shader, GL_FRAGMENT_SHADER, "morph.fsd", prefix.c_str(), ": morph init failed.");
        } catch (const libutils::fatal_error_t& e) {
            status = e.status();
            what = e.what();
        }
    });
    EXPECT_EQ(err, "shader_t::allocate() compile status error.\n");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(what.rfind("morph.fsd: morph init failed.\n", 0) == 0 && what.find("error") != std::string::npos)
        << what;
}

// A broken override named by --shaders ends vykshot with status 1 after the
// compiler's log; one that compiles but reads only Shininess is used, and
// the sampler uniforms it no longer has are only reported. Without the
// option the broken file beside the scene and in the working directory is
// never compiled.
TEST(ShaderOverride, BrokenSourceEndsTheProgramAMissingUniformIsReported)
{
    const struct {
        const char* source;
        bool asked;
        int status;
        const char* err; // a line of stderr
    } cases[] = {
        {"void main() { broken }\n", true, 1,
         "shader_t::allocate() compile status error.\nshader.fsd: fragment shader init failed.\n"},
        {"uniform float Shininess;\nlayout(location = 0) out vec4 c;\nvoid main() { c = vec4(Shininess); }\n", true, 0,
         "cubeTex: can't determine the location.\n"},
        {"void main() { broken }\n", false, 0, ""},
    };
    for (const auto& c : cases) {
        vyktest::TempDir dir;
        // The plain build's define goes after the version line, not before it.
        dir.write("shader.fsd", std::string("// an override\n#version 330\n") + c.source);
        std::vector<std::string> args{vyktest::programPath("vykshot"), "-o", dir.file("out.png"),
                                      dir.write("tri.stl", vyktest::kOneFacetStl)};
        if (c.asked)
            args.insert(args.begin() + 1, {"--shaders", dir.path()});
        char old[4096];
        ASSERT_NE(getcwd(old, sizeof old), nullptr);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        const vyktest::RunResult r = vyktest::run(args);
        ASSERT_EQ(chdir(old), 0);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Shininess: can't determine"), std::string::npos) << r.err;
    }
}

} // namespace
