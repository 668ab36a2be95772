#include "foundation/diagnostics.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace libutils;

// The newest capture takes the text and the one before gets it back when it
// ends; the stream hands over a line when it ends or at a flush; the last
// whole line skips progress lines; a formatted text of any length is whole.
TEST(Diagnostics, CapturesNestStreamLinesAndTheLastLineSkipsProgress)
{
    message_capture_t outer;
    report("a\n");
    {
        message_capture_t inner;
        diagnostics() << "b: " << 2 << '\n' << "c";
        reportf("%s %d\n", "d", 4);
        diagnostics() << std::endl;
        report("\rloading x (1/2)\033[K");
        EXPECT_EQ(inner.text(), "b: 2\nd 4\nc\n\rloading x (1/2)\033[K");
        EXPECT_EQ(lastMessage(), "c");
    }
    const std::string longLine(300, 'x');
    reportf("%s:\n%s\n", "e", longLine.c_str());
    EXPECT_EQ(outer.text(), "a\ne:\n" + longLine + "\n");
    EXPECT_EQ(lastMessage(), longLine);
}

} // namespace
