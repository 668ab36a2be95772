// The "begin nurbs_surface" section: knots, weights and control points of a
// NURBS surface, then its tessellation and GPU tangent frames.

#include "sceneio/line_reader.h"
#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include "render/glpolygon.h"

#include <ostream>

namespace
{

// Every knot, weight and control point needs a line of its own, and no such
// line is shorter than this.
const uint64_t minRecordLine = 8;

struct fill_t {
    uint64_t count;
    uint64_t size;
    const char* overflowText;
};

// "<n>: nurbs knots1(<count>) >= <size> over."
bool full(const fill_t& f, uint64_t lineCounter, std::ostream& err)
{
    if (f.count < f.size)
        return false;
    err << lineCounter << f.overflowText << f.count << ") >= " << f.size << " over.\n";
    return true;
}

// "<n>: knot1(<count>) < <size>: too few knots."
bool shortOf(const char* name, const char* tail, const fill_t& f, uint64_t lineCounter, std::ostream& err)
{
    if (f.count >= f.size)
        return false;
    err << lineCounter << ": " << name << "(" << f.count << ") < " << f.size << ": too few " << tail << ".\n";
    return true;
}

// What a file of `left` bytes can hold: the counts are checked before any
// product of them is formed, so nothing overflows.
bool countsFit(uint64_t numU, uint64_t orderU, uint64_t numV, uint64_t orderV, uint64_t left)
{
    if (left == UINT64_MAX)
        return true;
    const unsigned __int128 u = numU, v = numV;
    const unsigned __int128 lines = v * (u + orderU) + u * (v + orderV) + 2 * u * v;
    return lines <= left / minRecordLine;
}

} // namespace

bool readNurbsSurface(const std::string& fileName, vyk3d::nurbs_t& nurbs, vyk3d::texture_t& texture,
                      vyk3d::polygon_t& polygon, vyk3d::glpolygon_t& renderer, uint64_t& lineCounter,
                      std::string& currentLine, std::istream& in, std::ostream& err)
{
    const size_t comma = currentLine.find(',');
    if (comma == std::string::npos)
        return false;
    nurbs.clear();
    key_line_t header(currentLine, comma + 1);
    const uint64_t numU = header.integer();
    const uint64_t orderU = header.integer();
    const uint64_t numV = header.integer();
    const uint64_t orderV = header.integer();
    if (header.cut() || header.missing()) {
        lineMessage(err, lineCounter, ": nurbs header needs four counts: ", currentLine);
        return false;
    }
    // The basis recursion needs 1 <= order <= count to end and to stay
    // inside the knot vectors.
    if (orderU == 0 || orderU > numU || orderV == 0 || orderV > numV) {
        lineMessage(err, lineCounter, ": nurbs order out of range: ", currentLine);
        return false;
    }
    if (!countsFit(numU, orderU, numV, orderV, remainingBytes(in))) {
        lineMessage(err, lineCounter, ": nurbs counts exceed what the file holds: ", currentLine);
        return false;
    }
    if (!nurbs.allocate(numU, orderU, numV, orderV)) {
        err << lineCounter << ": nurbs allocate error.\n";
        return false;
    }

    fill_t knot1{0, nurbs.knotsU.size(), ": nurbs knots1("};
    fill_t knot2{0, nurbs.knotsV.size(), ": nurbs knots2("};
    fill_t weight{0, nurbs.weights.size(), ": nurbs weights("};
    fill_t point{0, nurbs.ctlpts.size(), ": nurbs points("};
    colour_state_t colour;
    bool ended = false;
    bool tooLong = false;
    std::string& line = currentLine;
    while (nextSectionLine(in, line, lineCounter, err, tooLong)) {
        if (beginsWithKey(line, "end")) {
            ended = true;
            break;
        }
        if (isIgnoredLine(line))
            continue;

        if (beginsWithKey(line, "resolution")) {
            key_line_t values(line);
            if (!values.hasValues()) {
                lineMessage(err, lineCounter, ": resolution parm is not set. ", line);
                continue;
            }
            const uint32_t resU = values.integer();
            const uint32_t resV = values.integer();
            if (values.cut()) {
                cutLine(err, lineCounter, line);
                return false;
            }
            // Below 2 the grid has no step (u = i / (resU - 1)); above the
            // bound the element count wraps and the buffers run to gigabytes.
            if (resU < 2 || resV < 2 || resU > vyk3d::nurbs_t::maxResolution || resV > vyk3d::nurbs_t::maxResolution ||
                uint64_t(resU) * resV > vyk3d::nurbs_t::maxGridVertices) {
                err << lineCounter << ": resolution out of range (2 to " << vyk3d::nurbs_t::maxResolution
                    << " each, at most " << vyk3d::nurbs_t::maxGridVertices << " vertices): " << line << '\n';
                return false;
            }
            nurbs.resU = resU;
            nurbs.resV = resV;
            continue;
        }

        const key_result r = colourKey(line, colour, lineCounter, err);
        if (r == key_result::Failed)
            return false;
        if (r == key_result::Done)
            continue;

        // One real into the next slot of a knot or weight array.
        fill_t* scalar = nullptr;
        float* target = nullptr;
        const char* notSet = nullptr;
        if (beginsWithKey(line, "knot1")) {
            scalar = &knot1;
            target = nurbs.knotsU.data();
            notSet = ": knot1 parm is not set. ";
        } else if (beginsWithKey(line, "knot2")) {
            scalar = &knot2;
            target = nurbs.knotsV.data();
            notSet = ": knot2 parm is not set. ";
        } else if (beginsWithKey(line, "weight")) {
            scalar = &weight;
            target = nurbs.weights.data();
            notSet = ": weight parm is not set. ";
        }
        if (scalar != nullptr) {
            if (full(*scalar, lineCounter, err))
                return false;
            key_line_t values(line);
            if (!values.hasValues()) {
                lineMessage(err, lineCounter, notSet, line);
                continue;
            }
            const float v = values.real();
            if (values.cut()) {
                cutLine(err, lineCounter, line);
                return false;
            }
            target[scalar->count++] = v;
            continue;
        }

        const bool position = beginsWithKey(line, "position");
        const bool circle = !position && beginsWithKey(line, "circle");
        const bool sphere = !position && !circle && beginsWithKey(line, "sphere");
        if (position || circle || sphere) {
            if (full(point, lineCounter, err))
                return false;
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
                return false;
            }
            const pos3 p = position ? pos3{a, b, c} : (circle ? circlePoint(a, b, c) : spherePoint(a, b, c));
            nurbs.ctlpts[point.count++] = vyk3d::ctlpt_t{p.x, p.y, p.z, colour.r, colour.g, colour.b, colour.a};
            continue;
        }

        const key_result t = textureKey(line, texture, true, lineCounter, err);
        if (t == key_result::Failed)
            return false;
        if (t == key_result::NotMine)
            illegalCommand(err, lineCounter, line);
    }
    if (tooLong)
        return false;

    // A section cut off by the end of the file keeps what the allocation
    // gave the arrays (zeros); only an "end" line has its counts compared.
    bool shortArray = false;
    if (ended) {
        shortArray |= shortOf("knot1", "knots", knot1, lineCounter, err);
        shortArray |= shortOf("knot2", "knots", knot2, lineCounter, err);
        shortArray |= shortOf("weight", "weights", weight, lineCounter, err);
        shortArray |= shortOf("point", "points", point, lineCounter, err);
    }

    nurbs.afterload(fileName);
    if (!nurbs.makeVertices()) {
        err << "nurbs.makeVertices() error.\n";
        return false;
    }
    nurbs.updateVertices();
    renderer.computeFrames(polygon);
    return !shortArray;
}
