#include "sceneio/import_payload.h"

#include "sceneio/assimp_reader.h"

#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace
{

const uint64_t kMagic = 0x32796170'6b7976ull; // "vykpay2"

// Lays fields out from `base` (or only counts their bytes, with a null
// base), each array at an 8-byte aligned offset so the reader can view it
// in place. An array without a view is given its room as its view.
class payload_out_t
{
  public:
    explicit payload_out_t(unsigned char* base) : base_(base) {}
    bool number(const uint64_t& v) { return put(&v, sizeof v); }
    bool number(const uint32_t& v) { return put(&v, sizeof v); }
    bool text(const std::string& s) { return number(uint64_t(s.size())) && put(s.data(), s.size()); }
    template <class T> bool array(T*& p, uint64_t count)
    {
        at_ += (8 - at_ % 8) % 8;
        if (base_ && p)
            std::memcpy(base_ + at_, p, count * sizeof(T));
        else if (base_)
            p = reinterpret_cast<T*>(base_ + at_);
        at_ += count * sizeof(T);
        return true;
    }
    template <class T> bool size(std::vector<T>& v) { return number(uint64_t(v.size())); }
    bool finish() { return number(kMagic); }
    uint64_t bytes() const { return at_; }

  private:
    bool put(const void* p, size_t n)
    {
        if (base_)
            std::memcpy(base_ + at_, p, n);
        at_ += n;
        return true;
    }
    unsigned char* base_;
    uint64_t at_ = 0;
};

class payload_in_t
{
  public:
    payload_in_t(const unsigned char* data, uint64_t size) : data_(data), size_(size) {}
    bool number(uint64_t& v) { return get(&v, sizeof v); }
    bool number(uint32_t& v) { return get(&v, sizeof v); }
    bool text(std::string& s)
    {
        uint64_t n;
        if (!number(n) || n > size_ - at_)
            return false;
        s.assign(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return true;
    }
    template <class T> bool array(const T*& p, uint64_t count)
    {
        at_ += (8 - at_ % 8) % 8;
        if (at_ > size_ || count > (size_ - at_) / sizeof(T))
            return false;
        p = reinterpret_cast<const T*>(data_ + at_);
        at_ += count * sizeof(T);
        return true;
    }
    // Every element takes at least a byte, so a count beyond the bytes left
    // is refused before anything is allocated.
    template <class T> bool size(std::vector<T>& v)
    {
        uint64_t n;
        if (!number(n) || n > size_ - at_)
            return false;
        v.resize(n);
        return true;
    }
    bool finish()
    {
        uint64_t magic;
        return number(magic) && magic == kMagic && at_ == size_;
    }

  private:
    bool get(void* p, size_t n)
    {
        if (n > size_ - at_)
            return false;
        std::memcpy(p, data_ + at_, n);
        at_ += n;
        return true;
    }
    const unsigned char* data_;
    uint64_t size_, at_ = 0;
};

// The one list of the fields, in file order, for writing and reading.
template <class Io, class Model> bool fields(Io& io, Model& m)
{
    return io.number(m.faces) && io.number(m.corners) && m.corners >= 1 && m.corners <= 3 &&
           m.faces <= kMaxImportTriangles && io.array(m.vertices, 9 * m.corners * m.faces) &&
           io.array(m.frames, 9 * m.corners * m.faces) && io.array(m.elements, (m.corners + 1) * m.faces) &&
           io.array(m.form, 1) && io.array(m.colour, 4) && io.text(m.colormap) && io.text(m.bumpmap) &&
           io.text(m.specularmap) && io.number(m.bump2mono) && io.number(m.normalBumps) && io.number(m.specular);
}

template <class Io, class Image> bool imageFields(Io& io, Image& i)
{
    return io.text(i.key) && io.number(i.size) && io.array(i.bytes, i.size);
}

template <class Io, class Payload> bool payloadFields(Io& io, Payload& p)
{
    uint64_t magic = kMagic;
    bool ok = io.number(magic) && magic == kMagic && io.text(p.messages) && io.number(p.imported) && io.size(p.images);
    for (auto& image : p.images)
        ok = ok && imageFields(io, image);
    ok = ok && io.size(p.models);
    for (auto& model : p.models)
        ok = ok && fields(io, model);
    return ok && io.finish();
}

} // namespace

unsigned char* layOutPayload(int fd, import_payload_t& payload, uint64_t& size)
{
    payload_out_t count(nullptr);
    payloadFields(count, payload);
    size = count.bytes();
    if (ftruncate(fd, off_t(size)) != 0)
        return nullptr;
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED)
        return nullptr;
    payload_out_t out(static_cast<unsigned char*>(base));
    payloadFields(out, payload);
    return static_cast<unsigned char*>(base);
}

payload_form_t formOf(const payload_model_t& m)
{
    const uint32_t form = *m.form;
    return m.corners == 3 &&
                   (form == uint32_t(payload_form_t::compact) || form == uint32_t(payload_form_t::compactColours))
               ? payload_form_t(form)
               : payload_form_t::full;
}

bool readPayload(const unsigned char* data, uint64_t size, import_payload_t& payload)
{
    payload_in_t in(data, size);
    return payloadFields(in, payload);
}
