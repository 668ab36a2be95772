// The "begin polygon_surface" section: vertices, elements and tangent frames
// written straight into the polygon's mapped GL buffers.

#include "sceneio/line_reader.h"
#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include "render/scoped_map.h"

#include <memory>
#include <ostream>

using vyk3d::scoped_map_t;

namespace
{

// Every vertex needs four lines (position, tangent, binormal, normal) and
// every element one, and no such line is shorter than this.
const uint64_t minRecordLine = 8;

// One array being filled: its fill count and size, and its overflow text.
struct fill_t {
    uint64_t count;
    uint64_t size;
    const char* overflowText;
};

// "<n>: polygon vertex(<count>) >= <size> over."
bool full(const fill_t& f, uint64_t lineCounter, std::ostream& err)
{
    if (f.count < f.size)
        return false;
    err << lineCounter << f.overflowText << f.count << ") >= " << f.size << " over.\n";
    return true;
}

// "<n>: vertex(<count>) < <size>: too few vertex."
bool shortOf(const char* name, const char* tail, uint64_t count, uint64_t size, uint64_t lineCounter, std::ostream& err)
{
    if (count >= size)
        return false;
    err << lineCounter << ": " << name << "(" << count << ") < " << size << ": too few " << tail << ".\n";
    return true;
}

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
    // A count the rest of the file cannot fill must not size GL buffers.
    const uint64_t left = remainingBytes(in);
    if (left != UINT64_MAX && (4 * nv + ne) > left / minRecordLine) {
        lineMessage(err, lineCounter, ": polygon counts exceed what the file holds: ", currentLine);
        return false;
    }
    if (!polygon.allocate(nv, ne)) {
        err << lineCounter << ": polygon allocate error.\n";
        return false;
    }

    bool ended = false;
    bool failed = false;
    fill_t vertexFill{0, nv, ": polygon vertex("};
    fill_t elementFill{0, ne, ": polygon element("};
    fill_t tangentFill{0, nv, ": polygon tangent("};
    fill_t binormalFill{0, nv, ": polygon binormal("};
    fill_t normalFill{0, nv, ": polygon normal("};
    {
        // Empty arrays have no store to map; the fill checks keep every write
        // inside the mapped ones.
        std::unique_ptr<scoped_map_t<float>> vertexMap, normalMap;
        std::unique_ptr<scoped_map_t<uint32_t>> elementMap;
        if (nv != 0) {
            vertexMap.reset(new scoped_map_t<float>(polygon.vertices));
            normalMap.reset(new scoped_map_t<float>(polygon.normals));
            if (!*vertexMap || !*normalMap)
                return false;
        }
        if (ne != 0) {
            elementMap.reset(new scoped_map_t<uint32_t>(polygon.elements));
            if (!*elementMap)
                return false;
        }
        float* vertices = vertexMap ? vertexMap->get() : nullptr;
        float* frames = normalMap ? normalMap->get() : nullptr;
        uint32_t* elements = elementMap ? elementMap->get() : nullptr;

        colour_state_t colour;
        float texU = 0.0f, texV = 0.0f;
        std::string& line = currentLine;
        bool tooLong = false;
        while (nextSectionLine(in, line, lineCounter, err, tooLong)) {
            if (beginsWithKey(line, "end")) {
                ended = true;
                break;
            }
            if (isIgnoredLine(line) || beginsWithKey(line, "resolution"))
                continue;
            key_result r = colourKey(line, colour, lineCounter, err);
            if (r == key_result::Failed) {
                failed = true;
                break;
            }
            if (r == key_result::Done)
                continue;

            if (beginsWithKey(line, "texcoord")) {
                key_line_t values(line);
                if (!values.hasValues()) {
                    lineMessage(err, lineCounter, ": texcoord parm is not set. ", line);
                    continue;
                }
                const float u = values.expression();
                const float v = values.expression();
                if (values.cut()) {
                    cutLine(err, lineCounter, line);
                    failed = true;
                    break;
                }
                texU = u;
                texV = v;
                continue;
            }

            const bool position = beginsWithKey(line, "position");
            const bool circle = !position && beginsWithKey(line, "circle");
            const bool sphere = !position && !circle && beginsWithKey(line, "sphere");
            if (position || circle || sphere) {
                if (full(vertexFill, lineCounter, err)) {
                    failed = true;
                    break;
                }
                key_line_t values(line);
                if (!values.hasValues()) {
                    lineMessage(err, lineCounter,
                                position ? ": position parm is not set. "
                                         : (circle ? ": circle parm is not set. " : ": sphere parm is not set. "),
                                line);
                    continue;
                }
                const float a = values.expression();
                const float b = values.expression();
                const float c = values.expression();
                if (values.cut()) {
                    cutLine(err, lineCounter, line);
                    failed = true;
                    break;
                }
                const pos3 p = position ? pos3{a, b, c} : (circle ? circlePoint(a, b, c) : spherePoint(a, b, c));
                float* v = vertices + 9 * vertexFill.count++;
                v[0] = p.x;
                v[1] = p.y;
                v[2] = p.z;
                v[3] = colour.r;
                v[4] = colour.g;
                v[5] = colour.b;
                v[6] = colour.a;
                v[7] = texU;
                v[8] = texV;
                continue;
            }

            if (beginsWithKey(line, "element")) {
                if (full(elementFill, lineCounter, err)) {
                    failed = true;
                    break;
                }
                key_line_t values(line);
                if (!values.hasValues()) {
                    lineMessage(err, lineCounter, ": element parm is not set. ", line);
                    continue;
                }
                const uint32_t e = values.integer();
                if (values.cut()) {
                    cutLine(err, lineCounter, line);
                    failed = true;
                    break;
                }
                elements[elementFill.count++] = e;
                continue;
            }

            // The three parts of a frame have fill counts of their own.
            fill_t* part = nullptr;
            size_t offset = 0;
            const char* notSet = nullptr;
            if (beginsWithKey(line, "tangent")) {
                part = &tangentFill;
                offset = 0;
                notSet = ": tangent parm is not set. ";
            } else if (beginsWithKey(line, "binormal")) {
                part = &binormalFill;
                offset = 3;
                notSet = ": binormal parm is not set. ";
            } else if (beginsWithKey(line, "normal")) {
                part = &normalFill;
                offset = 6;
                notSet = ": normal parm is not set. ";
            }
            if (part != nullptr) {
                if (full(*part, lineCounter, err)) {
                    failed = true;
                    break;
                }
                key_line_t values(line);
                if (!values.hasValues()) {
                    lineMessage(err, lineCounter, notSet, line);
                    continue;
                }
                const float x = values.real();
                const float y = values.real();
                const float z = values.real();
                if (values.cut()) {
                    cutLine(err, lineCounter, line);
                    failed = true;
                    break;
                }
                float* f = frames + 9 * part->count++ + offset;
                f[0] = x;
                f[1] = y;
                f[2] = z;
                continue;
            }

            r = textureKey(line, texture, false, lineCounter, err);
            if (r == key_result::Failed) {
                failed = true;
                break;
            }
            if (r == key_result::NotMine)
                illegalCommand(err, lineCounter, line);
        }
        // The maps are given back here, on every path out of the loop.
        if (tooLong)
            failed = true;
    }
    if (failed || !ended)
        return false;

    bool shortArray = false;
    shortArray |= shortOf("vertex", "vertex", vertexFill.count, nv, lineCounter, err);
    shortArray |= shortOf("element", "element", elementFill.count, ne, lineCounter, err);
    shortArray |= shortOf("tangent", "tangent", tangentFill.count, nv, lineCounter, err);
    shortArray |= shortOf("binormal", "binormal", binormalFill.count, nv, lineCounter, err);
    shortArray |= shortOf("normal", "normal", normalFill.count, nv, lineCounter, err);
    if (shortArray)
        return false;

    texture.open(fileName.c_str());
    polygon.update(fileName.c_str());
    return true;
}
