#include "foundation/check_gl.h"

#include "support/capture.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

// Quiet without an error; otherwise the tag (none when null), the code and
// the text of the error, and true.
TEST(CheckGL, ReportsTagCodeAndText)
{
    const struct {
        bool error;
        const char* tag;
        std::string text;
    } cases[] = {
        {false, "quiet(1)", ""},
        {true, "vykview_t::display(1)", "vykview_t::display(1): Error 1280: invalid enumerant\n"},
        {true, nullptr, "Error 1280: invalid enumerant\n"},
    };
    for (const auto& c : cases) {
        bool reported = !c.error;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      if (c.error)
                          glEnable(0xFFFF); // an invalid capability: GL_INVALID_ENUM
                      reported = checkGL(c.tag);
                  }),
                  c.text);
        EXPECT_EQ(reported, c.error);
    }
}

} // namespace
