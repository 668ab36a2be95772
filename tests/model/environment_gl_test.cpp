#include "model/environment.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/texture.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_fixtures.h"

namespace {

using namespace libgr;
using imgtest::bytes;
using imgtest::makeImage;
using vyk3d::cubeRegistry;

class EnvironmentGL : public testing::Test {
protected:
    void SetUp() override {
        vyktest::glContext();
        vyk3d::clearTextureRegistries();
    }
    void TearDown() override { vyk3d::clearTextureRegistries(); }

    // Six 2x2 24-bit BMP faces "<stem>_posx<ext>" ... whose blue byte is
    // `tint` and red byte the face index.
    void writeFaces(const std::string& stem, const std::string& ext, int tint) {
        for (int f = 0; f < 6; ++f) {
            std::string px;
            for (int i = 0; i < 4; ++i) px += bytes({tint, 0, f});
            std::string path = stem + vyk3d::cubeFaceSuffixes[f] + ext;
            dir.write(path.substr(dir.path().size() + 1), "");  // makes the directories
            ASSERT_TRUE(bmpSave(makeImage({grFmtBGR, grTypeUINT, grBits8}, 2, 2, px), path.c_str()));
        }
    }
    // RGBA of the first texel of face f of the environment's cube map.
    static std::string faceTexel(const vyk3d::environment_t& env, int f) {
        if (!env.texture()) return "(no texture)";
        grImage2D img;
        if (!env.texture()->GetTextureImageDirect(0, img, GL_TEXTURE_CUBE_MAP_POSITIVE_X + f)) return "(no read-back)";
        return std::string(reinterpret_cast<const char*>(img.data()), 4);
    }

    vyktest::TempDir dir;
};

TEST_F(EnvironmentGL, FacesLoadOnceForScenesInOneDirectory) {
    writeFaces(dir.file("sky"), ".bmp", 200);
    vyk3d::environment_t a, b;
    a.name = b.name = "sky.bmp";
    ASSERT_TRUE(a.initex(dir.file("one.vyk").c_str()));
    for (int f = 0; f < 6; ++f) EXPECT_EQ(faceTexel(a, f), bytes({f, 0, 200, 255})) << f;
    // The second scene finds the entry: the files are not read again.
    for (int f = 0; f < 6; ++f) std::remove((dir.file("sky") + vyk3d::cubeFaceSuffixes[f] + ".bmp").c_str());
    ASSERT_TRUE(b.initex(dir.file("two.vyk").c_str()));
    EXPECT_EQ(a.handle, b.handle);
    EXPECT_EQ(cubeRegistry().count(), 1u);
    EXPECT_EQ(a.texture()->Name(), b.texture()->Name());
}

TEST_F(EnvironmentGL, SameNameInTwoDirectoriesGivesTwoEntries) {
    writeFaces(dir.file("a/sky"), ".bmp", 10);
    writeFaces(dir.file("b/sky"), ".bmp", 20);
    vyk3d::environment_t a, b;
    a.name = b.name = "sky.bmp";
    ASSERT_TRUE(a.initex(dir.file("a/scene.vyk").c_str()));
    ASSERT_TRUE(b.initex(dir.file("b/scene.vyk").c_str()));
    EXPECT_NE(a.handle, b.handle);
    EXPECT_EQ(cubeRegistry().count(), 2u);
    EXPECT_EQ(cubeRegistry().find(dir.file("a/sky.bmp")), a.handle);
    EXPECT_EQ(faceTexel(a, 3), bytes({3, 0, 10, 255}));
    EXPECT_EQ(faceTexel(b, 3), bytes({3, 0, 20, 255}));
}

TEST_F(EnvironmentGL, NameWithADirectoryPartReadsBelowTheScene) {
    writeFaces(dir.file("env/sky"), ".bmp", 99);
    vyk3d::environment_t env;
    env.name = "env/sky.bmp";
    std::string scene = dir.file("scene.vyk");
    EXPECT_EQ(vyk3d::cubeFaceFileName(scene.c_str(), env.name, 5), dir.file("env/sky_negz.bmp"));
    // A drive in the name is dropped: the scene's directory still holds it.
    EXPECT_EQ(vyk3d::cubeFaceFileName(scene.c_str(), "X:env/sky.bmp", 0), dir.file("env/sky_posx.bmp"));
    ASSERT_TRUE(env.initex(scene.c_str()));
    EXPECT_EQ(faceTexel(env, 5), bytes({5, 0, 99, 255}));
    // Mipmapped with the environment's filters.
    env.texture()->Load();
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1, GL_TEXTURE_WIDTH, &v);
    EXPECT_EQ(v, 1);
    env.texture()->Unload();
}

TEST_F(EnvironmentGL, AFaceThatDoesNotLoadFailsEveryTime) {
    std::string scene = dir.file("scene.vyk");
    struct Case {
        const char* name;
        std::string message;  // the end of the error output
    } cases[] = {
        // Face files without an extension: no codec for them.
        {"sky", "autoloadformat load fail, fname=" + dir.file("sky_posx") + "\n" + scene + ": base filename.\n" +
                    dir.file("sky_posx") + ": autoloadformat failed.\n"},
        // Five faces present, the last one missing.
        {"part.bmp", scene + ": base filename.\n" + dir.file("part_negz.bmp") + ": autoloadformat failed.\n"},
    };
    writeFaces(dir.file("part"), ".bmp", 1);
    std::remove(dir.file("part_negz.bmp").c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int attempt = 0; attempt < 2; ++attempt) {
            vyk3d::environment_t env;
            env.name = c.name;
            testing::internal::CaptureStderr();
            EXPECT_FALSE(env.initex(scene.c_str()));
            std::string err = testing::internal::GetCapturedStderr();
            ASSERT_GE(err.size(), c.message.size());
            EXPECT_EQ(err.substr(err.size() - c.message.size()), c.message);
            EXPECT_EQ(env.handle, 0u);
            EXPECT_EQ(cubeRegistry().count(), 0u);
        }
    }
}

TEST_F(EnvironmentGL, UnnamedEnvironmentIsTheBlackCube) {
    vyk3d::environment_t a, b;
    ASSERT_TRUE(a.initex(dir.file("scene.vyk").c_str()));
    EXPECT_EQ(a.handle, cubeRegistry().find("cube"));
    EXPECT_TRUE(a.name.empty());
    for (int f = 0; f < 6; ++f) EXPECT_EQ(faceTexel(a, f), bytes({0, 0, 0, 255})) << f;
    ASSERT_TRUE(b.initex(nullptr));
    EXPECT_EQ(b.handle, a.handle);
    EXPECT_EQ(cubeRegistry().count(), 1u);
}

TEST_F(EnvironmentGL, DefaultsAndClearing) {
    vyk3d::environment_t env;
    EXPECT_EQ(env.handle, 0u);
    EXPECT_EQ(env.reflectalpha, 1.0f);
    EXPECT_EQ(env.refractalpha, 0.0f);
    EXPECT_EQ(env.refractfactor, 1.0f);
    EXPECT_EQ(env.texture(), nullptr);
    ASSERT_TRUE(env.initex(nullptr));
    GLuint name = env.texture()->Name();
    EXPECT_TRUE(glIsTexture(name));
    vyk3d::clearTextureRegistries();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(env.texture(), nullptr);
}

}  // namespace
