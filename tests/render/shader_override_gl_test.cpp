// Shader override files as a user meets them: the viewer started on a scene
// whose directory (or the working directory) holds a replacement source.

#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace
{

const char* triangleStl = "solid t\n"
                          "facet normal 0 0 1\n"
                          "outer loop\n"
                          "vertex 0 0 0\n"
                          "vertex 1 0 0\n"
                          "vertex 0 1 0\n"
                          "endloop\n"
                          "endfacet\n"
                          "endsolid t\n";

const char* brokenFragment = "#version 330\nvoid main() { broken }\n";

// Compiles and links with the main vertex program but reads only Shininess,
// so the sampler uniforms of the main program are not found.
const char* plainFragment = "#version 330\n"
                            "uniform float Shininess;\n"
                            "layout(location = 0) out vec4 c;\n"
                            "void main() { c = vec4(Shininess); }\n";

// Starts the viewer and waits until its init is over (the window title
// names the scene only after the shaders are built and the scene loaded);
// what it wrote by then.
std::string errAfterInit(const std::string& scene, bool& stillRunning, bool& titled)
{
    titled = false;
    vyktest::Process viewer({vyktest::programPath("vykview"), scene});
    for (int i = 0; i < 300 && viewer.running(); ++i) {
        const vyktest::RunResult found =
            vyktest::run({"/usr/bin/xdotool", "search", "--name", scene + " - vykview"}, 10);
        if (found.status == 0 && !found.out.empty()) {
            titled = true;
            break;
        }
        vyktest::sleepSeconds(0.1);
    }
    stillRunning = viewer.running();
    return viewer.errSoFar();
}

TEST(ShaderOverride, BrokenFragmentSourceInSceneDirectoryEndsWithStatus1AfterItsLog)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("tri.stl", triangleStl);
    dir.write("shader.fsd", brokenFragment);
    const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykview"), scene}, 60);
    EXPECT_EQ(r.status, 1);
    const std::string head = "shader_t::allocate() compile status error.\n"
                             "shader.fsd: fragment shader init failed.\n";
    ASSERT_EQ(r.err.substr(0, head.size()), head) << r.err;
    // The compiler's log follows on its own line(s).
    EXPECT_GT(r.err.size(), head.size() + 1);
    EXPECT_EQ(r.err.back(), '\n');
}

TEST(ShaderOverride, WorkingDirectoryComesBeforeSceneDirectory)
{
    vyktest::TempDir sceneDir;
    vyktest::TempDir cwd;
    const std::string scene = sceneDir.write("tri.stl", triangleStl);
    cwd.write("feedback.vsd", brokenFragment);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(cwd.path().c_str()), 0);
    const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykview"), scene}, 60);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("feedback.vsd: feedback vertex shader init failed.\n"), std::string::npos) << r.err;
}

TEST(ShaderOverride, ValidOverrideIsUsedAndMissingUniformsAreOnlyReported)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("tri.stl", triangleStl);
    dir.write("shader.fsd", plainFragment);
    bool running = false, titled = false;
    const std::string err = errAfterInit(scene, running, titled);
    EXPECT_TRUE(running) << err;
    EXPECT_TRUE(titled) << err;
    EXPECT_NE(err.find("cubeTex: can't determine the location.\n"), std::string::npos) << err;
    EXPECT_NE(err.find("MercatorSphere: can't determine the location.\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("Shininess: can't determine"), std::string::npos) << err;
}

TEST(ShaderOverride, BuiltInSourcesResolveEveryUniform)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("tri.stl", triangleStl);
    bool running = false, titled = false;
    const std::string err = errAfterInit(scene, running, titled);
    EXPECT_TRUE(running) << err;
    EXPECT_TRUE(titled) << err;
    EXPECT_EQ(err.find("can't determine the location."), std::string::npos) << err;
}

} // namespace
