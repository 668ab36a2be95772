// Writing polygon models as STL, binary and text.
#include "sceneio/stl.h"
#include "sceneio/stl_mesh.h"

#include "foundation/strip_walk.h"
#include "gl/scoped_map.h"
#include "model/polygon.h"
#include "sceneio/scene.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

// A file opened for writing, closed on every path; reports whether every
// write, the flush and the close succeeded.
class out_file_t
{
  public:
    explicit out_file_t(const std::string& fileName) : f_(std::fopen(fileName.c_str(), "wb"))
    {
        if (f_)
            std::setvbuf(f_, nullptr, _IOFBF, 1 << 20);
    }
    ~out_file_t()
    {
        if (f_)
            std::fclose(f_);
    }
    out_file_t(const out_file_t&) = delete;
    out_file_t& operator=(const out_file_t&) = delete;

    explicit operator bool() const { return f_ != nullptr; }
    FILE* get() const { return f_; }
    void write(const void* p, size_t n)
    {
        if (std::fwrite(p, 1, n, f_) != n)
            failed_ = true;
    }
    bool finish()
    {
        failed_ |= std::ferror(f_) != 0;
        failed_ |= std::fclose(f_) != 0;
        f_ = nullptr;
        return !failed_;
    }
    void fail() { failed_ = true; }

  private:
    FILE* f_;
    bool failed_ = false;
};

// Calls f(q0, q1, q2) for every triangle of the polygon surface's strips.
// Returns false when its arrays cannot be mapped.
template <class F> bool forEachTriangle(const vyk3d::polygon_t& constPolygon, F&& f)
{
    // Mapping for reading leaves the surface as it was.
    auto& polygon = const_cast<vyk3d::polygon_t&>(constPolygon);
    vyk3d::attribute_array_t& positions = polygon.positionRecords();
    uint64_t vertexCount = positions.count();
    uint64_t elementCount = polygon.elements.count();
    if (vertexCount == 0 || elementCount < 3)
        return true;
    const size_t stride = positions.stride();
    vyk3d::scoped_map_t<const float> v(positions, GL_MAP_READ_BIT);
    vyk3d::scoped_map_t<const uint32_t> e(polygon.elements, GL_MAP_READ_BIT);
    if (!v || !e)
        return false;
    const float* pos = v.get();
    auto at = [pos, stride](uint32_t v) {
        const float* p = pos + size_t(v) * stride;
        return pos3{p[0], p[1], p[2]};
    };
    walkStripTriangles(e.get(), elementCount, vertexCount,
                       [&](uint64_t, uint32_t a, uint32_t b, uint32_t c, bool) { f(at(a), at(b), at(c)); });
    return true;
}

void putLe32(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

template <class V> void putVec(unsigned char* p, const V& v)
{
    const float f[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
        uint32_t bits;
        std::memcpy(&bits, &f[k], 4);
        putLe32(p + 4 * k, bits);
    }
}

bool writeBinary(const std::string& fileName, const std::vector<const vyk3d::polygon_t*>& polygons,
                 const char* headerName)
{
    const std::string name = headerName ? headerName : fileName;
    out_file_t out(fileName);
    if (!out)
        return false;
    // The file name is the header: at most 80 characters, zero-filled.
    unsigned char header[84] = {};
    std::memcpy(header, name.data(), std::min<size_t>(name.size(), 80));
    out.write(header, sizeof header);
    uint64_t total = 0;
    unsigned char rec[50] = {};
    for (const vyk3d::polygon_t* polygon : polygons) {
        bool mapped = forEachTriangle(*polygon, [&](const pos3& q0, const pos3& q1, const pos3& q2) {
            putVec(rec, vyk3d::facetNormal(q0, q1, q2));
            putVec(rec + 12, q0);
            putVec(rec + 24, q1);
            putVec(rec + 36, q2);
            // rec[48..49], the attribute byte count, stays 0.
            out.write(rec, sizeof rec);
            ++total;
        });
        if (!mapped)
            out.fail();
    }
    // A count that does not fit the 32-bit field would make the file lie.
    if (total > 0xFFFFFFFFu)
        out.fail();
    unsigned char count[4];
    putLe32(count, uint32_t(total));
    if (std::fseek(out.get(), 80, SEEK_SET) != 0)
        out.fail();
    out.write(count, 4);
    return out.finish();
}

std::vector<const vyk3d::polygon_t*> polygonsOf(const model_list_t& models)
{
    std::vector<const vyk3d::polygon_t*> polygons;
    for (const auto& m : models)
        if (m)
            polygons.push_back(&m->polygon);
    return polygons;
}

} // namespace

bool writeStlBinary(const std::string& fileName, const model_list_t& models, const char* headerName)
{
    return writeBinary(fileName, polygonsOf(models), headerName);
}

bool writeStlBinary(const std::string& fileName, const model_t& model, const char* headerName)
{
    return writeBinary(fileName, {&model.polygon}, headerName);
}

bool writeStlText(const std::string& fileName, const model_list_t& models, const char* headerName)
{
    out_file_t out(fileName);
    if (!out)
        return false;
    FILE* f = out.get();
    if (std::fprintf(f, "solid %s\r\n", headerName ? headerName : fileName.c_str()) < 0)
        out.fail();
    for (const vyk3d::polygon_t* polygon : polygonsOf(models)) {
        bool mapped = forEachTriangle(*polygon, [&](const pos3& q0, const pos3& q1, const pos3& q2) {
            const dir3 n = vyk3d::facetNormal(q0, q1, q2);
            int r = std::fprintf(f,
                                 "facet normal %.6e %.6e %.6e\r\n"
                                 "  outer loop\r\n"
                                 "    vertex %.6e %.6e %.6e\r\n"
                                 "    vertex %.6e %.6e %.6e\r\n"
                                 "    vertex %.6e %.6e %.6e\r\n"
                                 "  endloop\r\n"
                                 "endfacet\r\n",
                                 double(n.x), double(n.y), double(n.z), double(q0.x), double(q0.y), double(q0.z),
                                 double(q1.x), double(q1.y), double(q1.z), double(q2.x), double(q2.y), double(q2.z));
            if (r < 0)
                out.fail();
        });
        if (!mapped)
            out.fail();
    }
    if (std::fputs("endsolid \r\n", f) < 0)
        out.fail();
    return out.finish();
}
