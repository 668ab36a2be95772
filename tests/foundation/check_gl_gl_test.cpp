#include "foundation/check_gl.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Captures what checkGL writes to stderr.
std::string stderrOf(bool (*body)(), bool& result)
{
    std::fflush(stderr);
    char name[] = "/tmp/vykcheckgl-XXXXXX";
    const int fd = mkstemp(name);
    const int saved = dup(2);
    dup2(fd, 2);
    result = body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    unlink(name);
    return text;
}

TEST(CheckGL, QuietWithoutError)
{
    vyktest::glContext();
    bool reported = true;
    const std::string text = stderrOf([] { return checkGL("quiet(1)"); }, reported);
    EXPECT_FALSE(reported);
    EXPECT_EQ(text, "");
}

TEST(CheckGL, ReportsTagCodeAndText)
{
    vyktest::glContext();
    bool reported = false;
    const std::string text = stderrOf(
        [] {
            glEnable(0xFFFF); // an invalid capability: GL_INVALID_ENUM
            return checkGL("vykview_t::display(1)");
        },
        reported);
    EXPECT_TRUE(reported);
    EXPECT_EQ(text, "vykview_t::display(1): Error 1280: invalid enumerant\n");
}

TEST(CheckGL, NullTagWritesNoPrefix)
{
    vyktest::glContext();
    bool reported = false;
    const std::string text = stderrOf(
        [] {
            glEnable(0xFFFF);
            return checkGL(nullptr);
        },
        reported);
    EXPECT_TRUE(reported);
    EXPECT_EQ(text, "Error 1280: invalid enumerant\n");
}

} // namespace
