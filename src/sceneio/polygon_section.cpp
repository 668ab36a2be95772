// The "begin polygon_surface" section: vertices, elements and tangent frames
// written straight into the polygon's mapped GL buffers.

#include "sceneio/line_reader.h"
#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include "gl/scoped_map.h"

#include <algorithm>
#include <memory>
#include <ostream>

using vyk3d::scoped_map_t;

namespace
{

// The three parts of a tangent frame, nine floats a vertex in this order.
// Each part has a fill count of its own, so the parts may come in any order.
struct frame_key_t {
    const char* key;
    const char* notSet;
    const char* overflowText;
};
const frame_key_t frameKeys[3] = {
    {"tangent", ": tangent parm is not set. ", ": polygon tangent("},
    {"binormal", ": binormal parm is not set. ", ": polygon binormal("},
    {"normal", ": normal parm is not set. ", ": polygon normal("},
};

} // namespace

bool readPolygonSurface(const std::string& fileName, vyk3d::texture_t& texture, vyk3d::polygon_t& polygon,
                        uint64_t& lineCounter, std::string& currentLine, std::istream& in, std::ostream& err)
{
    const size_t comma = currentLine.find(',');
    if (comma == std::string::npos)
        return false;
    key_line_t header(currentLine, comma + 1);
    const uint64_t nv = header.integer();
    const uint64_t ne = header.integer();
    if (header.cut() || header.missing()) {
        lineMessage(err, lineCounter, ": polygon header needs two counts: ", currentLine);
        return false;
    }
    // A vertex takes four lines (position and the three frame parts) and,
    // with every GL buffer polygon_t keeps for it, under 256 bytes.
    const unsigned __int128 v = nv, e = ne;
    if (!sectionFits(256 * v + sizeof(uint32_t) * e, 4 * v + e, remainingBytes(in))) {
        lineMessage(err, lineCounter, ": polygon counts exceed what the file holds: ", currentLine);
        return false;
    }
    if (!polygon.allocate(nv, ne)) {
        err << lineCounter << ": polygon allocate error.\n";
        return false;
    }

    array_fill_t vertexFill{0, nv, ": polygon vertex("};
    array_fill_t elementFill{0, ne, ": polygon element("};
    array_fill_t frameFill[3];
    for (int k = 0; k < 3; ++k)
        frameFill[k] = array_fill_t{0, nv, frameKeys[k].overflowText};
    {
        // Empty arrays have no store to map; the fill checks keep every write
        // inside the mapped ones. The maps are given back on every return.
        std::unique_ptr<scoped_map_t<float>> vertexMap, normalMap;
        std::unique_ptr<scoped_map_t<uint32_t>> elementMap;
        if (nv != 0) {
            vertexMap = std::make_unique<scoped_map_t<float>>(polygon.vertices);
            normalMap = std::make_unique<scoped_map_t<float>>(polygon.normals);
            if (!*vertexMap || !*normalMap)
                return false;
        }
        if (ne != 0) {
            elementMap = std::make_unique<scoped_map_t<uint32_t>>(polygon.elements);
            if (!*elementMap)
                return false;
        }
        float* vertices = vertexMap ? vertexMap->get() : nullptr;
        float* frames = normalMap ? normalMap->get() : nullptr;
        uint32_t* elements = elementMap ? elementMap->get() : nullptr;

        colour_state_t colour;
        float texU = 0.0f, texV = 0.0f;
        std::string& line = currentLine;
        bool ended = false;
        bool tooLong = false;
        while (!ended && nextSectionLine(in, line, lineCounter, err, tooLong)) {
            ended = beginsWithKey(line, "end");
            if (ended || isIgnoredLine(line) || beginsWithKey(line, "resolution"))
                continue;
            key_result_t r = colourKey(line, colour, lineCounter, err);
            if (r == key_result_t::NotMine && beginsWithKey(line, "texcoord")) {
                float u = 0.0f, v = 0.0f;
                r = keyValues(line, ": texcoord parm is not set. ", nullptr, lineCounter, err, [&](key_line_t& values) {
                    u = values.expression();
                    v = values.expression();
                });
                if (r == key_result_t::Read) {
                    texU = u;
                    texV = v;
                }
            }
            if (r == key_result_t::NotMine) {
                pos3 p;
                r = pointKey(line, vertexFill, p, lineCounter, err);
                if (r == key_result_t::Read) {
                    float* v = vertices + 9 * vertexFill.count++;
                    const float record[9] = {p.x, p.y, p.z, colour.r, colour.g, colour.b, colour.a, texU, texV};
                    std::copy(record, record + 9, v);
                }
            }
            if (r == key_result_t::NotMine && beginsWithKey(line, "element")) {
                uint32_t e = 0;
                r = keyValues(line, ": element parm is not set. ", &elementFill, lineCounter, err,
                              [&](key_line_t& values) { e = values.integer(); });
                if (r == key_result_t::Read)
                    elements[elementFill.count++] = e;
            }
            for (int k = 0; k < 3 && r == key_result_t::NotMine; ++k) {
                if (!beginsWithKey(line, frameKeys[k].key))
                    continue;
                float xyz[3] = {};
                r = keyValues(line, frameKeys[k].notSet, &frameFill[k], lineCounter, err, [&](key_line_t& values) {
                    for (float& c : xyz)
                        c = values.real();
                });
                if (r == key_result_t::Read)
                    std::copy(xyz, xyz + 3, frames + 9 * frameFill[k].count++ + 3 * k);
            }
            if (r == key_result_t::NotMine)
                r = textureKey(line, texture, false, lineCounter, err);
            if (r == key_result_t::Failed)
                return false;
            if (r == key_result_t::NotMine)
                illegalCommand(err, lineCounter, line);
        }
        // A section the file ends before its "end" line fails silently.
        if (tooLong || !ended)
            return false;
    }

    bool shortArray = vertexFill.reportShort("vertex", "vertex", lineCounter, err);
    shortArray |= elementFill.reportShort("element", "element", lineCounter, err);
    for (int k = 0; k < 3; ++k)
        shortArray |= frameFill[k].reportShort(frameKeys[k].key, frameKeys[k].key, lineCounter, err);
    if (shortArray)
        return false;

    texture.open(fileName.c_str());
    polygon.update(fileName.c_str());
    return true;
}
