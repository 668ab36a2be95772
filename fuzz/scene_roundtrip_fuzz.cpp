// Scene text round trip: a file that loads, once written and read again,
// gives the same arrays (up to the writer's six significant digits and 8-bit
// colours), and writing those gives the same text again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <list>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "gl/scoped_map.h"
#include "sceneio/scene.h"
#include "sceneio/scene_writer.h"

extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

namespace
{

template <class T, class Array> std::vector<T> readBack(Array& array, size_t perRecord)
{
    if (array.count() == 0)
        return {};
    vyk3d::scoped_map_t<T> map(array, GL_MAP_READ_BIT);
    if (!map)
        std::abort();
    return std::vector<T>(map.get(), map.get() + array.count() * perRecord);
}

// Equal as the writer's "%g" keeps them: six significant digits.
bool sameReal(float a, float b)
{
    if (std::isnan(a) || std::isnan(b) || std::isinf(a) || std::isinf(b))
        return std::isnan(a) == std::isnan(b) && (std::isnan(a) || a == b);
    return std::fabs(a - b) <= 6e-6f * std::fmax(std::fabs(a), std::fabs(b)) + 1e-37f;
}

void compare(const std::vector<float>& a, const std::vector<float>& b, bool colours)
{
    if (a.size() != b.size())
        std::abort();
    for (size_t i = 0; i < a.size(); ++i) {
        const bool colour = colours && i % 9 >= 3 && i % 9 <= 6;
        if (colour ? quantizeColor(a[i]) != quantizeColor(b[i]) : !sameReal(a[i], b[i]))
            std::abort();
    }
}

std::vector<float> nurbsArrays(const vyk3d::nurbs_t& n)
{
    std::vector<float> out{float(n.resU), float(n.resV)};
    for (const auto* a : {&n.knotsU, &n.knotsV, &n.weights})
        out.insert(out.end(), a->data(), a->data() + a->size());
    const auto q = [](float c) { return float(quantizeColor(c)); };
    for (uint64_t k = 0; k < n.ctlpts.size(); ++k) {
        const vyk3d::ctlpt_t& p = n.ctlpts.data()[k];
        out.insert(out.end(), {p.x, p.y, p.z, q(p.r), q(p.g), q(p.b), q(p.a)});
    }
    return out;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    scene_t first;
    if (vykfuzz::loadBytes(first, data, size, ".vyk")) {
        const std::string written = vykfuzz::inputFile(nullptr, 0, ".written.vyk");
        if (!writeSceneText(first, written))
            std::abort();
        const std::string text = readText(written);
        // The writer leaves out polygon surfaces without vertices and an
        // environment without a name: a file of only those writes as nothing,
        // which is no scene.
        std::list<model_t*> kept;
        for (const auto& m : first.models)
            if (m->kind == model_t::Nurbs || m->polygon.vertices.count() != 0)
                kept.push_back(m.get());
        scene_t second;
        if (!vykfuzz::loadBytes(second, reinterpret_cast<const uint8_t*>(text.data()), text.size(), ".vyk") &&
            !text.empty())
            std::abort();
        if (kept.size() != second.models.size())
            std::abort();
        auto b = second.models.begin();
        for (auto a = kept.begin(); a != kept.end(); ++a, ++b) {
            if ((*a)->kind != (*b)->kind)
                std::abort();
            if ((*a)->kind == model_t::Nurbs) {
                compare(nurbsArrays((*a)->nurbs), nurbsArrays((*b)->nurbs), false);
                continue;
            }
            vyk3d::polygon_t &pa = (*a)->polygon, &pb = (*b)->polygon;
            compare(readBack<float>(pa.vertices, 9), readBack<float>(pb.vertices, 9), true);
            compare(readBack<float>(pa.normals, 9), readBack<float>(pb.normals, 9), false);
            if (readBack<uint32_t>(pa.elements, 1) != readBack<uint32_t>(pb.elements, 1))
                std::abort();
        }
        if (!writeSceneText(second, written) || readText(written) != text)
            std::abort();
        second.destroyModels();
    }
    first.destroyModels();
    return 0;
}
