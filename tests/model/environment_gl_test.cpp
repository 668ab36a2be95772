#include "model/environment.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/texture.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"
#include "textures/image_fixtures.h"

namespace
{

using imgtest::bytes;
using vyk3d::cubeRegistry;

class EnvironmentGL : public testing::Test
{
  protected:
    void SetUp() override { vyk3d::clearTextureRegistries(); }
    void TearDown() override { vyk3d::clearTextureRegistries(); }

    // Faces "<sub>sky_posx.bmp" ... whose red byte is the face index and
    // blue byte `tint`.
    void writeFaces(const std::string& sub, int tint)
    {
        vyktest::writeCubeFaces(dir.file(sub + "sky"), [&](int f) { return vyktest::rgb_t{f, 0, tint}; });
    }
    static std::string faceTexel(const vyk3d::environment_t& env, int f)
    {
        return vyktest::texelsOf(env.texture(), 0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + f).substr(0, 4);
    }

    vyktest::TempDir dir;
};

// Scenes of one directory share one entry, read once; the same name in
// another directory is another entry; an unnamed environment is the built-in
// black cube. Emptying the registries (the viewer's exit handler) deletes the
// GL names.
TEST_F(EnvironmentGL, FacesLoadOncePerDirectory)
{
    writeFaces("", 200);
    writeFaces("b/", 20);
    vyk3d::environment_t a, b, other;
    a.name = b.name = other.name = "sky.bmp";
    ASSERT_TRUE(a.initex(dir.file("one.vyk").c_str()));
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(faceTexel(a, f), bytes({f, 0, 200, 255})) << f;
    for (int f = 0; f < 6; ++f)
        std::remove((dir.file("sky") + vyk3d::cubeFaceSuffixes[f] + ".bmp").c_str());
    ASSERT_TRUE(b.initex(dir.file("two.vyk").c_str()));
    EXPECT_EQ(a.texture()->Name(), b.texture()->Name());
    ASSERT_TRUE(other.initex(dir.file("b/scene.vyk").c_str()));
    EXPECT_EQ(cubeRegistry().count(), 2u);
    EXPECT_EQ(faceTexel(other, 3), bytes({3, 0, 20, 255}));
    vyk3d::environment_t unnamed; // the built-in black cube
    ASSERT_TRUE(unnamed.initex(dir.file("scene.vyk").c_str()));
    EXPECT_EQ(faceTexel(unnamed, 5), bytes({0, 0, 0, 255}));
    const GLuint name = a.texture()->Name();
    vyk3d::clearTextureRegistries();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(a.texture(), nullptr);
}

// A missing face fails the environment with lines naming the scene and the
// face, every time it is asked for.
TEST_F(EnvironmentGL, MissingFaceIsNamed)
{
    writeFaces("", 1);
    std::remove(dir.file("sky_negy.bmp").c_str());
    vyk3d::environment_t env;
    env.name = "sky.bmp";
    const std::string scene = dir.file("s.vyk"), face = dir.file("sky_negy.bmp");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(env.initex(scene.c_str())); }),
                  face + ": file stat failed.\n" + scene + ": base filename.\n" + face + ": autoloadformat failed.\n");
        EXPECT_EQ(env.texture(), nullptr);
    }
}

} // namespace
