// The viewer started on hostile scene files, as a user would: each ends with
// the reader's own line, then "<file>: load error.", and status 1.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(SceneReaderViewer, HostileFilesEndTheViewerWithStatusOne)
{
    struct viewer_case {
        std::string text;
        std::string message; // the reader's line before the load error
    };
    const std::string padding = std::string(400, '#') + "\n";
    const viewer_case cases[] = {
        {"begin polygon_surface,2147483648,3\n" + padding,
         "1: polygon counts exceed what the file holds: begin polygon_surface,2147483648,3\n"},
        {"begin nurbs_surface,4294967295,2,4294967295,2\n" + padding,
         "1: nurbs counts exceed what the file holds: begin nurbs_surface,4294967295,2,4294967295,2\n"},
        {"begin nurbs_surface,3,0,3,2\n" + padding, "1: nurbs order out of range: begin nurbs_surface,3,0,3,2\n"},
        {"begin nurbs_surface,2,2,2,2\nresolution 65536,65537\n" + padding,
         "2: resolution out of range (2 to 65535 each, at most 4194304 vertices): resolution 65536,65537\n"},
        {"begin polygon_surface,3,3\nposition 1,2,\n" + padding, "2: line ends after a separator: position 1,2,\n"},
        {"# x\n" + std::string(10u << 20, 'x') + "\n", "2: line too long.\n"},
        {"# only a comment\n", ""},
    };
    vyktest::TempDir dir;
    int k = 0;
    for (const viewer_case& c : cases) {
        const std::string path = dir.write("bad" + std::to_string(k++) + ".vyk", c.text);
        SCOPED_TRACE(path);
        const vyktest::RunResult r = vyktest::run({vyktest::programPath("vykview"), path}, 60);
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(r.timedOut);
        const std::string tail = c.message + path + ": load error.\n";
        ASSERT_GE(r.err.size(), tail.size()) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
    }
}

} // namespace
