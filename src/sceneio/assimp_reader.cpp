// Importing mesh formats through assimp into polygon models.
#include "sceneio/assimp_reader.h"

#include "foundation/path.h"
#include "gl/scoped_map.h"
#include "model/texture.h"
#include "sceneio/assimp_mesh.h"
#include "sceneio/declared_counts.h"
#include "sceneio/scene.h"
#include "textures/image_format.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
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

// The lines a crash inside the library and a slow import print; set
// before each import.
char crashLine[1024], slowLine[1024];
size_t crashLength = 0, slowLength = 0;
const int kSlowSeconds = 10;

extern "C" void onImportCrash(int)
{
    ssize_t n = write(STDERR_FILENO, crashLine, crashLength);
    (void)n;
    _exit(1);
}

extern "C" void onImportSlow(int)
{
    const int saved = errno;
    ssize_t n = write(STDERR_FILENO, slowLine, slowLength);
    (void)n;
    errno = saved;
}

// Copies "<file><text>" into a line buffer.
size_t setLine(char (&line)[1024], const std::string& fileName, const char* text)
{
    const std::string s = fileName.substr(0, sizeof line - 64) + text;
    std::memcpy(line, s.data(), s.size());
    return s.size();
}

// While alive, a fault inside the importer prints crashLine and ends the
// process with status 1 instead of dying by a signal without a word (its
// own stack lets a stack overflow reach the handler too), and an import
// that takes long says so every kSlowSeconds instead of hanging silently.
class CrashGuard
{
  public:
    explicit CrashGuard(const std::string& fileName) : stack_(1 << 16)
    {
        crashLength = setLine(crashLine, fileName, ": the importer crashed.\n");
        slowLength = setLine(slowLine, fileName, ": still importing.\n");
        stack_t alt{};
        alt.ss_sp = stack_.data();
        alt.ss_size = stack_.size();
        sigaltstack(&alt, &oldStack_);
        struct sigaction action {
        };
        action.sa_handler = onImportCrash;
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < kCount; ++i)
            sigaction(kSignals[i], &action, &old_[i]);
        struct sigaction slow {
        };
        slow.sa_handler = onImportSlow;
        slow.sa_flags = SA_RESTART; // reads inside the importer go on
        sigemptyset(&slow.sa_mask);
        sigaction(SIGALRM, &slow, &oldAlarm_);
        const itimerval every{{kSlowSeconds, 0}, {kSlowSeconds, 0}};
        setitimer(ITIMER_REAL, &every, &oldTimer_);
    }
    ~CrashGuard()
    {
        setitimer(ITIMER_REAL, &oldTimer_, nullptr);
        sigaction(SIGALRM, &oldAlarm_, nullptr);
        for (size_t i = 0; i < kCount; ++i)
            sigaction(kSignals[i], &old_[i], nullptr);
        sigaltstack(&oldStack_, nullptr);
    }
    CrashGuard(const CrashGuard&) = delete;
    CrashGuard& operator=(const CrashGuard&) = delete;

  private:
    static constexpr size_t kCount = 5;
    static constexpr int kSignals[kCount] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
    std::vector<char> stack_;
    stack_t oldStack_{};
    struct sigaction old_[kCount];
    struct sigaction oldAlarm_ {
    };
    itimerval oldTimer_{};
};

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
    if (!declared::plyHeaderReadable(head, size_t(n)))
        return "PLY header not understood.";
    if (declared::bytesNeeded(head, size_t(n)) > uint64_t(st.st_size))
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
// model where it can be, or empty. Embedded images are decoded into the
// texture cache here.
std::string mapOf(const aiScene& scene, const aiMaterial* material, std::initializer_list<aiTextureType> types,
                  const std::string& fileName, std::ostream& err)
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
        const std::string full = vyk3d::resolveTexturePath(fileName.c_str(), rel);
        if (embedded->mHeight == 0 &&
            vyk3d::cacheEncodedTexture(full, reinterpret_cast<const unsigned char*>(embedded->pcData),
                                       embedded->mWidth))
            return rel;
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

void openMaps(model_t& model, const aiScene& scene, const aiMaterial* material, const std::string& fileName,
              std::ostream& err)
{
    vyk3d::texture_t& t = model.texture;
    t.colormap = mapOf(scene, material, {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}, fileName, err);
    t.specularmap = mapOf(scene, material, {aiTextureType_SPECULAR}, fileName, err);
    assimpmesh::specularOf(material, t.specularcolor);
    t.bumpmap = mapOf(scene, material, {aiTextureType_NORMALS}, fileName, err);
    if (!t.bumpmap.empty()) {
        cacheSignedNormals(vyk3d::resolveTexturePath(fileName.c_str(), t.bumpmap));
    } else {
        // Height maps, often grey pictures stored as colour.
        t.bumpmap = mapOf(scene, material, {aiTextureType_HEIGHT}, fileName, err);
        t.bump2mono = !t.bumpmap.empty();
    }
    if (t.open(fileName.c_str()))
        return;
    err << fileName << ": maps left out." << std::endl;
    t.colormap.clear();
    t.bumpmap.clear();
    t.specularmap.clear();
    t.open(fileName.c_str());
}

} // namespace

bool readAssimp(const std::string& fileName, scene_t& scene, std::ostream& err)
{
    if (const char* why = refusal(fileName)) {
        err << fileName << ": " << why << std::endl;
        return false;
    }
    Assimp::Importer importer;
    const aiScene* imported = nullptr;
    {
        CrashGuard guard(fileName);
        try {
            imported = importer.ReadFile(fileName, 0);
            if (imported && !assimpmesh::facesInside(*imported)) {
                err << fileName << ": a face refers to a vertex the file does not have." << std::endl;
                return false;
            }
            if (imported)
                imported = importer.ApplyPostProcessing(assimpmesh::kImportSteps);
            if (imported) {
                // The importer owns the scene; the steps run on it in place.
                assimpmesh::smoothNormals(*const_cast<aiScene*>(imported));
                if (assimpmesh::hasTextureCoordinates(*imported))
                    imported = importer.ApplyPostProcessing(assimpmesh::kTangentSteps);
            }
        } catch (const std::exception& e) {
            err << fileName << ": " << e.what() << std::endl;
            return false;
        }
    }
    if (!imported) {
        err << fileName << ": " << importer.GetErrorString() << std::endl;
        return false;
    }
    const std::vector<assimpmesh::Placement> placed = assimpmesh::placements(*imported);
    uint64_t total = 0, others = 0;
    std::vector<assimpmesh::FaceCounts> counts;
    for (const assimpmesh::Placement& p : placed) {
        counts.push_back(assimpmesh::faceCounts(*p.mesh));
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
        for (assimpmesh::FaceKind kind : assimpmesh::kFaceKinds) {
            const uint64_t n = counts[i].of(kind), corners = uint64_t(kind);
            if (n == 0)
                continue;
            model_t* model = new model_t(model_t::Polygon);
            scene.models.push_back(model);
            vyk3d::polygon_t& polygon = model->polygon;
            polygon.primitive = kind == assimpmesh::FaceKind::Triangle ? vyk3d::polygon_t::primitive_t::Triangles
                                : kind == assimpmesh::FaceKind::Line   ? vyk3d::polygon_t::primitive_t::Lines
                                                                       : vyk3d::polygon_t::primitive_t::Points;
            // The frames come with the file: the frame pass arrays are made
            // only when asked for.
            if (!polygon.allocate(corners * n, (corners + 1) * n, vyk3d::polygon_t::buffers_t::OnDemand))
                return false;
            const aiMaterial* material = placed[i].mesh->mMaterialIndex < imported->mNumMaterials
                                             ? imported->mMaterials[placed[i].mesh->mMaterialIndex]
                                             : nullptr;
            {
                vyk3d::scoped_map_t<float> vertices(polygon.vertices);
                vyk3d::scoped_map_t<float> frames(polygon.normals);
                vyk3d::scoped_map_t<uint32_t> elements(polygon.elements);
                if (!vertices || !frames || !elements)
                    return false;
                assimpmesh::fillMesh(placed[i], material, kind, vertices.get(), frames.get(), elements.get());
            }
            // Points and lines are drawn in their colours alone.
            if (kind == assimpmesh::FaceKind::Triangle)
                openMaps(*model, *imported, material, fileName, err);
            else
                model->texture.open(fileName.c_str());
            polygon.update(fileName.c_str());
        }
    }
    return true;
}
