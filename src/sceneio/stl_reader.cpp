// Reading STL files, text and binary, into one polygon model of a scene.
#include "sceneio/stl.h"
#include "sceneio/stl_mesh.h"

#include "foundation/file_read.h"
#include "foundation/parallel.h"
#include "foundation/path.h"
#include "gl/scoped_map.h"
#include "sceneio/scene.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <istream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace
{

// The whole of a file in memory of its own: a mapping would end the
// process (SIGBUS) when an exporter rewrote the file during the load.
class file_bytes_t
{
  public:
    bool open(const std::string& fileName)
    {
        const auto reserve = [this](uint64_t n) -> char* {
            bytes_t grown = unfilled(n);
            if (!grown)
                return nullptr;
            if (room_)
                std::memcpy(grown.get(), bytes_.get(), size_t(room_ < n ? room_ : n));
            bytes_ = std::move(grown);
            room_ = n;
            return bytes_.get();
        };
        return libutils::readWholeFile(fileName.c_str(), reserve, size_, true) == libutils::file_status_t::Ok;
    }

    bool empty() const { return !bytes_; }
    const char* data() const { return bytes_.get(); }
    size_t size() const { return size_t(size_); }

  private:
    struct release_t {
        void operator()(char* p) const { std::free(p); }
    };
    using bytes_t = std::unique_ptr<char, release_t>;

    // Not zero-filled: every byte is read over at once. Huge pages, where
    // they pay, come from malloc itself (see huge_pages.h).
    static bytes_t unfilled(uint64_t n)
    {
        return bytes_t(n <= SIZE_MAX ? static_cast<char*>(std::malloc(size_t(n))) : nullptr);
    }
    bytes_t bytes_;
    uint64_t room_ = 0;
    uint64_t size_ = 0;
};

const char kSolid[] = "solid";

// Whether the surfaces read stay in their full records instead of the
// compact form: VYK_FULL_RECORDS set (to anything) says so, for tests and
// benchmarks that compare the two.
bool fullRecordsWanted()
{
    static const bool full = std::getenv("VYK_FULL_RECORDS") != nullptr;
    return full;
}

// Appends a polygon model named `name` for n triangles, lets fill write them
// straight into its mapped arrays and finishes it. The model stays in the
// scene on failure.
template <class Fill> bool buildModel(scene_t& scene, uint64_t n, const std::string& name, Fill&& fill)
{
    vyk3d::polygon_t& polygon = scene.addModel(model_t::Polygon).polygon;
    // An STL surface has no maps: it is held compact (positions and one
    // normal a triangle) where the driver can draw that. Otherwise the
    // frames come with the file, so nothing runs the frame pass: its
    // arrays, the selection table and the elements (3i, 3i+1, 3i+2, restart
    // for triangle i) are made only when asked for.
    using buffers_t = vyk3d::polygon_t::buffers_t;
    if (!polygon.allocate(3 * n, 4 * n, fullRecordsWanted() ? buffers_t::TriangleList : buffers_t::Compact))
        return false;
    std::atomic<bool> zeroNormal{false};
    vyk3d::shared_bounds_t bounds(n);
    if (n != 0) {
        const bool compact = polygon.compact();
        vyk3d::scoped_map_t<float> vertices(compact ? polygon.positions : polygon.vertices);
        vyk3d::scoped_map_t<float> frames(compact ? polygon.facetNormals : polygon.normals);
        vyk3d::mesh_arrays_t arrays{vertices.get(), frames.get(), nullptr, &zeroNormal, &bounds};
        if (compact)
            arrays =
                vyk3d::mesh_arrays_t{nullptr, nullptr, nullptr, &zeroNormal, &bounds, vertices.get(), frames.get()};
        if (!vertices || !frames || !fill(arrays))
            return false;
    }
    // A triangle with its corners on one line has no normal: update
    // computes its frame, in the full records.
    if (zeroNormal.load() && !polygon.fullRecords())
        return false;
    polygon.loadedBounds = block_bounds_t{3 * uint64_t(vyk3d::kBoundsBlock), std::move(bounds.blocks)};
    polygon.update(name.c_str(), !zeroNormal.load());
    return true;
}

// Binary STL in memory, from byte 0 of the file.
bool readBinaryBytes(const char* data, size_t size, const std::string& name, scene_t& scene)
{
    if (size < 84) {
        std::cerr << name << ": binary STL ends inside its 84-byte header." << std::endl;
        return false;
    }
    uint32_t n = vyk3d::binaryTriangleCount(data, size, name);
    return buildModel(scene, n, name, [&](const vyk3d::mesh_arrays_t& a) {
        vyk3d::fillBinary(data, n, a);
        return true;
    });
}

// Text STL in memory, from just after the word "solid".
bool readTextBytes(const char* begin, const char* end, const std::string& name, scene_t& scene)
{
    // The rest of the "solid" line is ignored; a file that ends right after
    // the word has no line to read.
    if (begin >= end)
        return false;
    const char* nl = static_cast<const char*>(std::memchr(begin, '\n', size_t(end - begin)));
    const char* body = nl ? nl + 1 : end;
    const vyk3d::text_counts_t counts = vyk3d::countText(body, end, partsFor(uint64_t(end - body), 1 << 22));
    const uint64_t facets = counts.facets;
    if (facets > counts.vertexLines / 3) {
        // Too few vertex lines for the facets: reading would end inside a
        // facet at the last line, so say so without reserving the surface.
        scene.addModel(model_t::Polygon);
        std::cerr << "num: " << counts.lines + 1 << std::endl;
        return false;
    }
    if (facets > vyk3d::kMaxTriangles) {
        std::cerr << name << ": too many facets." << std::endl;
        return false;
    }
    return buildModel(scene, facets, name,
                      [&](const vyk3d::mesh_arrays_t& a) { return vyk3d::fillText(body, end, counts, a); });
}

// A file is binary when its size is exactly what its count says, whatever
// its first bytes (many exporters begin the binary header with "solid");
// otherwise "solid" at the start makes it text.
bool looksBinary(const char* data, size_t size)
{
    if (size >= 84) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(data) + 80;
        uint64_t count = uint64_t(b[0]) | (uint64_t(b[1]) << 8) | (uint64_t(b[2]) << 16) | (uint64_t(b[3]) << 24);
        if (84 + 50 * count == size)
            return true;
    }
    return std::memcmp(data, kSolid, 5) != 0;
}

// Binary STL from an open regular file of at least 84 bytes whose first 84
// are `head`. The records are read in pieces, by every core at once, each
// filling its own triangles: no copy of the file is ever held.
bool readBinaryFile(const libutils::file_reader_t& file, const char* head, const std::string& name, scene_t& scene)
{
    const uint32_t n = vyk3d::binaryTriangleCount(head, size_t(file.size()), name);
    return buildModel(scene, n, name, [&](const vyk3d::mesh_arrays_t& a) {
        constexpr uint32_t kPiece = 1 << 15; // triangles, 1.6 MB of records
        const unsigned parts = partsFor(n, kPiece);
        std::vector<char> read(parts, 1);
        runParts(parts, [&](unsigned k) {
            const uint32_t first = uint32_t(uint64_t(n) * k / parts), last = uint32_t(uint64_t(n) * (k + 1) / parts);
            std::vector<char> records(size_t(std::min(kPiece, last - first)) * 50);
            for (uint32_t t = first; t < last && read[k]; t += kPiece) {
                const uint32_t count = std::min(kPiece, last - t);
                const uint64_t bytes = uint64_t(count) * 50;
                read[k] = file.read(records.data(), bytes, 84 + uint64_t(t) * 50) == int64_t(bytes);
                if (read[k])
                    vyk3d::fillBinaryRecords(records.data(), t, count, a);
            }
        });
        if (std::find(read.begin(), read.end(), 0) != read.end()) {
            std::cerr << name << ": file read error." << std::endl;
            return false;
        }
        return true;
    });
}

// A text STL file read in pieces of a few megabytes, twice: the first pass
// counts its lines and notes where pieces begin (a line holding "facet
// normal " in each chunk of kTextChunk bytes), so that the surface can be
// reserved; the second reads the pieces, one per core at a time, into it.
struct text_scan_t {
    struct piece_t {
        uint64_t offset, facetsBefore, linesBefore; // lines after the "solid" line
    };
    uint64_t facets = 0, vertexLines = 0, lines = 0;
    std::vector<piece_t> pieces;
};

constexpr uint64_t kTextChunk = uint64_t(4) << 20;

// The first pass over a regular file that begins with "solid": false when a
// read fails or comes up short (the file was cut).
bool scanText(const libutils::file_reader_t& file, text_scan_t& scan)
{
    const uint64_t size = file.size();
    std::vector<char> buf;
    bool inSolidLine = true; // the rest of the "solid" line is not read
    for (uint64_t pos = 5, chunk = kTextChunk; pos < size;) {
        const uint64_t n = std::min(chunk, size - pos);
        buf.resize(size_t(n));
        if (file.read(buf.data(), n, pos) != int64_t(n))
            return false;
        const char* begin = buf.data();
        const char* end = begin + n;
        if (inSolidLine) {
            const char* nl = static_cast<const char*>(std::memchr(begin, '\n', size_t(n)));
            pos = nl ? pos + uint64_t(nl + 1 - begin) : pos + n;
            inSolidLine = nl == nullptr;
            continue;
        }
        // Whole lines only, but the last line of the file.
        if (pos + n < size) {
            const char* nl = static_cast<const char*>(memrchr(begin, '\n', size_t(n)));
            if (!nl) {
                chunk *= 2; // a line longer than the chunk
                continue;
            }
            end = nl + 1;
        }
        const vyk3d::text_counts_t c = vyk3d::countText(begin, end, partsFor(uint64_t(end - begin), 1 << 20));
        if (c.firstFacet)
            scan.pieces.push_back({pos + uint64_t(c.firstFacet - begin), scan.facets, scan.lines + c.linesBeforeFacet});
        scan.facets += c.facets;
        scan.vertexLines += c.vertexLines;
        scan.lines += c.lines;
        pos += uint64_t(end - begin);
        chunk = kTextChunk;
    }
    return true;
}

// The second pass: fills the scanned facets into `a`. A piece that ends
// inside a facet (a malformed file, or one changed since the scan) would
// have read on into the next, so then the whole text is read in order, as
// it was before pieces.
bool fillScannedText(const libutils::file_reader_t& file, const text_scan_t& scan, const std::string& name,
                     const vyk3d::mesh_arrays_t& a)
{
    const size_t n = scan.pieces.size();
    const uint32_t facets = uint32_t(scan.facets);
    std::vector<char> done(n, 0);
    const unsigned workers = partsFor(n, 1);
    runParts(workers, [&](unsigned w) {
        std::vector<char> bytes;
        for (size_t k = w; k < n; k += workers) {
            const text_scan_t::piece_t& p = scan.pieces[k];
            const uint64_t to = k + 1 < n ? scan.pieces[k + 1].offset : file.size();
            bytes.resize(size_t(to - p.offset));
            const uint32_t last = k + 1 < n ? uint32_t(scan.pieces[k + 1].facetsBefore) : facets;
            done[k] = file.read(bytes.data(), bytes.size(), p.offset) == int64_t(bytes.size()) &&
                      vyk3d::fillTextPiece(bytes.data(), bytes.data() + bytes.size(), 1 + p.linesBefore,
                                           uint32_t(p.facetsBefore), last, a);
        }
    });
    if (std::find(done.begin(), done.end(), 0) == done.end())
        return true;
    file_bytes_t whole;
    if (!whole.open(name) || whole.size() < 5)
        return false;
    const char* end = whole.data() + whole.size();
    const char* nl = static_cast<const char*>(std::memchr(whole.data() + 5, '\n', whole.size() - 5));
    if (a.bounds)
        std::fill(a.bounds->blocks.begin(), a.bounds->blocks.end(), position_bounds_t());
    return vyk3d::fillText(nl ? nl + 1 : end, end, facets, a);
}

// Text STL from an open regular file that begins with "solid", read in
// pieces; the counts come from the read-ahead when it has them.
bool readTextFile(const libutils::file_reader_t& file, text_scan_t scan, const std::string& name, scene_t& scene)
{
    if (scan.facets > scan.vertexLines / 3) {
        // As readTextBytes: the reading would end inside a facet.
        scene.addModel(model_t::Polygon);
        std::cerr << "num: " << scan.lines + 1 << std::endl;
        return false;
    }
    if (scan.facets > vyk3d::kMaxTriangles) {
        std::cerr << name << ": too many facets." << std::endl;
        return false;
    }
    return buildModel(scene, scan.facets, name,
                      [&](const vyk3d::mesh_arrays_t& a) { return fillScannedText(file, scan, name, a); });
}

std::string restOf(std::istream& in)
{
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a file was when its bytes were read: any change since shows in one
// of these.
struct identity_t {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{}, ctime{};

    bool of(const std::string& name)
    {
        struct stat st;
        if (stat(name.c_str(), &st) != 0)
            return false;
        *this = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
        return true;
    }
    bool operator==(const identity_t& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

// Text files counted ahead (their first pass) on a thread of their own, in
// the order named; each count is handed over once, and only while the file
// is as it was read.
class prefetched_t
{
  public:
    ~prefetched_t() { end(); }

    // Waits for the thread and frees what was not taken; later reads read.
    void end()
    {
        if (thread_.joinable())
            thread_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        order_.clear();
        ready_.clear();
    }

    void start(std::vector<std::string> names)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable() || names.empty())
            return;
        for (size_t k = 0; k < names.size(); ++k)
            order_.emplace(names[k], k);
        try {
            thread_ = std::thread([this, names] {
                for (const std::string& name : names) {
                    entry_t e;
                    libutils::file_reader_t file;
                    const bool scanned = e.identity.of(name) && readsAsText(name, file) && scanText(file, e.scan);
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (scanned)
                        ready_.emplace(name, std::move(e));
                    ++done_;
                    readyChanged_.notify_all();
                }
            });
        } catch (const std::system_error&) {
            order_.clear();
        }
    }

    // The count of `name` made ahead and still current, into `scan`.
    bool take(const std::string& name, text_scan_t& scan)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto named = order_.find(name);
        if (named == order_.end())
            return false;
        readyChanged_.wait(lock, [&] { return done_ > named->second; });
        const auto found = ready_.find(name);
        if (found == ready_.end())
            return false;
        entry_t e = std::move(found->second);
        ready_.erase(found);
        lock.unlock();
        identity_t now;
        if (!now.of(name) || !(now == e.identity))
            return false;
        scan = std::move(e.scan);
        return true;
    }

  private:
    struct entry_t {
        identity_t identity;
        text_scan_t scan;
    };

    // Worth reading ahead: a regular text STL file of a megabyte or more.
    static bool readsAsText(const std::string& name, libutils::file_reader_t& file)
    {
        char head[84];
        return file.open(name.c_str()) == libutils::file_status_t::Ok && file.size() >= (1u << 20) &&
               file.read(head, 84, 0) == 84 && !looksBinary(head, size_t(file.size()));
    }

    std::mutex mutex_;
    std::condition_variable readyChanged_;
    std::thread thread_;
    std::map<std::string, size_t> order_;
    std::map<std::string, entry_t> ready_;
    size_t done_ = 0;
};

prefetched_t& prefetched()
{
    static prefetched_t p;
    return p;
}

// A regular file of 84 bytes or more is read in pieces, binary or text;
// others (pipes, tiny files) whole.
bool readStlFile(const std::string& fileName, scene_t& scene)
{
    libutils::file_reader_t file;
    const libutils::file_status_t status = file.open(fileName.c_str());
    if (status == libutils::file_status_t::Ok && file.size() >= 84) {
        char head[84];
        if (file.read(head, 84, 0) != 84)
            return false;
        if (looksBinary(head, size_t(file.size())))
            return readBinaryFile(file, head, fileName, scene);
        text_scan_t scan;
        if (!prefetched().take(fileName, scan) && !scanText(file, scan))
            return false;
        return readTextFile(file, std::move(scan), fileName, scene);
    } else if (status != libutils::file_status_t::Ok && status != libutils::file_status_t::NotRegular) {
        return false;
    }
    file_bytes_t bytes;
    if (!bytes.open(fileName) || bytes.size() < 5)
        return false;
    return looksBinary(bytes.data(), bytes.size())
               ? readBinaryBytes(bytes.data(), bytes.size(), fileName, scene)
               : readTextBytes(bytes.data() + 5, bytes.data() + bytes.size(), fileName, scene);
}

} // namespace

void prefetchStl(int count, char* const* names)
{
    std::vector<std::string> stl;
    for (int k = 0; k < count; ++k)
        if (names[k] && hasExtension(names[k], ".stl") == 0)
            stl.emplace_back(names[k]);
    prefetched().start(std::move(stl));
}

void endPrefetchStl()
{
    prefetched().end();
}

bool readStl(const std::string& fileName, scene_t& scene)
{
    if (!readStlFile(fileName, scene))
        return false;
    scene.models.back()->texture.open(fileName.c_str());
    return true;
}

bool readStlBinary(std::istream& in, scene_t& scene)
{
    // The caller has read the first five bytes; keep the offsets of the file.
    std::string bytes = std::string(5, '\0') + restOf(in);
    return readBinaryBytes(bytes.data(), bytes.size(), "stl", scene);
}

bool readStlText(std::istream& in, scene_t& scene)
{
    std::string rest = restOf(in);
    return readTextBytes(rest.data(), rest.data() + rest.size(), "stl", scene);
}
