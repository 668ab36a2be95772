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

// The child's work: the import, laid out in `output` with the triangles
// written straight into their room there.
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
    for (size_t i = 0; i < pending.size(); ++i) {
        const payload_model_t& m = payload.models[i];
        vyk3d::fillMesh(pending[i].placed, pending[i].material, pending[i].kind, const_cast<float*>(m.vertices),
                        const_cast<float*>(m.frames), const_cast<uint32_t*>(m.elements));
    }
    return munmap(mapped, size) == 0;
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
        // only when asked for.
        if (!polygon.allocate(corners, corners + m.faces, vyk3d::polygon_t::buffers_t::OnDemand))
            return false;
        {
            vyk3d::scoped_map_t<float> vertices(polygon.vertices);
            vyk3d::scoped_map_t<float> frames(polygon.normals);
            vyk3d::scoped_map_t<uint32_t> elements(polygon.elements);
            if (!vertices || !frames || !elements)
                return false;
            std::memcpy(vertices.get(), m.vertices, 9 * corners * sizeof(float));
            std::memcpy(frames.get(), m.frames, 9 * corners * sizeof(float));
            std::memcpy(elements.get(), m.elements, (corners + m.faces) * sizeof(uint32_t));
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
    const sandbox_result_t child = runSandboxed(
        limits, [&](int output) { return importTo(output, fileName); }, kSlowSeconds,
        [&] { err << fileName << ": still importing." << std::endl; });
    struct stat st;
    void* data = MAP_FAILED;
    if (child.end == sandbox_end_t::done && fstat(child.output, &st) == 0 && st.st_size > 0)
        data = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED | MAP_POPULATE, child.output, 0);
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
