// Importing mesh formats through assimp into polygon models.
#include "sceneio/assimp_reader.h"

#include "foundation/path.h"
#include "model/texture.h"
#include "render/scoped_map.h"
#include "sceneio/declared_counts.h"
#include "sceneio/scene.h"
#include "textures/image_format.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cctype>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include <fcntl.h>
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

// Only the steps the viewer needs: triangles, normals where the file has
// none (smooth, across faces that share a position and meet at less than
// 80 degrees) and tangents where it
// has texture coordinates. Vertices are not joined: every triangle gets its
// own three anyway.
const unsigned kImportSteps = aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_CalcTangentSpace;

// The line a crash inside the library prints; set before each import.
char crashLine[1024];
size_t crashLength = 0;

extern "C" void onImportCrash(int)
{
    ssize_t n = write(STDERR_FILENO, crashLine, crashLength);
    (void)n;
    _exit(1);
}

// While alive, a fault inside the importer prints crashLine and ends the
// process with status 1 instead of dying by a signal without a word. Its
// own stack lets a stack overflow reach the handler too.
class CrashGuard
{
  public:
    explicit CrashGuard(const std::string& fileName) : stack_(1 << 16)
    {
        std::string line = fileName.substr(0, sizeof crashLine - 32) + ": the importer crashed.\n";
        std::memcpy(crashLine, line.data(), line.size());
        crashLength = line.size();
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
    }
    ~CrashGuard()
    {
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
};

// The counts a PLY or OFF header declares against the file's size.
bool countsFit(const std::string& fileName)
{
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // the importer says what is wrong
    struct stat st;
    char head[1 << 16];
    ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head, sizeof head) : -1;
    ::close(fd);
    return n < 0 || declared::bytesNeeded(head, size_t(n)) <= uint64_t(st.st_size);
}

// A mesh as placed by a node.
struct Placement {
    const aiMesh* mesh;
    aiMatrix4x4 transform;
};

bool isTriangle(const aiFace& f, unsigned vertexCount)
{
    return f.mNumIndices == 3 && f.mIndices[0] < vertexCount && f.mIndices[1] < vertexCount &&
           f.mIndices[2] < vertexCount;
}

uint64_t triangleCount(const aiMesh& mesh, uint64_t& others)
{
    uint64_t n = 0;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        if (isTriangle(mesh.mFaces[i], mesh.mNumVertices))
            ++n;
        else
            ++others;
    }
    return n;
}

// Every mesh reference of the node tree with its accumulated transform,
// walked without recursion (trees from files can be deep).
std::vector<Placement> placements(const aiScene& scene)
{
    std::vector<Placement> out;
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> todo;
    if (scene.mRootNode)
        todo.emplace_back(scene.mRootNode, scene.mRootNode->mTransformation);
    while (!todo.empty()) {
        auto [node, m] = todo.back();
        todo.pop_back();
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            if (node->mMeshes[i] < scene.mNumMeshes && scene.mMeshes[node->mMeshes[i]])
                out.push_back({scene.mMeshes[node->mMeshes[i]], m});
        for (unsigned i = node->mNumChildren; i-- > 0;)
            if (node->mChildren[i])
                todo.emplace_back(node->mChildren[i], m * node->mChildren[i]->mTransformation);
    }
    return out;
}

aiVector3D unit(const aiVector3D& v)
{
    float len = v.Length();
    return len > 0.0f && std::isfinite(len) ? v / len : aiVector3D(0.0f, 0.0f, 0.0f);
}

// Some tangent perpendicular to n: n crossed with the axis it is least
// aligned with.
aiVector3D perpendicular(const aiVector3D& n)
{
    aiVector3D a(1.0f, 0.0f, 0.0f);
    if (std::fabs(n.y) < std::fabs(n.x) && std::fabs(n.y) <= std::fabs(n.z))
        a = aiVector3D(0.0f, 1.0f, 0.0f);
    else if (std::fabs(n.z) < std::fabs(n.x))
        a = aiVector3D(0.0f, 0.0f, 1.0f);
    return unit(n ^ a);
}

aiColor4D diffuseOf(const aiMaterial* material)
{
    aiColor4D c(0.5f, 0.5f, 0.5f, 1.0f);
    if (material && aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &c) != AI_SUCCESS)
        aiGetMaterialColor(material, AI_MATKEY_BASE_COLOR, &c);
    return c;
}

// Writes the triangles of one placed mesh.
void fillMesh(const Placement& p, const aiMaterial* material, float* v, float* f, uint32_t* e)
{
    const aiMesh& mesh = *p.mesh;
    aiMatrix3x3 frameMatrix(p.transform);
    const bool mirrored = frameMatrix.Determinant() < 0.0f;
    aiMatrix3x3 normalMatrix = frameMatrix;
    if (normalMatrix.Determinant() != 0.0f)
        normalMatrix.Inverse().Transpose();
    const aiColor4D diffuse = diffuseOf(material);
    const bool tangents = mesh.HasTangentsAndBitangents();
    uint64_t k = 0;
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
        const aiFace& face = mesh.mFaces[i];
        if (!isTriangle(face, mesh.mNumVertices))
            continue;
        // A mirroring transform turns the winding; swapping two corners
        // keeps the front side out.
        const unsigned order[3] = {0, mirrored ? 2u : 1u, mirrored ? 1u : 2u};
        for (unsigned c = 0; c < 3; ++c) {
            const unsigned idx = face.mIndices[order[c]];
            float* rec = v + (3 * k + c) * 9;
            const aiVector3D pos = p.transform * mesh.mVertices[idx];
            const aiColor4D col = mesh.mColors[0] ? mesh.mColors[0][idx] : diffuse;
            const aiVector3D uv = mesh.mTextureCoords[0] ? mesh.mTextureCoords[0][idx] : aiVector3D();
            const float values[9] = {pos.x, pos.y, pos.z, col.r, col.g, col.b, col.a, uv.x, uv.y};
            std::memcpy(rec, values, sizeof values);
            const aiVector3D n = mesh.mNormals ? unit(normalMatrix * mesh.mNormals[idx]) : aiVector3D();
            aiVector3D t, b;
            if (tangents && n.SquareLength() > 0.0f) {
                t = unit(frameMatrix * mesh.mTangents[idx]);
                b = unit(frameMatrix * mesh.mBitangents[idx]);
            }
            if (t.SquareLength() == 0.0f || b.SquareLength() == 0.0f) {
                t = perpendicular(n);
                b = n ^ t;
            }
            const float frame[9] = {t.x, t.y, t.z, b.x, b.y, b.z, n.x, n.y, n.z};
            std::memcpy(f + (3 * k + c) * 9, frame, sizeof frame);
        }
        uint32_t* el = e + 4 * k;
        el[0] = uint32_t(3 * k);
        el[1] = uint32_t(3 * k + 1);
        el[2] = uint32_t(3 * k + 2);
        el[3] = 0xFFFFFFFFu;
        ++k;
    }
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
    if (!countsFit(fileName)) {
        err << fileName << ": declared counts exceed what the file holds." << std::endl;
        return false;
    }
    Assimp::Importer importer;
    // Edges sharper than this keep a normal per face.
    importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, 80.0f);
    const aiScene* imported = nullptr;
    {
        CrashGuard guard(fileName);
        try {
            imported = importer.ReadFile(fileName, kImportSteps);
        } catch (const std::exception& e) {
            err << fileName << ": " << e.what() << std::endl;
            return false;
        }
    }
    if (!imported) {
        err << fileName << ": " << importer.GetErrorString() << std::endl;
        return false;
    }
    const std::vector<Placement> placed = placements(*imported);
    uint64_t total = 0, others = 0;
    std::vector<uint64_t> counts;
    for (const Placement& p : placed) {
        counts.push_back(triangleCount(*p.mesh, others));
        total += counts.back();
    }
    if (total > kMaxImportTriangles) {
        err << fileName << ": " << total << " triangles are more than one import may bring." << std::endl;
        return false;
    }
    if (others > 0)
        err << fileName << ": " << others << " lines and points left out." << std::endl;
    for (size_t i = 0; i < placed.size(); ++i) {
        const uint64_t n = counts[i];
        if (n == 0)
            continue;
        model_t* model = new model_t(model_t::Polygon);
        scene.models.push_back(model);
        vyk3d::polygon_t& polygon = model->polygon;
        // The frames come with the file: the frame pass arrays are made
        // only when asked for.
        if (!polygon.allocate(3 * n, 4 * n, vyk3d::polygon_t::buffers_t::OnDemand))
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
            fillMesh(placed[i], material, vertices.get(), frames.get(), elements.get());
        }
        openMaps(*model, *imported, material, fileName, err);
        polygon.update(fileName.c_str());
    }
    return true;
}
