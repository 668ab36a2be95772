// The "begin nurbs_surface" section: knots, weights and control points of a
// NURBS surface, then its tessellation and GPU tangent frames.

#include "sceneio/line_reader.h"
#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include "model/frame_pass.h"

#include <ostream>

namespace
{

// The knot vectors (one per row), weights and control points a header asks
// for, checked before any product of the counts is formed, so nothing
// overflows.
bool countsFit(uint64_t numU, uint64_t orderU, uint64_t numV, uint64_t orderV, uint64_t left)
{
    const unsigned __int128 u = numU, v = numV;
    const unsigned __int128 scalars = v * (u + orderU) + u * (v + orderV) + u * v;
    return sectionFits(sizeof(float) * scalars + sizeof(vyk3d::ctlpt_t) * u * v, scalars + u * v, left);
}

// Below 2 the grid has no step (u = i / (resU - 1)); above the bound the
// element count wraps and the buffers run to gigabytes.
bool resolutionFits(uint32_t resU, uint32_t resV)
{
    return resU >= 2 && resV >= 2 && resU <= vyk3d::nurbs_t::maxResolution && resV <= vyk3d::nurbs_t::maxResolution &&
           uint64_t(resU) * resV <= vyk3d::nurbs_t::maxGridVertices;
}

// The keys of one real each, into the next slot of their array.
struct scalar_key_t {
    const char* key;
    const char* notSet;
    const char* shortWhat; // "<n>: knot1(<count>) < <size>: too few knots."
};
const scalar_key_t scalarKeys[3] = {
    {"knot1", ": knot1 parm is not set. ", "knots"},
    {"knot2", ": knot2 parm is not set. ", "knots"},
    {"weight", ": weight parm is not set. ", "weights"},
};

} // namespace

bool readNurbsSurface(const std::string& fileName, vyk3d::nurbs_t& nurbs, vyk3d::texture_t& texture,
                      vyk3d::polygon_t& polygon, vyk3d::frame_pass_t& framePass, uint64_t& lineCounter,
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

    float* scalarArrays[3] = {nurbs.knotsU.data(), nurbs.knotsV.data(), nurbs.weights.data()};
    array_fill_t scalarFill[3] = {{0, nurbs.knotsU.size(), ": nurbs knots1("},
                                  {0, nurbs.knotsV.size(), ": nurbs knots2("},
                                  {0, nurbs.weights.size(), ": nurbs weights("}};
    array_fill_t point{0, nurbs.ctlpts.size(), ": nurbs points("};
    colour_state_t colour;
    bool ended = false;
    bool tooLong = false;
    std::string& line = currentLine;
    while (!ended && nextSectionLine(in, line, lineCounter, err, tooLong)) {
        ended = beginsWithKey(line, "end");
        if (ended || isIgnoredLine(line))
            continue;
        key_result_t r = key_result_t::NotMine;
        if (beginsWithKey(line, "resolution")) {
            uint32_t resU = 0, resV = 0;
            r = keyValues(line, ": resolution parm is not set. ", nullptr, lineCounter, err, [&](key_line_t& values) {
                resU = values.integer();
                resV = values.integer();
            });
            if (r == key_result_t::Read && !resolutionFits(resU, resV)) {
                err << lineCounter << ": resolution out of range (2 to " << vyk3d::nurbs_t::maxResolution
                    << " each, at most " << vyk3d::nurbs_t::maxGridVertices << " vertices): " << line << '\n';
                return false;
            }
            if (r == key_result_t::Read) {
                nurbs.resU = resU;
                nurbs.resV = resV;
            }
        }
        if (r == key_result_t::NotMine)
            r = colourKey(line, colour, lineCounter, err);
        for (int k = 0; k < 3 && r == key_result_t::NotMine; ++k) {
            if (!beginsWithKey(line, scalarKeys[k].key))
                continue;
            float v = 0.0f;
            r = keyValues(line, scalarKeys[k].notSet, &scalarFill[k], lineCounter, err,
                          [&](key_line_t& values) { v = values.real(); });
            if (r == key_result_t::Read)
                scalarArrays[k][scalarFill[k].count++] = v;
        }
        if (r == key_result_t::NotMine) {
            pos3 p;
            r = pointKey(line, point, p, lineCounter, err);
            if (r == key_result_t::Read)
                nurbs.ctlpts[point.count++] = vyk3d::ctlpt_t{p.x, p.y, p.z, colour.r, colour.g, colour.b, colour.a};
        }
        if (r == key_result_t::NotMine)
            r = textureKey(line, texture, true, lineCounter, err);
        if (r == key_result_t::Failed)
            return false;
        if (r == key_result_t::NotMine)
            illegalCommand(err, lineCounter, line);
    }
    if (tooLong)
        return false;

    // A section cut off by the end of the file keeps what the allocation
    // gave the arrays (zeros); only an "end" line has its counts compared.
    bool shortArray = false;
    if (ended) {
        for (int k = 0; k < 3; ++k)
            shortArray |= scalarFill[k].reportShort(scalarKeys[k].key, scalarKeys[k].shortWhat, lineCounter, err);
        shortArray |= point.reportShort("point", "points", lineCounter, err);
    }

    nurbs.afterload(fileName);
    if (!nurbs.makeVertices()) {
        err << "nurbs.makeVertices() error.\n";
        return false;
    }
    nurbs.updateVertices();
    framePass.computeFrames(polygon);
    return !shortArray;
}
