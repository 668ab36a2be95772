#include "foundation/file_read.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

using libutils::file_status_t;
using libutils::readWholeFile;

TEST(FileRead, WholeFilesIntoOwnedMemory)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("f.stl", "0123456789");
    std::string bytes;
    const auto into = [&](uint64_t n) {
        bytes.resize(n);
        return &bytes[0];
    };
    uint64_t size = 0;
    ASSERT_EQ(readWholeFile(path.c_str(), into, size), file_status_t::Ok);
    EXPECT_EQ(bytes.substr(0, size), "0123456789");

    // Another program cuts the file between the open and the read: the bytes
    // it still has, and no fault.
    const auto cutMeanwhile = [&](uint64_t n) {
        EXPECT_EQ(truncate(path.c_str(), 4), 0);
        return into(n);
    };
    ASSERT_EQ(readWholeFile(path.c_str(), cutMeanwhile, size), file_status_t::Ok);
    EXPECT_EQ(bytes.substr(0, size), "0123");
    // Read in pieces, a piece past the new end comes back short.
    libutils::file_reader_t pieces;
    ASSERT_EQ(pieces.open(path.c_str()), file_status_t::Ok);
    ASSERT_EQ(truncate(path.c_str(), 2), 0);
    char piece[4];
    EXPECT_EQ(pieces.read(piece, 4, 0), 2);
    EXPECT_EQ(pieces.size(), 4u);

    // A FIFO is refused without waiting for a writer, unless streams are asked for.
    const std::string fifo = dir.file("p.stl"), folder = dir.file("d.stl");
    ASSERT_TRUE(!mkfifo(fifo.c_str(), 0600) && !mkdir(folder.c_str(), 0700));
    const struct {
        const char* name;
        bool streams;
        file_status_t status;
    } cases[] = {
        {nullptr, false, file_status_t::Missing},          {"/nonexistent/f.stl", false, file_status_t::Missing},
        {folder.c_str(), true, file_status_t::NotRegular}, {fifo.c_str(), false, file_status_t::NotRegular},
        {fifo.c_str(), true, file_status_t::Ok}, // no writer: at its end at once
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "null");
        EXPECT_EQ(readWholeFile(c.name, into, size, c.streams), c.status);
        EXPECT_EQ(size, 0u);
    }
}
