#include "foundation/file_watcher.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include <unistd.h>

namespace
{

void writeInPlace(const std::string& path, const char* text) // no truncation
{
    std::fstream(path, std::ios::in | std::ios::out) << text;
}

TEST(FileWatcher, SeesEachKindOfSaveOnceItSettles)
{
    vyktest::TempDir dir;
    const std::string scene = dir.write("scene.vyk", "begin environment\nend\n");
    dir.write("other.txt", "x");
    file_watcher_t watcher(200);
    ASSERT_TRUE(watcher.watch(scene));
    EXPECT_FALSE(watcher.watch(dir.file("no/such/folder.vyk")));

    // Each step writes, then asks at the given time (ms) for the given answer.
    // A rename save comes before later saves: the watch must outlive the inode.
    const struct {
        const char* what;
        std::function<void()> save;
        uint32_t at;
        bool changed;
    } steps[] = {
        {"a file beside it", [&] { writeInPlace(dir.file("other.txt"), "y"); }, 1000, false},
        {"in place", [&] { writeInPlace(scene, "B"); }, 2000, false},
        {"in place, settling", [] {}, 2199, false},
        {"in place, settled", [] {}, 2200, true},
        {"asked again", [] {}, 3000, false},
        {"rename save", [&] { std::rename(dir.write("scene.vyk~", "x").c_str(), scene.c_str()); }, 4000, false},
        {"rename save, settled", [] {}, 4200, true},
        {"truncate", [&] { ASSERT_EQ(truncate(scene.c_str(), 0), 0); }, 5000, false},
        // The write restarts the wait.
        {"then write", [&] { vyktest::writeFile(scene, "begin"); }, 5150, false},
        {"then write, settling", [] {}, 5300, false},
        {"then write, settled", [] {}, 5350, true},
    };
    for (const auto& s : steps) {
        s.save();
        EXPECT_EQ(watcher.changed(s.at), s.changed) << s.what;
    }

    watcher.clear();
    writeInPlace(scene, "C");
    EXPECT_FALSE(watcher.changed(9000)) << "forgotten";
}

} // namespace
