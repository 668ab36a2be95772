#include "foundation/refvector.h"

#include "foundation/fatal_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

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

using libutils::alloc_new;
using libutils::ofsvector;
using libutils::refvector;
using libutils::refvector2;

template <class V> std::string text(const V& v)
{
    return std::string(reinterpret_cast<const char*>(v.begin()), reinterpret_cast<const char*>(v.end()));
}

TEST(RefVectorTest, TypedViewsOverOneMappedFile)
{
    vyktest::TempDir dir;
    // A tag, a little-endian offset (8), then three 16-bit values.
    const std::string bytes("TAG\0\x08\0\0\0\x01\0\x02\0\x03\0", 14);
    ofsvector<unsigned char> file;
    ASSERT_TRUE(file.allocate(0, dir.write("one.bin", bytes).c_str(), 0, 0, false)); // 0 maps the whole file
    EXPECT_EQ(text(file), bytes);
    ofsvector<uint32_t> offset;
    ofsvector<uint16_t> values;
    offset.retarget(file, 4, 1);
    values.retarget(file, offset[0]);
    EXPECT_TRUE(offset.size() == 1u &&
                std::vector<uint16_t>(values.begin(), values.end()) == (std::vector<uint16_t>{1, 2, 3}));
    // The views keep the mapping alive after the first vector lets go.
    file.release();
    EXPECT_EQ(values.use_count(), 2u);
    EXPECT_EQ(values[1], 2);

    // 4-byte elements over 10 bytes of storage, from an offset, up to a limit.
    const uint64_t all = ofsvector<uint32_t>::nolimit;
    const uint64_t cases[][3] = {{0, all, 2},  {2, all, 2},  {3, all, 1},         {0, 1, 1}, {0, 0, 0},
                                 {10, all, 0}, {11, all, 0}, {~uint64_t(0), 5, 0}}; // past the end: no wrap
    ofsvector<unsigned char> storage;
    ASSERT_TRUE(storage.reallocate(10));
    for (const auto& c : cases) {
        ofsvector<uint32_t> view;
        view.retarget(storage, c[0], c[1]);
        EXPECT_TRUE(view.size() == c[2] && view.empty() == (c[2] == 0) && view.begin() + c[2] == view.end())
            << c[0] << " " << c[1] << ": " << view.size();
    }
    // reallocate clears the limit and keeps the offset; release resets both.
    storage.setOffset(4);
    storage.setLimit(2);
    EXPECT_TRUE(storage.reallocate(32));
    EXPECT_EQ(storage.size(), 28u);
    storage.release();
    EXPECT_TRUE(storage.offset() == 0 && storage.limit() == storage.nolimit);
}

TEST(RefVectorTest, FilesAtAnOffsetOfEitherAllocator)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("data.bin", std::string(5000, 'x') + "tail"), empty = dir.write("e.bin", "");
    refvector2<unsigned char> tail, none;
    ASSERT_TRUE(tail.allocate(0, path.c_str(), 0, 5000, false)); // an unaligned offset
    EXPECT_EQ(text(tail), "tail");
    ASSERT_TRUE(none.allocate(0, empty.c_str(), 0, 0, false)); // a file of 0 bytes: empty, valid
    EXPECT_TRUE(none.empty());
    refvector2<unsigned char, alloc_new> heap, rest;
    ASSERT_TRUE(heap.allocate(6, path.c_str(), 0, 5001, false)); // what the file lacks is zero
    EXPECT_EQ(text(heap), std::string("ail\0\0\0", 6));
    ASSERT_TRUE(rest.allocate(0, path.c_str(), 0, 4998, false));
    EXPECT_EQ(text(rest), "xxtail");
    EXPECT_FALSE(rest.allocate(0, dir.file("none").c_str(), 0, 0, false));

    refvector2<unsigned char> rw;
    ASSERT_TRUE(rw.allocate(6, path.c_str(), 1, 5002, false)); // grows the file
    std::memcpy(rw.data(), "ILSIX!", 6);
    rw.release();
    EXPECT_EQ(vyktest::readFile(path), std::string(5000, 'x') + "taILSIX!");
}

TEST(RefVectorTest, RefusalsPrintNothingAndKeepStorage)
{
    vyktest::TempDir dir;
    const std::string path = dir.write("four.bin", "abcd");
    refvector2<unsigned char> v, anon;
    refvector<unsigned short> heap;
    ASSERT_TRUE(v.allocate(4, path.c_str(), 0, 0, false) && anon.reallocate(3) && heap.resize(3));
    anon[2] = 'z';
    heap[2] = 'y';
    const uint64_t huge = ~uint64_t(0) / 2;
    EXPECT_EQ(vyktest::stderrOf([&] {
                  EXPECT_FALSE(v.allocate(4, path.c_str(), 2, 0, true));             // mode 2
                  EXPECT_FALSE(v.allocate(4, dir.file("none").c_str(), 0, 0, true)); // missing file
                  EXPECT_FALSE(v.allocate(5, path.c_str(), 0, 0, true));             // past the end
                  EXPECT_FALSE(v.allocate(1, path.c_str(), 0, 4, true));
                  EXPECT_FALSE(v.reallocate(8)); // a read-only view cannot outgrow its file
              }),
              "");
    // No memory (outside the capture: AddressSanitizer warns of these itself).
    EXPECT_FALSE(v.allocate(huge, nullptr, 1, 0, true));
    EXPECT_FALSE(anon.reallocate(huge));
    EXPECT_FALSE(heap.resize(huge / 2));
    EXPECT_TRUE(text(v) == "abcd" && v.use_count() == 1u) << text(v);
    EXPECT_EQ(text(anon), std::string("\0\0z", 3));
    EXPECT_TRUE(heap.size() == 3 && heap[2] == 'y');
    // Without keep a refused allocation leaves the vector empty.
    EXPECT_FALSE(v.allocate(4, path.c_str(), 2, 0, false));
    EXPECT_TRUE(v.empty());
}

// Against std::vector: the first elements stay and new ones are zero.
// resize and allocate with keep give the vector storage of its own (a
// sharer keeps the old); reallocate resizes the storage every sharer sees.
TEST(RefVectorTest, ResizingKeepsTheFirstElements)
{
    refvector<uint16_t> heap;
    refvector2<uint16_t> own, shared;
    std::vector<uint16_t> model;
    ASSERT_TRUE(shared.reallocate(0));
    for (uint64_t n : {3, 5000, 0, 2, 4}) {
        refvector<uint16_t> heapSharer;
        heapSharer = heap;
        const refvector2<uint16_t> ownSharer(own), sharer(shared);
        const uint64_t before = model.size();
        ASSERT_TRUE(heap.resize(n) && own.allocate(n, nullptr, 1, 0, true) && shared.reallocate(n));
        model.resize(n);
        EXPECT_EQ(std::vector<uint16_t>(heap.begin(), heap.end()), model) << n;
        EXPECT_EQ(std::vector<uint16_t>(own.begin(), own.end()), model) << n;
        EXPECT_EQ(std::vector<uint16_t>(sharer.begin(), sharer.end()), model) << n;
        EXPECT_TRUE(heapSharer.size() == before && ownSharer.size() == before) << n;
        EXPECT_EQ(own.use_count(), 1u);
        for (uint64_t i = 0; i < n; ++i)
            heap[i] = own[i] = shared[i] = model[i] = uint16_t(7 * i + n);
    }
    EXPECT_EQ(heap.use_count(), 1u);
    heap.resize(0);
    EXPECT_EQ(heap.begin(), nullptr);
}

// Files that exist but cannot be opened or mapped throw the system error
// for main to end with, as a failed mapping always has.
TEST(RefVectorTest, ExistingFileThatCannotBeMappedThrows)
{
    vyktest::TempDir dir;
    const std::string name = dir.path();
    const struct {
        int mode, error;
        const char* what;
    } cases[] = {{1, EISDIR, "file open failed."}, {0, ENODEV, "create file mapping failed."}};
    for (const auto& c : cases) {
        try {
            refvector2<unsigned char>().allocate(0, name.c_str(), c.mode, 0, false);
            ADD_FAILURE() << c.what;
        } catch (const libutils::fatal_error_t& e) {
            EXPECT_EQ(e.status(), c.error);
            EXPECT_EQ(e.what(), name + ": " + c.what + "\nalloc_mmap_win::allocate() failed with error " +
                                    std::to_string(c.error) + ": " + std::strerror(c.error));
        }
    }
}

} // namespace
