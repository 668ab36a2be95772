#include "foundation/diagnostics.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// Lines written piece by piece from several threads arrive whole.
TEST(Diagnostics, LinesFromThreadsDoNotInterleave)
{
    message_capture_t capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                diagnostics() << "thread " << t << " line " << i << std::endl;
        });
    for (std::thread& t : threads)
        t.join();
    std::istringstream lines(capture.text());
    int count = 0, t = 0, i = 0;
    for (std::string line, word; std::getline(lines, line); ++count) {
        std::istringstream in(line);
        EXPECT_TRUE(in >> word >> t >> word >> i && word == "line" && in.eof() && t < 4 && i < 500) << line;
    }
    EXPECT_EQ(count, 2000);
}

} // namespace
