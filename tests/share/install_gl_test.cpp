// The build installed into a staging root, as a package build does, and what
// a desktop reads from it checked with the desktop's own tools.
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{

class Installed : public ::testing::Test
{
  protected:
    vyktest::TempDir stage;
    std::string usr(const std::string& relative) const { return stage.path() + "/usr/" + relative; }
    // Runs a program found on PATH, the staged bin folder first, with no display.
    vyktest::RunResult tool(std::vector<std::string> argv, const std::vector<std::string>& env = {}) const
    {
        argv.insert(argv.begin(), {"/usr/bin/env", "-u", "DISPLAY", "PATH=" + usr("bin") + ":/usr/bin:/bin"});
        return vyktest::run(argv, 120, env);
    }
    void SetUp() override
    {
        const auto r = tool({"cmake", "--install", VYK_BINARY_DIR, "--prefix", "/usr"}, {"DESTDIR=" + stage.path()});
        ASSERT_EQ(r.status, 0) << r.err;
    }
};

TEST_F(Installed, PagesEntriesAndTypesPassTheirCheckers)
{
    for (const char* page : {"vykview", "vykshot", "vykconv"}) {
        const auto r = tool({"man", "--warnings", "-l", usr("share/man/man1/") + page + ".1"}, {"MANWIDTH=80"});
        EXPECT_TRUE(r.status == 0 && r.err.empty() && r.out.find(page) != std::string::npos) << page << r.err;
    }
    const auto desktop = tool({"desktop-file-validate", usr("share/applications/vykview.desktop")});
    EXPECT_EQ(desktop.status, 0);
    EXPECT_EQ(desktop.out + desktop.err, "");

    const std::string mime = usr("share/mime");
    ASSERT_EQ(tool({"update-mime-database", mime}).status, 0);
    // A scene is known by its name, or without one by its first "begin ",
    // after comment lines or not.
    for (const auto& [name, bytes] : {std::pair{"a.vyk", "# a comment\n"},
                                      {"scene", "begin environment\nend\n"},
                                      {"commented", "# a\n# b\nbegin environment\nend\n"}}) {
        const auto r = tool({"gio", "info", "-a", "standard::content-type", stage.write(name, bytes)},
                            {"XDG_DATA_DIRS=" + usr("share") + ":/usr/share", "XDG_DATA_HOME=" + stage.file("home")});
        EXPECT_NE(r.out.find("content-type: model/x-vyk\n"), std::string::npos) << name << r.out << r.err;
    }
}

// The thumbnailer's Exec line, run as a file manager's sandbox runs it: fields
// filled in, no display.
TEST_F(Installed, ThumbnailerWritesAPictureOfTheAskedSize)
{
    std::istringstream entry(vyktest::readFile(usr("share/thumbnailers/vykview.thumbnailer")));
    std::string line;
    while (std::getline(entry, line) && line.rfind("Exec=", 0) != 0) {
    }
    ASSERT_EQ(line.rfind("Exec=", 0), 0u);
    for (const auto& [input, size] : {std::pair{"examples/bracket.stl", 96}, {"examples/globe.vyk", 40}}) {
        const std::string output = stage.file("thumb.png"), side = std::to_string(size);
        std::vector<std::string> argv;
        std::istringstream words(line.substr(5));
        for (std::string w; words >> w;) {
            for (const auto& [field, value] :
                 {std::pair{"%s", side}, {"%i", vyktest::sourcePath(input)}, {"%o", output}})
                for (size_t at; (at = w.find(field)) != std::string::npos;)
                    w.replace(at, 2, value);
            argv.push_back(w);
        }
        const auto r = tool(argv);
        ASSERT_EQ(r.status, 0) << r.err;
        const vyktest::Image png = vyktest::readImage(output);
        EXPECT_TRUE(png.width == size && png.height == size) << input;
    }
}

TEST(Package, DebianPackageHoldsTheInstallAndItsLibraries)
{
    vyktest::TempDir out;
    const auto r = vyktest::run({"/usr/bin/env", "cpack", "-G", "DEB", "--config",
                                 std::string(VYK_BINARY_DIR) + "/CPackConfig.cmake", "-B", out.path()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const auto found = vyktest::run({"/usr/bin/find", out.path(), "-maxdepth", "1", "-name", "*.deb"});
    const std::string deb = found.out.substr(0, found.out.find('\n'));
    const std::string depends = vyktest::run({"/usr/bin/dpkg-deb", "-f", deb, "Depends"}).out;
    for (const char* library : {"libglut", "libglew", "libpng16", "libjpeg62-turbo", "libegl1", "libgl1-mesa-dri",
                                "libassimp5", "libseccomp2"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    const std::string files = vyktest::run({"/usr/bin/dpkg-deb", "-c", deb}).out;
    EXPECT_NE(files.find("./usr/share/thumbnailers/vykview.thumbnailer"), std::string::npos);
}

} // namespace
