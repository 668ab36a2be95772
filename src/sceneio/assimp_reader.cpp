// Importing mesh formats through assimp into polygon models.
#include "sceneio/assimp_reader.h"

#include "foundation/path.h"
#include "foundation/sandbox.h"
#include "gl/scoped_map.h"
#include "model/texture.h"
#include "sceneio/assimp_mesh.h"
#include "sceneio/declared_counts.h"
#include "sceneio/import_payload.h"
#include "sceneio/scene.h"
#include "textures/image_format.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kAssimpFormats[] = {"obj", "ply", "off", "gltf", "glb", "3mf", "dae", nullptr};

bool isAssimpFormat(const std::string& fileName)
{
    for (const char* const* f = kAssimpFormats; *f; ++f)
        if (hasExtension(fileName, (std::string(".") + *f).c_str()) == 0)
            return true;
    return false;
}

namespace
{

// How often a running import says so.
const int kSlowSeconds = 10;

// Why the file is refused before the import, or null: a PLY header the
// importer loops on, or counts a PLY or OFF header declares beyond the
// file's size.
const char* refusal(const std::string& fileName)
{
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr; // the importer says what is wrong
    struct stat st;
    char head[1 << 16];
    ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head, sizeof head) : -1;
    ::close(fd);
    if (n < 0)
        return nullptr;
    if (!vyk3d::plyHeaderReadable(head, size_t(n)))
        return "PLY header not understood.";
    if (vyk3d::bytesNeeded(head, size_t(n)) > uint64_t(st.st_size))
        return "declared counts exceed what the file holds.";
    return nullptr;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Normal maps in files hold n / 2 + 0.5 in unsigned bytes; the bump map
// takes signed ones, which flipping the top bit of each byte makes. The
// converted copy waits in the cache under the name open() looks up.
void cacheSignedNormals(const std::string& full)
{
    vyk3d::texture_cache_t& cache = vyk3d::textureCache();
    const std::string key = full + ".sint";
    uint32_t src = cache.find(full);
    if (cache.find(key) || (!src && !fileExists(full)))
        return;
    auto entry = std::make_shared<vyk3d::texture_entry_t>();
    libgr::grImage2D& img = entry->image;
    if (src) {
        const libgr::grImage2D& from = cache.get(src)->image;
        if (!img.allocate(from.size()))
            return;
        img.format = from.format;
        img.store = from.store;
        img.width = from.width;
        img.height = from.height;
        std::memcpy(img.data(), from.data(), from.size());
    } else if (!libgr::autoloadformat(img, full.c_str())) {
        return;
    }
    if (img.format.type != libgr::grTypeUINT || img.format.bits != libgr::grBits8)
        return;
    for (uint64_t i = 0; i < img.size(); ++i)
        img.data()[i] ^= 0x80;
    img.format.type = libgr::grTypeSINT;
    cache.add(key, entry);
}

// The name of a material's first map of the given types, relative to the
// model where it can be, or empty. Embedded images join `images`, still
// encoded, under the name's cache key.
std::string mapOf(const aiScene& scene, const aiMaterial* material, std::initializer_list<aiTextureType> types,
                  const std::string& fileName, std::vector<payload_image_t>& images, std::ostream& err)
{
    if (!material)
        return std::string();
    aiString path;
    bool found = false;
    for (aiTextureType type : types)
        if (material->GetTextureCount(type) > 0 && material->GetTexture(type, 0, &path) == AI_SUCCESS) {
            found = true;
            break;
        }
    if (!found || path.length == 0)
        return std::string();
    std::string name = path.C_Str();
    const splitpath_t model = splitPath(fileName.c_str());
    const aiTexture* embedded = scene.GetEmbeddedTexture(path.C_Str());
    if (embedded) {
        unsigned index = 0;
        while (index < scene.mNumTextures && scene.mTextures[index] != embedded)
            ++index;
        std::string rel = std::string(model.base) + model.extension + "*" + std::to_string(index);
        if (embedded->mHeight == 0) {
            payload_image_t image;
            image.key = vyk3d::resolveTexturePath(fileName.c_str(), rel);
            image.bytes = reinterpret_cast<const unsigned char*>(embedded->pcData);
            image.size = embedded->mWidth;
            images.push_back(image);
            return rel;
        }
        err << fileName << ": embedded texture " << index << " left out." << std::endl;
        return std::string();
    }
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (fileExists(vyk3d::resolveTexturePath(fileName.c_str(), name)))
        return name;
    // Written on another machine: try the bare name beside the model.
    const splitpath_t own = splitPath(name.c_str());
    const std::string bare = std::string(own.base) + own.extension;
    if (fileExists(vyk3d::resolveTexturePath(fileName.c_str(), bare)))
        return bare;
    err << fileName << ": texture " << name << " not found, left out." << std::endl;
    return std::string();
}

void nameMaps(payload_model_t& m, const aiScene& scene, const aiMaterial* material, const std::string& fileName,
              std::vector<payload_image_t>& images, std::ostream& err)
{
    m.colormap = mapOf(scene, material, {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}, fileName, images, err);
    m.specularmap = mapOf(scene, material, {aiTextureType_SPECULAR}, fileName, images, err);
    unsigned char specular[4];
    vyk3d::specularOf(material, specular);
    std::memcpy(&m.specular, specular, sizeof specular);
    m.bumpmap = mapOf(scene, material, {aiTextureType_NORMALS}, fileName, images, err);
    m.normalBumps = !m.bumpmap.empty();
    if (m.bumpmap.empty()) {
        // Height maps, often grey pictures stored as colour.
        m.bumpmap = mapOf(scene, material, {aiTextureType_HEIGHT}, fileName, images, err);
        m.bump2mono = !m.bumpmap.empty();
    }
}

// A placed mesh whose triangles are still to be written.
struct pending_t {
    vyk3d::placement_t placed;
    const aiMaterial* material;
    vyk3d::face_kind_t kind;
};

// The import proper, in the child: reads the file and fills `payload` with
// the models' counts and maps, and views of `importer`'s embedded images;
// `pending` gets the meshes to write, one a model. False after a message.
bool importScene(const std::string& fileName, Assimp::Importer& importer, import_payload_t& payload,
                 std::vector<pending_t>& pending, std::ostream& err)
{
    const aiScene* imported = nullptr;
    try {
        imported = importer.ReadFile(fileName, 0);
        if (imported && !vyk3d::facesInside(*imported)) {
            err << fileName << ": a face refers to a vertex the file does not have." << std::endl;
            return false;
        }
        if (imported)
            imported = importer.ApplyPostProcessing(vyk3d::kImportSteps);
        if (imported) {
            // The importer owns the scene; the steps run on it in place.
            vyk3d::smoothNormals(*const_cast<aiScene*>(imported));
            if (vyk3d::hasTextureCoordinates(*imported))
                imported = importer.ApplyPostProcessing(vyk3d::kTangentSteps);
        }
    } catch (const std::bad_alloc&) {
        throw; // the child's memory limit
    } catch (const std::exception& e) {
        err << fileName << ": " << e.what() << std::endl;
        return false;
    }
    if (!imported) {
        err << fileName << ": " << importer.GetErrorString() << std::endl;
        return false;
    }
    const std::vector<vyk3d::placement_t> placed = vyk3d::placements(*imported);
    uint64_t total = 0, others = 0;
    std::vector<vyk3d::face_counts_t> counts;
    for (const vyk3d::placement_t& p : placed) {
        counts.push_back(vyk3d::faceCounts(*p.mesh));
        total += counts.back().triangles + counts.back().lines + counts.back().points;
        others += counts.back().others;
    }
    if (total > kMaxImportTriangles) {
        err << fileName << ": " << total << " triangles are more than one import may bring." << std::endl;
        return false;
    }
    if (others > 0)
        err << fileName << ": " << others << " broken faces left out." << std::endl;
    // One model for each kind of face a placed mesh holds.
    for (size_t i = 0; i < placed.size(); ++i) {
        const aiMaterial* material = placed[i].mesh->mMaterialIndex < imported->mNumMaterials
                                         ? imported->mMaterials[placed[i].mesh->mMaterialIndex]
                                         : nullptr;
        for (vyk3d::face_kind_t kind : vyk3d::kFaceKinds) {
            payload_model_t m;
            m.faces = counts[i].of(kind);
            m.corners = uint32_t(kind);
            if (m.faces == 0)
                continue;
            // Points and lines are drawn in their colours alone.
            if (kind == vyk3d::face_kind_t::Triangle)
                nameMaps(m, *imported, material, fileName, payload.images, err);
            payload.models.push_back(std::move(m));
            pending.push_back({placed[i], material, kind});
        }
    }
    return true;
}

// How many faces the child writes at a time: their records pass through
// buffers of under 2 MB.
const uint64_t kPieceFaces = 8192;

// Writes `bytes` at `offset` of `fd`; false when they cannot all be written.
bool writeAt(int fd, const void* data, uint64_t bytes, uint64_t offset)
{
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = pwrite(fd, p, bytes, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        bytes -= uint64_t(n);
        offset += uint64_t(n);
    }
    return true;
}

// One model's records as the child writes them: filled a piece at a time
// into small buffers, then written into the model's rooms, in the compact
// form while every vertex allows it (no texture coordinate, a normal whose
// frame normalFrame makes again bit for bit), with a colour a vertex once
// two differ; in full records from the first vertex that does not.
class model_writer_t
{
  public:
    model_writer_t(int output, const unsigned char* mapped, const payload_model_t& m, const pending_t& p)
        : output_(output), mapped_(mapped), m_(m), p_(p)
    {
    }

    bool write()
    {
        form_ = m_.corners == 3 && m_.colormap.empty() && m_.bumpmap.empty() && m_.specularmap.empty() &&
                        !fullRecordsWanted()
                    ? payload_form_t::compact
                    : payload_form_t::full;
        const payload_form_t started = form_;
        if (!writeAll())
            return false;
        // A turn to full records midway writes them all again, from the first piece.
        if (started != payload_form_t::full && form_ == payload_form_t::full && !writeAll())
            return false;
        const uint32_t form = uint32_t(form_);
        return writeAt(&form, sizeof form, m_.form) && writeAt(colour_, sizeof colour_, m_.colour);
    }

  private:
    // Writes every piece in the form of the moment; returns when done, or
    // early (true) when the form turns to full records.
    bool writeAll()
    {
        const aiMesh& mesh = *p_.placed.mesh;
        const uint64_t inputs = mesh.mNumFaces ? mesh.mNumFaces : mesh.mNumVertices, c = m_.corners;
        vertices_.resize(27 * kPieceFaces);
        frames_.resize(27 * kPieceFaces);
        elements_.resize(4 * kPieceFaces);
        uint64_t written = 0;
        for (uint64_t first = 0; written < m_.faces && first < inputs; first += kPieceFaces) {
            uint64_t n = vyk3d::fillMesh(p_.placed, p_.material, p_.kind, vertices_.data(), frames_.data(),
                                         elements_.data(), first, kPieceFaces, written);
            n = std::min(n, m_.faces - written);
            if (form_ != payload_form_t::full) {
                if (written == 0 && n > 0)
                    std::memcpy(colour_, vertices_.data() + 3, sizeof colour_);
                const payload_form_t was = form_;
                form_ = pieceForm(n);
                if (form_ == payload_form_t::full)
                    return true;
                if (was == payload_form_t::compact && form_ == payload_form_t::compactColours &&
                    !writeOneColour(3 * written))
                    return false;
                if (!writeCompact(n, written))
                    return false;
            } else if (!writeAt(vertices_.data(), 9 * c * n * sizeof(float), m_.vertices + 9 * c * written) ||
                       !writeAt(frames_.data(), 9 * c * n * sizeof(float), m_.frames + 9 * c * written) ||
                       !writeAt(elements_.data(), (c + 1) * n * sizeof(uint32_t), m_.elements + (c + 1) * written)) {
                return false;
            }
            written += n;
        }
        return true;
    }

    // The form the filled piece of n triangles leaves: full records when
    // a vertex needs them, a colour a vertex when one differs from colour_.
    payload_form_t pieceForm(uint64_t n) const
    {
        const float kZeros[2] = {0.0f, 0.0f};
        payload_form_t form = form_;
        for (uint64_t v = 0; v < 3 * n; ++v) {
            const float* rec = vertices_.data() + 9 * v;
            const float* given = frames_.data() + 9 * v;
            float frame[9];
            vyk3d::polygon_t::normalFrame(given + 6, frame);
            if ((given[6] == 0.0f && given[7] == 0.0f && given[8] == 0.0f) ||
                std::memcmp(frame, given, sizeof frame) != 0 || std::memcmp(rec + 7, kZeros, sizeof kZeros) != 0)
                return payload_form_t::full;
            if (std::memcmp(rec + 3, colour_, sizeof colour_) != 0)
                form = payload_form_t::compactColours;
        }
        return form;
    }

    // Writes colour_ as the colour of vertices 0 .. count - 1.
    bool writeOneColour(uint64_t count)
    {
        std::vector<float>& same = compact_;
        same.resize(4 * std::min<uint64_t>(count, 3 * kPieceFaces));
        for (size_t i = 0; i < same.size(); i += 4)
            std::memcpy(same.data() + i, colour_, sizeof colour_);
        for (uint64_t v = 0; v < count; v += same.size() / 4) {
            const uint64_t k = std::min<uint64_t>(count - v, same.size() / 4);
            if (!writeAt(same.data(), 4 * k * sizeof(float), compactColours(m_) + 4 * v))
                return false;
        }
        return true;
    }

    // Writes the filled piece of n triangles, the first numbered `first`,
    // in the compact form.
    bool writeCompact(uint64_t n, uint64_t first)
    {
        const bool colours = form_ == payload_form_t::compactColours;
        compact_.resize(9 * 2 * kPieceFaces + (colours ? 12 * kPieceFaces : 0));
        float* positions = compact_.data();
        float* normals = positions + 9 * kPieceFaces;
        float* colour = normals + 9 * kPieceFaces;
        for (uint64_t v = 0; v < 3 * n; ++v) {
            std::memcpy(positions + 3 * v, vertices_.data() + 9 * v, 3 * sizeof(float));
            std::memcpy(normals + 3 * v, frames_.data() + 9 * v + 6, 3 * sizeof(float));
            if (colours)
                std::memcpy(colour + 4 * v, vertices_.data() + 9 * v + 3, 4 * sizeof(float));
        }
        return writeAt(positions, 9 * n * sizeof(float), compactPositions(m_) + 9 * first) &&
               writeAt(normals, 9 * n * sizeof(float), compactNormals(m_) + 9 * first) &&
               (!colours || writeAt(colour, 12 * n * sizeof(float), compactColours(m_) + 12 * first));
    }

    // Writes `bytes` at the room `view` points to in the mapping.
    bool writeAt(const void* data, uint64_t bytes, const void* view) const
    {
        return ::writeAt(output_, data, bytes, uint64_t(static_cast<const unsigned char*>(view) - mapped_));
    }

    const int output_;
    const unsigned char* const mapped_;
    const payload_model_t& m_;
    const pending_t& p_;
    payload_form_t form_ = payload_form_t::full;
    float colour_[4] = {};
    std::vector<float> vertices_, frames_, compact_;
    std::vector<uint32_t> elements_;
};

// The child's work: the import, laid out in `output`. The records reach
// their rooms in pieces, through small buffers written with pwrite, not
// through the mapping: a process pays a first touch for every page it maps
// (on virtual machines most of the import's cost), and the kernel fills
// the file's pages without one. The compact form writes a third of the
// bytes of full records, and the viewer touches a third of the pages.
bool importTo(int output, const std::string& fileName)
{
    std::ostringstream err;
    Assimp::Importer importer;
    std::vector<pending_t> pending;
    import_payload_t payload;
    payload.imported = importScene(fileName, importer, payload, pending, err);
    payload.messages = err.str();
    uint64_t size = 0;
    unsigned char* mapped = layOutPayload(output, payload, size);
    if (!mapped)
        return false;
    bool ok = true;
    for (size_t i = 0; i < pending.size() && ok; ++i)
        ok = model_writer_t(output, mapped, payload.models[i], pending[i]).write();
    return munmap(mapped, size) == 0 && ok;
}

// Opens the texture set of a model: embedded images that did not decode
// leave their maps out.
void openMaps(model_t& model, const payload_model_t& m, const std::vector<std::string>& undecoded,
              const std::string& fileName)
{
    vyk3d::texture_t& t = model.texture;
    t.colormap = m.colormap;
    t.bumpmap = m.bumpmap;
    t.specularmap = m.specularmap;
    t.bump2mono = m.bump2mono != 0;
    std::memcpy(t.specularcolor, &m.specular, sizeof t.specularcolor);
    for (std::string* map : {&t.colormap, &t.bumpmap, &t.specularmap})
        for (const std::string& key : undecoded)
            if (!map->empty() && vyk3d::resolveTexturePath(fileName.c_str(), *map) == key)
                map->clear();
    if (m.normalBumps && !t.bumpmap.empty())
        cacheSignedNormals(vyk3d::resolveTexturePath(fileName.c_str(), t.bumpmap));
    // A map that does not load is said and has the built-in one in its place.
    t.open(fileName.c_str());
}

// The line for a child that gave no payload.
void sayWhy(sandbox_end_t end, const sandbox_limits_t& limits, const std::string& fileName, std::ostream& err)
{
    err << fileName << ": ";
    switch (end) {
    case sandbox_end_t::crashed:
        err << "the importer crashed.";
        break;
    case sandbox_end_t::timedOut:
        err << "the import took longer than " << limits.seconds << " s.";
        break;
    case sandbox_end_t::outOfMemory:
        err << "the import needed more than " << (limits.bytes >> 20) << " MB.";
        break;
    case sandbox_end_t::notStarted:
        err << "the importer could not be started.";
        break;
    default:
        err << "the importer ended without a result.";
    }
    err << std::endl;
}

// The buffers a model of the form takes.
vyk3d::polygon_t::buffers_t buffersOf(payload_form_t form)
{
    using buffers_t = vyk3d::polygon_t::buffers_t;
    return form == payload_form_t::compact          ? buffers_t::CompactSmooth
           : form == payload_form_t::compactColours ? buffers_t::CompactSmoothColours
                                                    : buffers_t::OnDemand;
}

// Copies `count` values from `from`, in the child's output, into the GL
// store `to`. The output's pages are mapped in before, all in one call:
// faster than a fault a page, and the rooms the child left empty are not
// touched.
template <class T, class Array> bool copyInto(Array& to, const T* from, uint64_t count)
{
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE)), start = uintptr_t(from) / page * page;
    madvise(reinterpret_cast<void*>(start), uintptr_t(from + count) - start, MADV_POPULATE_READ);
    vyk3d::scoped_map_t<T> mapped(to);
    if (!mapped)
        return false;
    std::memcpy(mapped.get(), from, count * sizeof(T));
    return true;
}

// Makes the models of a payload; false when the import failed or GL
// storage could not be had.
bool takePayload(const import_payload_t& payload, scene_t& scene, const std::string& fileName, std::ostream& err)
{
    err << payload.messages << std::flush;
    if (!payload.imported)
        return false;
    std::vector<std::string> undecoded;
    for (const payload_image_t& image : payload.images)
        if (!vyk3d::cacheEncodedTexture(image.key, image.bytes, image.size)) {
            err << fileName << ": embedded texture " << image.key.substr(image.key.rfind('*') + 1) << " left out."
                << std::endl;
            undecoded.push_back(image.key);
        }
    for (const payload_model_t& m : payload.models) {
        model_t& model = scene.addModel(model_t::Polygon);
        vyk3d::polygon_t& polygon = model.polygon;
        polygon.primitive = m.corners == 3   ? vyk3d::polygon_t::primitive_t::Triangles
                            : m.corners == 2 ? vyk3d::polygon_t::primitive_t::Lines
                                             : vyk3d::polygon_t::primitive_t::Points;
        const uint64_t corners = m.corners * m.faces;
        // The frames come with the file: the frame pass arrays are made
        // only when asked for, and the records themselves too where the
        // compact form holds them whole.
        const payload_form_t form = formOf(m);
        if (!polygon.allocate(corners, corners + m.faces, buffersOf(form)))
            return false;
        if (form != payload_form_t::full) {
            std::memcpy(polygon.compactColor, m.colour, sizeof polygon.compactColor);
            if (!copyInto(polygon.positions, compactPositions(m), 3 * corners) ||
                !copyInto(polygon.vertexNormals, compactNormals(m), 3 * corners) ||
                (form == payload_form_t::compactColours &&
                 !copyInto(polygon.vertexColors, compactColours(m), 4 * corners)))
                return false;
        } else if (!copyInto(polygon.vertices, m.vertices, 9 * corners) ||
                   !copyInto(polygon.normals, m.frames, 9 * corners) ||
                   !copyInto(polygon.elements, m.elements, corners + m.faces)) {
            return false;
        }
        openMaps(model, m, undecoded, fileName);
        polygon.update(fileName.c_str());
    }
    return true;
}

} // namespace

bool readAssimp(const std::string& fileName, scene_t& scene, std::ostream& err)
{
    if (const char* why = refusal(fileName)) {
        err << fileName << ": " << why << std::endl;
        return false;
    }
    const sandbox_limits_t limits = defaultSandboxLimits();
    const sandbox_result_t child = runSandboxed(limits, importTo, fileName, kSlowSeconds,
                                                [&] { err << fileName << ": still importing." << std::endl; });
    struct stat st;
    void* data = MAP_FAILED;
    if (child.end == sandbox_end_t::done && fstat(child.output, &st) == 0 && st.st_size > 0)
        data = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, child.output, 0);
    if (child.output >= 0)
        close(child.output);
    import_payload_t payload;
    if (data == MAP_FAILED || !readPayload(static_cast<const unsigned char*>(data), uint64_t(st.st_size), payload)) {
        if (data != MAP_FAILED)
            munmap(data, size_t(st.st_size));
        sayWhy(child.end == sandbox_end_t::done ? sandbox_end_t::noResult : child.end, limits, fileName, err);
        return false;
    }
    const bool ok = takePayload(payload, scene, fileName, err);
    munmap(data, size_t(st.st_size));
    return ok;
}
