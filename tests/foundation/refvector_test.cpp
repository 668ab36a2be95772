#include "foundation/refvector.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "support/capture.h"
#include "support/temp_dir.h"

// Out-of-memory cases must see null from the allocator, also under
// AddressSanitizer, which otherwise stops at the first refused allocation.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace
{

using libutils::alloc_mmap_win;
using libutils::alloc_new;
using libutils::ofsvector;
using libutils::refvector;
using libutils::refvector2;

TEST(RefVectorTest, TypedViewsOverOneMappedFile)
{
    vyktest::TempDir dir;
    // A 4-byte tag, a 4-byte little-endian offset (8), then three 16-bit
    // values: each view stays aligned to its own element.
    const std::string bytes = std::string("TAG\0\x08\0\0\0", 8) + std::string("\x01\0\x02\0\x03\0", 6);
    const std::string path = dir.write("one.bin", bytes);

    ofsvector<unsigned char> file;
    ASSERT_TRUE(file.allocate(0, path.c_str(), 0, 0, false));
    ASSERT_EQ(bytes.size(), file.size()); // 0 maps the whole file
    EXPECT_EQ(0, std::memcmp(file.data(), bytes.data(), bytes.size()));

    ofsvector<uint32_t> offset;
    ofsvector<uint16_t> values;
    offset.retarget(file, 4, 1);
    values.retarget(file, offset[0]);
    EXPECT_EQ(3u, file.use_count());
    ASSERT_EQ(1u, offset.size());
    EXPECT_EQ(8u, offset[0]);
    ASSERT_EQ(3u, values.size());
    EXPECT_EQ(static_cast<const void*>(file.begin() + 8), static_cast<const void*>(values.begin()));
    EXPECT_EQ(3, values[2]);
    EXPECT_EQ(values.begin() + 3, values.end());

    // The views keep the mapping alive after the first vector lets go.
    file.release();
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(2u, values.use_count());
    EXPECT_EQ(2, values[1]);
}

TEST(RefVectorTest, ViewSizes)
{
    ofsvector<uint32_t, alloc_new> v; // element size 4
    ASSERT_TRUE(v.allocate(10, nullptr, 1, 0, false));
    ofsvector<unsigned char, alloc_new> bytes10;
    bytes10.retarget(v, 0);
    EXPECT_EQ(40u, bytes10.size());

    const uint64_t all = ofsvector<uint32_t>::nolimit;
    struct {
        uint64_t offset, limit, size;
    } cases[] = {
        {0, all, 2},                                                            // 10 bytes hold 2 whole elements
        {2, all, 2},                                                            // 8 bytes after the offset
        {3, all, 1},          {0, 1, 1}, {0, 0, 0}, {10, all, 0}, {11, all, 0}, // past the end: no wrap
        {~uint64_t(0), 5, 0},
    };
    ofsvector<unsigned char> storage;
    ASSERT_TRUE(storage.reallocate(10));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " limit " << c.limit);
        ofsvector<uint32_t> view;
        view.retarget(storage, c.offset, c.limit);
        EXPECT_EQ(c.size, view.size());
        EXPECT_EQ(c.size == 0, view.empty());
        EXPECT_EQ(view.begin() + c.size, view.end());
    }
    // reallocate clears the limit and keeps the offset; release resets both.
    ofsvector<unsigned char> w;
    ASSERT_TRUE(w.allocate(16));
    w.setOffset(4);
    w.setLimit(2);
    EXPECT_TRUE(w.reallocate(32));
    EXPECT_EQ(28u, w.size());
    w.release();
    EXPECT_EQ(0u, w.offset());
    EXPECT_EQ(w.nolimit, w.limit());
}

TEST(RefVectorTest, ZeroBytesIsAValidEmptyVector)
{
    vyktest::TempDir dir;
    const std::string empty = dir.write("empty.bin", "");
    refvector2<unsigned char> anon;
    ASSERT_TRUE(anon.allocate(0));
    EXPECT_TRUE(anon.empty());
    EXPECT_NE(nullptr, anon.begin());
    EXPECT_TRUE(anon.reallocate(8)); // and it can grow from there
    EXPECT_EQ(8u, anon.size());
    EXPECT_EQ(0, anon[7]);

    refvector2<unsigned char> file;
    ASSERT_TRUE(file.allocate(0, empty.c_str(), 0, 0, false));
    EXPECT_TRUE(file.empty());
    refvector2<unsigned char> heap;
    heap.reallocate(0);
    EXPECT_TRUE(heap.empty());
}

TEST(RefVectorTest, RefusalsPrintNothingAndKeepStorage)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("four.bin", "abcd");
    refvector2<unsigned char> v;
    ASSERT_TRUE(v.allocate(4, path.c_str(), 0, 0, false));
    const std::string out = vyktest::stderrOf([&] {
        EXPECT_FALSE(v.allocate(4, path.c_str(), 2, 0, true));             // mode 2
        EXPECT_FALSE(v.allocate(4, dir.file("none").c_str(), 0, 0, true)); // missing file
        EXPECT_FALSE(v.allocate(5, path.c_str(), 0, 0, true));             // past the end
        EXPECT_FALSE(v.allocate(1, path.c_str(), 0, 4, true));
        EXPECT_FALSE(v.reallocate(8));                                   // a read-only view cannot outgrow its file
        EXPECT_FALSE(v.allocate(~uint64_t(0) / 2, nullptr, 1, 0, true)); // no memory
    });
    EXPECT_EQ("", out);
    ASSERT_EQ(4u, v.size());
    EXPECT_EQ('d', v[3]);
    EXPECT_EQ(1u, v.use_count());
    // Anonymous storage that cannot grow keeps its bytes too.
    refvector2<unsigned char> anon;
    ASSERT_TRUE(anon.reallocate(3));
    anon[2] = 'z';
    EXPECT_FALSE(anon.reallocate(~uint64_t(0) / 2));
    ASSERT_EQ(3u, anon.size());
    EXPECT_EQ('z', anon[2]);
    // Without keep a refused allocation leaves the vector empty.
    EXPECT_FALSE(v.allocate(4, path.c_str(), 2, 0, false));
    EXPECT_TRUE(v.empty());
}

TEST(RefVectorTest, AllocateAtAnOffsetAndWriteThrough)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("data.bin", std::string(5000, 'x') + "tail");
    refvector2<unsigned char> tail;
    ASSERT_TRUE(tail.allocate(0, path.c_str(), 0, 5000, false)); // unaligned offset
    ASSERT_EQ(4u, tail.size());
    EXPECT_EQ(0, std::memcmp(tail.data(), "tail", 4));

    refvector2<unsigned char> rw;
    ASSERT_TRUE(rw.allocate(6, path.c_str(), 1, 5002, false)); // grows the file
    std::memcpy(rw.data(), "ILSIX!", 6);
    rw.release();
    EXPECT_EQ(std::string(5000, 'x') + "taILSIX!", vyktest::readFile(path));
}

TEST(RefVectorTest, GrowingKeepsTheFirstBytes)
{
    // allocate with keep: new storage of its own, the old bytes copied in.
    refvector2<uint16_t> v;
    ASSERT_TRUE(v.allocate(3));
    v[0] = 7;
    v[2] = 9;
    refvector2<uint16_t> sharer = v;
    ASSERT_TRUE(v.allocate(5, nullptr, 1, 0, true));
    EXPECT_EQ(7, v[0]);
    EXPECT_EQ(9, v[2]);
    EXPECT_EQ(0, v[4]);
    EXPECT_EQ(1u, v.use_count()); // the old storage lives on in `sharer` alone
    EXPECT_EQ(1u, sharer.use_count());

    // reallocate: the block is shared, so is its new storage.
    refvector2<unsigned char> bytes;
    ASSERT_TRUE(bytes.reallocate(100));
    for (int i = 0; i < 100; ++i)
        bytes[i] = static_cast<unsigned char>(i);
    refvector2<unsigned char> other(bytes);
    ASSERT_TRUE(bytes.reallocate(40));
    EXPECT_EQ(40u, other.size());
    EXPECT_EQ(39, other[39]);
    ASSERT_TRUE(other.reallocate(9000));
    EXPECT_EQ(39, bytes[39]);
    EXPECT_EQ(0, bytes[8999]);
}

TEST(RefVectorTest, HeapVectorResize)
{
    refvector<unsigned short> v;
    EXPECT_TRUE(v.empty());
    ASSERT_TRUE(v.resize(3));
    v[0] = 1;
    v[1] = 2;
    v[2] = 3;
    refvector<unsigned short> old(v);
    ASSERT_TRUE(v.resize(5));
    ASSERT_EQ(5u, v.size());
    EXPECT_EQ(3, v[2]);
    EXPECT_EQ(0, v[4]);
    EXPECT_EQ(3u, old.size()); // sharers of the old buffer keep it
    EXPECT_EQ(1u, old.use_count());
    EXPECT_FALSE(v.resize(~uint64_t(0) / 4)); // out of memory keeps the buffer
    EXPECT_EQ(5u, v.size());
    EXPECT_EQ(1, v[0]);
    EXPECT_TRUE(v.resize(0));
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(nullptr, v.begin());
    old.assign(v);
    EXPECT_TRUE(old.empty());
}

TEST(RefVectorTest, HeapAllocatorReadsFiles)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("h.bin", "0123456789");
    refvector2<unsigned char, alloc_new> all;
    ASSERT_TRUE(all.allocate(0, path.c_str(), 0, 0, false));
    EXPECT_EQ(10u, all.size());
    refvector2<unsigned char, alloc_new> part;
    ASSERT_TRUE(part.allocate(6, path.c_str(), 0, 7, false)); // 3 bytes remain
    EXPECT_EQ(0, std::memcmp(part.data(), "789\0\0\0", 6));
    refvector2<unsigned char, alloc_new> rest;
    ASSERT_TRUE(rest.allocate(0, path.c_str(), 0, 4, false));
    EXPECT_EQ(6u, rest.size());
    EXPECT_EQ('4', rest[0]);
    EXPECT_FALSE(part.allocate(0, dir.file("none").c_str(), 0, 0, false));
}

// Files that exist but cannot be opened or mapped end the process with the
// system error, as a failed mapping always has.
TEST(RefVectorDeathTest, ExistingFileThatCannotBeMappedIsFatal)
{
    vyktest::TempDir dir;
    const std::string name = dir.path();
    const struct {
        int mode, error;
        const char* what;
    } cases[] = {{1, EISDIR, "file open failed."}, {0, ENODEV, "create file mapping failed."}};
    for (const auto& c : cases)
        EXPECT_EXIT(
            {
                refvector2<unsigned char> v;
                v.allocate(0, name.c_str(), c.mode, 0, false);
            },
            testing::ExitedWithCode(c.error),
            testing::Eq(name + ": " + c.what + "\nalloc_mmap_win::allocate() failed with error " +
                        std::to_string(c.error) + ": " + std::strerror(c.error) + "\n"));
}

} // namespace
