// Whole files read for the codecs, from a file that an editor may be saving.
#include "textures/file_buffer.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace
{

// A file truncated after it was read (a truncate-then-write save) leaves the
// bytes as they were read; a mapped file would end the process with SIGBUS.
TEST(FileBuffer, BytesOutliveATruncatedFile)
{
    vyktest::TempDir dir;
    const std::string text(3 * 4096 + 5, 'v');
    const std::string path = dir.write("image.bmp", text);
    libgr::grFileBuffer buffer;
    ASSERT_TRUE(buffer.load(path.c_str()));
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.bytes.data()), buffer.bytes.size()), text);
}

} // namespace
