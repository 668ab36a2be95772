// Reference-sharing vectors of libutils.
//
// `refvector2` keeps its elements in one shared storage block that comes from
// an allocator object (heap or memory mapping); copies share the block and
// writes through one copy are seen by all (there is no copy-on-write).
// `ofsvector` is a `refvector2` that looks at a byte range of the storage, so
// typed views can be laid over one mapped file without copying. `refvector`
// is a lighter heap vector whose header and elements share one buffer.
//
// No index is bounds-checked. Reference counts are plain integers: a vector
// and its copies belong to one thread.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "foundation/alloc_mmap.h"
#include "foundation/alloc_new.h"

namespace libutils
{

// The storage block shared by every vector that refers to one allocation;
// the last vector to let go of it frees the storage.
template <class A> struct refblock {
    uint64_t size = 0;    // byte size of the storage
    A alloc{};            // the allocator that owns the storage
    void* data = nullptr; // first byte of the storage

    explicit refblock(uint64_t bytes) : size(bytes) {}
    refblock(const refblock&) = delete;
    refblock& operator=(const refblock&) = delete;
    ~refblock()
    {
        if (data)
            alloc.deallocate(data);
    }
};

namespace detail
{
inline bool writable(const alloc_new&)
{
    return true;
}
inline bool writable(const alloc_mmap& a)
{
    return a.access() == alloc_mmap::ReadWrite;
}
} // namespace detail

template <class T, class A> class ofsvector;

template <class T, class A = alloc_mmap> class refvector2
{
    static_assert(std::is_trivially_copyable<T>::value, "storage is copied and mapped bytewise");

  public:
    using block_t = refblock<A>;

    refvector2() = default;
    refvector2(const refvector2& other) : block_(other.block_) {}
    refvector2& operator=(const refvector2& other)
    {
        share(other.block_);
        return *this;
    }
    virtual ~refvector2() = default;

    // True without storage or with storage of 0 bytes.
    virtual bool empty() const { return !block_ || block_->size == 0; }
    // Whole elements in the storage; 0 without storage.
    virtual uint64_t size() const { return block_ ? block_->size / sizeof(T) : 0; }
    virtual const T* begin() const { return block_ ? static_cast<const T*>(block_->data) : nullptr; }
    virtual const T* end() const { return begin() + size(); }
    virtual T* begin() { return block_ ? static_cast<T*>(block_->data) : nullptr; }
    virtual T* end() { return begin() + size(); }
    virtual const T& operator[](uint64_t i) const { return begin()[i]; }
    virtual T& operator[](uint64_t i) { return begin()[i]; }
    virtual const T* data() const { return begin(); }
    virtual T* data() { return begin(); }

    // New storage for `count` elements from the allocator: with a file name
    // the file is mapped (mode 0 read-only, 1 read/write) from byte `offset`,
    // and a count of 0 maps the rest of the file; without a name the storage
    // is anonymous and zero-filled. Unless `keep` is set the current storage
    // is released first; with `keep` the first bytes of the old storage are
    // copied into writable new storage and the old one is released on
    // success, kept on failure. Returns false (nothing printed) when the
    // allocator refuses: bad mode, a missing file, a view past the end of a
    // read-only file, out of memory, or a count whose byte size overflows.
    // A file that exists but cannot be opened or mapped throws (see
    // alloc_mmap::allocate); the current storage is then released
    // unless `keep` is set.
    virtual bool allocate(uint64_t count, const char* name = nullptr, int mode = 1, uint64_t offset = 0,
                          bool keep = false)
    {
        if (!keep)
            releaseBlock();
        if (count > UINT64_MAX / sizeof(T))
            return false;
        std::shared_ptr<block_t> b = newBlock(count * sizeof(T));
        if (!b)
            return false;
        b->data = b->alloc.allocate(b->size, name, mode, offset);
        if (!b->data)
            return false;
        if (block_) {
            if (detail::writable(b->alloc)) {
                uint64_t n = b->size < block_->size ? b->size : block_->size;
                if (n)
                    std::memcpy(b->data, block_->data, static_cast<size_t>(n));
            }
            releaseBlock();
        }
        block_ = std::move(b);
        return true;
    }

    // Resizes the shared storage to `count` elements (every sharer sees the
    // new storage). Without storage, makes an anonymous read/write block.
    // Returns false and keeps the old storage and size when the allocator
    // refuses.
    virtual bool reallocate(uint64_t count, uint64_t offset = 0)
    {
        if (count > UINT64_MAX / sizeof(T))
            return false;
        uint64_t bytes = count * sizeof(T);
        if (block_) {
            void* p = block_->alloc.reallocate(block_->data, bytes, offset);
            if (!p)
                return false;
            block_->data = p;
            block_->size = bytes;
            return true;
        }
        std::shared_ptr<block_t> b = newBlock(bytes);
        if (!b)
            return false;
        b->data = b->alloc.allocate(b->size, nullptr, 1, 0);
        if (!b->data)
            return false;
        block_ = std::move(b);
        return true;
    }

    // Drops this vector's reference; the last one frees the storage.
    virtual void release() { releaseBlock(); }

    // Byte size of the whole storage (0 without storage).
    uint64_t bytes() const { return block_ ? block_->size : 0; }
    // First byte of the whole storage, whatever view a derived vector has.
    const void* storage() const { return block_ ? block_->data : nullptr; }
    // Number of vectors sharing the storage (0 without storage).
    uint64_t use_count() const { return block_ ? uint64_t(block_.use_count()) : 0; }
    // The allocator of the storage (null without storage).
    const A* allocator() const { return block_ ? &block_->alloc : nullptr; }

  protected:
    template <class, class> friend class refvector2;
    template <class, class> friend class ofsvector;

    void share(const std::shared_ptr<block_t>& b) { block_ = b; }

    // An empty block of `bytes`; null when out of memory.
    static std::shared_ptr<block_t> newBlock(uint64_t bytes)
    {
        try {
            return std::make_shared<block_t>(bytes);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    void releaseBlock() { block_.reset(); }

    std::shared_ptr<block_t> block_;
};

// A typed view into a byte range of shared storage: elements start `offset`
// bytes into the storage and there are at most `limit` of them.
template <class T, class A = alloc_mmap> class ofsvector : public refvector2<T, A>
{
    using base = refvector2<T, A>;

  public:
    static constexpr uint64_t nolimit = ~uint64_t(0);

    ofsvector() = default;
    ofsvector(const ofsvector&) = default;
    ofsvector& operator=(const ofsvector&) = default;

    // No element to read: no storage, a limit of 0, or an offset at or past
    // the end of the storage.
    bool empty() const override { return size() == 0; }
    // Whole elements between the view offset and the end of the storage,
    // capped by the limit; 0 when the offset lies at or past the end.
    uint64_t size() const override
    {
        uint64_t total = base::bytes();
        if (offset_ >= total)
            return 0;
        uint64_t n = (total - offset_) / sizeof(T);
        return n < limit_ ? n : limit_;
    }
    // Storage start plus the view offset; an offset past the end stops at the
    // end, so the pointer stays inside (or one past) the storage.
    const T* begin() const override
    {
        return this->block_ ? reinterpret_cast<const T*>(static_cast<const char*>(this->block_->data) + start())
                            : nullptr;
    }
    const T* end() const override { return begin() + size(); }
    T* begin() override
    {
        return this->block_ ? reinterpret_cast<T*>(static_cast<char*>(this->block_->data) + start()) : nullptr;
    }
    T* end() override { return begin() + size(); }
    const T& operator[](uint64_t i) const override { return begin()[i]; }
    T& operator[](uint64_t i) override { return begin()[i]; }
    const T* data() const override { return begin(); }
    T* data() override { return begin(); }

    // As in the base; the view returns to offset 0 and no limit either way.
    bool allocate(uint64_t count, const char* name = nullptr, int mode = 1, uint64_t offset = 0,
                  bool keep = false) override
    {
        bool ok = base::allocate(count, name, mode, offset, keep);
        offset_ = 0;
        limit_ = nolimit;
        return ok;
    }
    // As in the base; clears the limit and keeps the view offset.
    bool reallocate(uint64_t count, uint64_t offset = 0) override
    {
        limit_ = nolimit;
        return base::reallocate(count, offset);
    }
    void release() override
    {
        base::release();
        offset_ = 0;
        limit_ = nolimit;
    }

    // Shares the storage of `source` (a vector of any element type over the
    // same allocator) and views it from byte `offset` with at most `limit`
    // elements. The offset counts from the start of the storage, not from the
    // source's own view.
    template <class U> void retarget(const refvector2<U, A>& source, uint64_t offset, uint64_t limit = nolimit)
    {
        this->share(source.block_);
        offset_ = offset;
        limit_ = limit;
    }

    uint64_t offset() const { return offset_; }
    uint64_t limit() const { return limit_; }
    void setOffset(uint64_t offset) { offset_ = offset; }
    void setLimit(uint64_t limit) { limit_ = limit; }

  private:
    uint64_t start() const
    {
        uint64_t total = base::bytes();
        return offset_ < total ? offset_ : total;
    }

    uint64_t offset_ = 0;      // byte offset of the first element
    uint64_t limit_ = nolimit; // element limit; all bits set: none
};

// Heap vector: one buffer holds the header and then the elements.
template <class T, class A = alloc_new> class refvector
{
    static_assert(std::is_trivially_copyable<T>::value, "elements are copied bytewise");
    static_assert(alignof(T) <= 8, "elements follow an 8-byte aligned header");

    struct header_t {
        uint64_t refs;  // reference count
        uint64_t count; // element count
        A alloc;        // allocator state (byte size of the buffer)
    };
    static constexpr uint64_t kHeader = (sizeof(header_t) + 7) / 8 * 8;

  public:
    refvector() = default;
    refvector(const refvector& other) : buffer_(other.buffer_)
    {
        if (buffer_)
            ++buffer_->refs;
    }
    refvector& operator=(const refvector& other)
    {
        assign(other);
        return *this;
    }
    virtual ~refvector() { releaseBuffer(); }

    virtual bool empty() const { return !buffer_ || buffer_->count == 0; }
    virtual uint64_t size() const { return buffer_ ? buffer_->count : 0; }
    virtual const T* begin() const
    {
        return buffer_ ? reinterpret_cast<const T*>(reinterpret_cast<const char*>(buffer_) + kHeader) : nullptr;
    }
    virtual const T* end() const { return begin() + size(); }
    virtual T* begin() { return buffer_ ? reinterpret_cast<T*>(reinterpret_cast<char*>(buffer_) + kHeader) : nullptr; }
    virtual T* end() { return begin() + size(); }
    virtual const T& operator[](uint64_t i) const { return begin()[i]; }
    virtual T& operator[](uint64_t i) { return begin()[i]; }
    virtual const T* data() const { return begin(); }
    virtual T* data() { return begin(); }

    // Shares the other vector's buffer.
    virtual void assign(const refvector& other)
    {
        if (other.buffer_ == buffer_)
            return;
        releaseBuffer();
        buffer_ = other.buffer_;
        if (buffer_)
            ++buffer_->refs;
    }

    // A new buffer of `count` elements holding the first min(old, new) old
    // ones (the rest zero); other vectors that shared the old buffer keep it.
    // 0 releases the buffer. Returns false, keeping the old buffer, when out
    // of memory.
    virtual bool resize(uint64_t count)
    {
        if (count == 0) {
            releaseBuffer();
            return true;
        }
        if (count > (UINT64_MAX - kHeader) / sizeof(T))
            return false;
        A alloc;
        uint64_t bytes = kHeader + count * sizeof(T);
        void* p = alloc.allocate(bytes, nullptr, 1, 0);
        if (!p)
            return false;
        header_t* h = new (p) header_t{1, count, alloc};
        if (buffer_) {
            uint64_t n = count < buffer_->count ? count : buffer_->count;
            std::memcpy(reinterpret_cast<char*>(h) + kHeader, begin(), static_cast<size_t>(n * sizeof(T)));
            releaseBuffer();
        }
        buffer_ = h;
        return true;
    }

    virtual void release() { releaseBuffer(); }

    uint64_t use_count() const { return buffer_ ? buffer_->refs : 0; }

  private:
    void releaseBuffer()
    {
        if (!buffer_)
            return;
        if (--buffer_->refs == 0) {
            A alloc = buffer_->alloc; // the state lives in the buffer being freed
            alloc.deallocate(buffer_);
        }
        buffer_ = nullptr;
    }

    header_t* buffer_ = nullptr;
};

} // namespace libutils
