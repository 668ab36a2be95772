// Linked into every GL test program only: the context is current before the
// first test runs, so tests never set it up themselves.
#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace
{

class GLEnvironment : public testing::Environment
{
  public:
    void SetUp() override { vyktest::glContext(); }
};

const testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new GLEnvironment);

} // namespace
