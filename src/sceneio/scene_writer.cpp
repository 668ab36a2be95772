// Writing scenes and surfaces as .vyk scene text or binary STL.
#include "sceneio/scene_writer.h"

#include "foundation/path.h"
#include "gl/scoped_map.h"
#include "sceneio/stl.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <ostream>

namespace
{

const char kEol[] = "\r\n";

// Floats as the stream's default notation writes them (6 significant
// digits, exponent form for very small or large magnitudes), whatever
// flags the caller's stream carries.
struct real_t {
    float v;
};
std::ostream& operator<<(std::ostream& out, real_t r)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", double(r.v));
    return out << buf;
}

// The same for the keys read as expressions (positions, texture
// coordinates, factors), which know no "inf" or "nan": those values are
// written as the quotients that give them back.
struct expression_t {
    float v;
};
std::ostream& operator<<(std::ostream& out, expression_t e)
{
    if (std::isnan(e.v))
        return out << "0/0";
    if (std::isinf(e.v))
        return out << (e.v < 0 ? "-1/0" : "1/0");
    return out << real_t{e.v};
}

const char* flag(bool b)
{
    return b ? "true" : "false";
}

// The 8-bit colour last written in a section; the reader starts every
// section with the same default.
struct color_state_t {
    unsigned last[4] = {128, 128, 128, 255};

    void write(std::ostream& out, float r, float g, float b, float a)
    {
        const unsigned q[4] = {quantizeColor(r), quantizeColor(g), quantizeColor(b), quantizeColor(a)};
        if (q[0] == last[0] && q[1] == last[1] && q[2] == last[2] && q[3] == last[3])
            return;
        out << "color " << q[0] << ',' << q[1] << ',' << q[2] << ',' << q[3] << kEol;
        for (int k = 0; k < 4; ++k)
            last[k] = q[k];
    }
};

// Writes one record's surface; kinds other than polygon and NURBS are
// skipped. The surfaces take the output file's name, as a loaded file's do.
void writeRecord(model_t& model, const std::string& fileName, std::ostream& out)
{
    model.polygon.name = fileName;
    if (model.kind == model_t::Polygon) {
        writePolygonSurface(model.texture, model.polygon, out);
    } else if (model.kind == model_t::Nurbs) {
        writeNurbsSurface(model.nurbs, out);
        model.nurbs.name = fileName;
    }
}

// Closes the file and says whether everything written reached it.
bool finish(std::ofstream& out)
{
    out.flush();
    bool ok = bool(out);
    out.close();
    return ok && !out.fail();
}

enum class format_t { Stl, Vyk, Unknown };

format_t formatOf(const std::string& fileName)
{
    if (hasExtension(fileName, ".stl") == 0)
        return format_t::Stl;
    if (hasExtension(fileName, ".vyk") == 0)
        return format_t::Vyk;
    std::cerr << "file extension not recognized." << std::endl;
    return format_t::Unknown;
}

} // namespace

unsigned quantizeColor(float c)
{
    if (std::isnan(c))
        c = 1.0f;
    c = c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c);
    return unsigned(c * 255.0f + 0.5f);
}

bool writeMaterial(const vyk3d::texture_t& t, std::ostream& out)
{
    out << "refractfactor " << expression_t{t.refractfactor} << kEol;
    if (!t.colormap.empty())
        out << "texture " << t.colormap << kEol;
    // The filter settings apply to all three maps, so they are kept whenever
    // any map is named (not only with a colour map).
    if (!t.colormap.empty() || !t.bumpmap.empty() || !t.specularmap.empty()) {
        out << "mipmap " << flag(t.mipmap) << kEol;
        out << "nearlinear " << flag(t.nearlinear) << kEol;
        out << "maglinear " << flag(t.maglinear) << kEol;
        out << "aniso " << expression_t{t.anisotropy} << kEol;
    }
    if (!t.bumpmap.empty()) {
        out << "bumpmap " << t.bumpmap << kEol;
        out << "bumpofs " << flag(t.bumpofs) << kEol;
        out << "bump2mono " << flag(t.bump2mono) << kEol;
    }
    if (!t.specularmap.empty())
        out << "specular " << t.specularmap << kEol;
    out << "mercatorsphere " << flag(t.mercatorsphere) << kEol;
    return bool(out);
}

bool writeEnvironment(const vyk3d::environment_t& env, std::ostream& out)
{
    if (env.name.empty())
        return false;
    out << "begin environment" << kEol;
    out << "cubetex " << env.name << kEol;
    out << "reflectalpha " << expression_t{env.reflectalpha} << kEol;
    out << "refractalpha " << expression_t{env.refractalpha} << kEol;
    out << "refractfactor " << expression_t{env.refractfactor} << kEol;
    out << "end" << kEol;
    return bool(out);
}

bool writeNurbsSurface(const vyk3d::nurbs_t& n, std::ostream& out)
{
    if (n.numU == 0 || n.orderU == 0 || n.numV == 0 || n.orderV == 0)
        return bool(out);
    // Arrays that do not match the counts (a surface never allocated for
    // them) would be read past their ends: such a surface counts as empty.
    if (n.knotsU.size() != n.numV * (n.numU + n.orderU) || n.knotsV.size() != n.numU * (n.numV + n.orderV) ||
        n.weights.size() != n.numV * n.numU || n.ctlpts.size() != n.numV * n.numU)
        return bool(out);
    out << "begin nurbs_surface," << n.numU << ',' << n.orderU << ',' << n.numV << ',' << n.orderV << kEol;
    out << "resolution " << n.resU << ',' << n.resV << kEol;
    static const vyk3d::texture_t defaults;
    writeMaterial(n.texture ? *n.texture : defaults, out);
    color_state_t color;
    const uint64_t knotsPerRow = n.numU + n.orderU;
    for (uint64_t j = 0; j < n.numV; ++j) {
        for (uint64_t k = 0; k < knotsPerRow; ++k)
            out << "knot1 " << real_t{n.knotsU.at(j, k)} << kEol;
        for (uint64_t i = 0; i < n.numU; ++i)
            out << "weight " << real_t{n.weights.at(j, i)} << kEol;
        for (uint64_t i = 0; i < n.numU; ++i) {
            const vyk3d::ctlpt_t& p = n.ctlpts.at(j, i);
            color.write(out, p.r, p.g, p.b, p.a);
            out << "position " << expression_t{p.x} << ',' << expression_t{p.y} << ',' << expression_t{p.z} << kEol;
        }
    }
    out << kEol;
    const uint64_t knotsPerColumn = n.numV + n.orderV;
    for (uint64_t i = 0; i < n.numU; ++i)
        for (uint64_t k = 0; k < knotsPerColumn; ++k)
            out << "knot2 " << real_t{n.knotsV.at(i, k)} << kEol;
    out << "end" << kEol;
    return bool(out);
}

bool writePolygonSurface(const vyk3d::texture_t& texture, const vyk3d::polygon_t& constPolygon, std::ostream& out)
{
    // Mapping for reading leaves the surface as it was.
    auto& polygon = const_cast<vyk3d::polygon_t&>(constPolygon);
    polygon.fullRecords(); // what is written is the full records
    const uint64_t nv = polygon.vertices.count();
    const uint64_t ne = polygon.elements.count();
    if (nv == 0)
        return bool(out);
    vyk3d::scoped_map_t<const float> vertices(polygon.vertices, GL_MAP_READ_BIT);
    vyk3d::scoped_map_t<const float> frames(polygon.normals, GL_MAP_READ_BIT);
    if (!vertices || !frames || polygon.normals.count() < nv) {
        out.setstate(std::ios::failbit);
        return false;
    }
    out << "begin polygon_surface," << nv << ',' << ne << kEol;
    writeMaterial(texture, out);
    color_state_t color;
    for (uint64_t i = 0; i < nv; ++i) {
        const float* v = vertices.get() + i * 9;
        color.write(out, v[3], v[4], v[5], v[6]);
        out << "texcoord " << expression_t{v[7]} << ',' << expression_t{v[8]} << kEol;
        out << "position " << expression_t{v[0]} << ',' << expression_t{v[1]} << ',' << expression_t{v[2]} << kEol;
    }
    if (ne > 0) {
        vyk3d::scoped_map_t<const uint32_t> elements(polygon.elements, GL_MAP_READ_BIT);
        if (!elements) {
            out.setstate(std::ios::failbit);
            return false;
        }
        for (uint64_t i = 0; i < ne; ++i) {
            if (elements[i] == vyk3d::restartIndex)
                out << "element -1" << kEol;
            else
                out << "element " << elements[i] << kEol;
        }
    }
    for (uint64_t i = 0; i < nv; ++i) {
        const float* f = frames.get() + i * 9;
        out << "tangent " << real_t{f[0]} << ',' << real_t{f[1]} << ',' << real_t{f[2]} << kEol;
        out << "binormal " << real_t{f[3]} << ',' << real_t{f[4]} << ',' << real_t{f[5]} << kEol;
        out << "normal " << real_t{f[6]} << ',' << real_t{f[7]} << ',' << real_t{f[8]} << kEol;
    }
    out << "end" << kEol;
    return bool(out);
}

bool writeSceneText(scene_t& scene, const std::string& fileName)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    if (writeEnvironment(scene.environment, out))
        out << kEol;
    for (const auto& model : scene.models) {
        if (model)
            writeRecord(*model, fileName, out);
        if (!out)
            return false;
    }
    return finish(out);
}

bool writeModelsText(const model_list_t& models, const std::string& fileName)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    for (const auto& model : models) {
        if (model)
            writeRecord(*model, fileName, out);
        out << kEol;
        if (!out)
            return false;
    }
    return finish(out);
}

bool writeModelText(model_t& model, const std::string& fileName)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    writeRecord(model, fileName, out);
    if (!out)
        return false;
    return finish(out);
}

bool saveScene(scene_t& scene, const std::string& fileName, const char* headerName)
{
    switch (formatOf(fileName)) {
    case format_t::Stl:
        return writeStlBinary(fileName, scene.models, headerName);
    case format_t::Vyk:
        return writeSceneText(scene, fileName);
    default:
        return false;
    }
}

bool saveModels(const model_list_t& models, const std::string& fileName, const char* headerName)
{
    switch (formatOf(fileName)) {
    case format_t::Stl:
        return writeStlBinary(fileName, models, headerName);
    case format_t::Vyk:
        return writeModelsText(models, fileName);
    default:
        return false;
    }
}

bool saveModel(model_t& model, const std::string& fileName, const char* headerName)
{
    switch (formatOf(fileName)) {
    case format_t::Stl:
        return writeStlBinary(fileName, model, headerName);
    case format_t::Vyk:
        return writeModelText(model, fileName);
    default:
        return false;
    }
}
