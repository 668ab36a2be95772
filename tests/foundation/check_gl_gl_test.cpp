#include "foundation/check_gl.h"

#include "support/capture.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

// Quiet without an error; otherwise the tag (none when null), the code and
// the text of the error, and true.
TEST(CheckGL, ReportsTagCodeAndText)
{
    EXPECT_EQ(vyktest::stderrOf([] { EXPECT_FALSE(checkGL("quiet(1)")); }), "");
    glEnable(0xFFFF); // an invalid capability: GL_INVALID_ENUM
    EXPECT_EQ(vyktest::stderrOf([] { EXPECT_TRUE(checkGL("vykview_t::display(1)")); }),
              "vykview_t::display(1): Error 1280: invalid enumerant\n");
    glEnable(0xFFFF);
    EXPECT_EQ(vyktest::stderrOf([] { EXPECT_TRUE(checkGL(nullptr)); }), "Error 1280: invalid enumerant\n");
}
