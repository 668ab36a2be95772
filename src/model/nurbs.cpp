#include "model/nurbs.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "gl/scoped_map.h"
#include "gl/vertex_format.h"
#include "model/frame_pass.h"
#include "model/nurbs_normals.h"
#include "model/polygon.h"
#include "model/texture.h"

#include <algorithm>
#include <vector>

namespace vyk3d
{

nurbs_t::~nurbs_t()
{
    clear();
    ctlptvao.release();
    ctlptarray.release();
}

bool nurbs_t::allocate(uint64_t nU, uint64_t oU, uint64_t nV, uint64_t oV)
{
    // An order of 0 has no basis functions, and an order above the point
    // count asks for knots the recursion would read past.
    if (oU == 0 || oU > nU) {
        libutils::diagnostics() << "nurbs_t::allocate(): orderU(" << oU << ") is out of range for numU(" << nU << ")."
                                << std::endl;
        return false;
    }
    if (oV == 0 || oV > nV) {
        libutils::diagnostics() << "nurbs_t::allocate(): orderV(" << oV << ") is out of range for numV(" << nV << ")."
                                << std::endl;
        return false;
    }
    if (nU > maxControlPoints || nV > maxControlPoints || nU * nV > maxControlPoints) {
        libutils::diagnostics() << "nurbs_t::allocate(): numU(" << nU << ") x numV(" << nV
                                << ") control points are too many." << std::endl;
        return false;
    }
    if (!knotsU.resize(nV, nU + oU) || !knotsV.resize(nU, nV + oV) || !weights.resize(nV, nU) || !ctlpts.resize(nV, nU))
        return false;
    numU = nU;
    orderU = oU;
    numV = nV;
    orderV = oV;
    selectedpoints.assign(nU * nV, false);
    return true;
}

bool nurbs_t::MakeCtlpts()
{
    checkGL("nurbs_t::MakeCtlpts(0)");
    const uint64_t n = numU * numV;
    if (n == 0 || ctlpts.size() != n)
        return false;
    if (!ctlptarray.allocate(n, controlPointFormat(), ctlpts.data(), n * sizeof(ctlpt_t)))
        return false;
    checkGL("nurbs_t::MakeCtlpts(1)");
    if (!pointsizes.allocate(n, pointSizeFormat()))
        return false;
    checkGL("nurbs_t::MakeCtlpts(2)");
    return true;
}

bool nurbs_t::afterload(const std::string& fileName)
{
    checkGL("nurbs_t::afterload(1)");
    if (!MakeCtlpts()) {
        libutils::diagnostics() << "makeCtlpts() error." << std::endl;
        return false;
    }
    checkGL("nurbs_t::afterload(2)");
    name = fileName;
    clearselection();
    checkGL("nurbs_t::afterload(3)");
    ctlptvao.create();
    ctlptarray.bindAttributes(ctlptvao, 0);
    pointsizes.bindAttributes(ctlptvao, 2);
    pointfeedback.allocate(10 * numU * numV);
    checkGL("nurbs_t::afterload(4)");
    return true;
}

bool nurbs_t::resolutionOk() const
{
    return resU >= 2 && resV >= 2 && resU <= maxResolution && resV <= maxResolution &&
           uint64_t(resU) * resV <= maxGridVertices;
}

void nurbs_t::openTexture()
{
    // A map that does not load has printed its lines; the surface is still
    // drawn with what the set holds.
    if (texture != nullptr)
        texture->open(name.c_str());
}

nurbsgrid_t nurbs_t::grid() const
{
    nurbsgrid_t g;
    g.numU = numU;
    g.orderU = orderU;
    g.numV = numV;
    g.orderV = orderV;
    // Only hand out arrays whose shape matches the counts.
    if (knotsU.rows() == numV && knotsU.cols() == numU + orderU && knotsV.rows() == numU &&
        knotsV.cols() == numV + orderV && weights.size() == numU * numV && ctlpts.size() == numU * numV) {
        g.knotsU = knotsU.data();
        g.knotsV = knotsV.data();
        g.weights = weights.data();
        g.points = ctlpts.data();
    }
    return g;
}

bool nurbs_t::makeVertices()
{
    if (!grid().valid()) {
        libutils::diagnostics() << "nurbs_t::makeVertices(): the surface has no control points." << std::endl;
        return false;
    }
    // The element count (resV - 1) x (2 resU + 1) and the parameter step
    // 1 / (res - 1) both need at least two samples each way.
    if (!resolutionOk()) {
        libutils::diagnostics() << "nurbs_t::makeVertices(): resolution(" << resU << "," << resV << ") is out of range."
                                << std::endl;
        return false;
    }
    const uint64_t vertexCount = uint64_t(resU) * resV;
    const uint64_t elementCount = uint64_t(resV - 1) * (2 * uint64_t(resU) + 1);
    if (polygon == nullptr || !polygon->allocate(vertexCount, elementCount)) {
        libutils::diagnostics() << "polygon.allocate() fail." << std::endl;
        return false;
    }
    openTexture();
    {
        scoped_map_t<uint32_t> elements(polygon->elements);
        if (!elements)
            return false;
        uint64_t k = 0;
        // One strip per pair of grid rows, ended by the restart index.
        for (uint32_t j = 1; j < resV; ++j) {
            for (uint32_t i = 0; i < resU; ++i) {
                elements[k++] = resU * j + i;
                elements[k++] = resU * (j - 1) + i;
            }
            elements[k++] = 0xFFFFFFFFu;
        }
        // Positions are evaluated later; zeros keep update() from deriving
        // frames from whatever the new buffer held.
        scoped_map_t<float> vertices(polygon->vertices);
        if (vertices)
            std::memset(vertices.get(), 0, vertexCount * 9 * sizeof(float));
    }
    polygon->update(name.c_str());
    checkGL("MakeVertices5");
    return true;
}

void nurbs_t::updateVertices()
{
    const uint64_t vertexCount = uint64_t(resU) * resV;
    if (polygon == nullptr || !resolutionOk() || !grid().valid() || polygon->vertices.count() != vertexCount ||
        polygon->wknmls.count() != vertexCount)
        return;
    scoped_map_t<float> vertices(polygon->vertices);
    scoped_map_t<float> wknmls(polygon->wknmls);
    checkGL("nurbs_t::updateVertices() mapping.");
    if (!vertices || !wknmls)
        return;
    nurbsEvaluateGrid(grid(), resU, resV, vertices.get(), 9);
    computeWorkFrames(vertices.get(), 9, resU, resV, wknmls.get());
    checkGL("nurbs_t::updateNormals() update end.");
}

void nurbs_t::updateNormals()
{
    const uint64_t vertexCount = uint64_t(resU) * resV;
    if (polygon == nullptr || !resolutionOk() || polygon->vertices.count() != vertexCount ||
        polygon->wknmls.count() != vertexCount)
        return;
    scoped_map_t<float> vertices(polygon->vertices, GL_MAP_READ_BIT);
    scoped_map_t<float> wknmls(polygon->wknmls);
    if (!vertices || !wknmls)
        return;
    computeWorkFrames(vertices.get(), 9, resU, resV, wknmls.get());
    checkGL("nurbs_t::updateNormals() update end.");
}

void nurbs_t::rebuild(frame_pass_t& framePass)
{
    if (!makeVertices())
        return;
    updateVertices();
    framePass.computeFrames(*polygon);
}

void nurbs_t::copyfrom(const nurbs_t& other)
{
    if (this == &other)
        return;
    numU = other.numU;
    orderU = other.orderU;
    numV = other.numV;
    orderV = other.orderV;
    knotsU = other.knotsU;
    knotsV = other.knotsV;
    weights = other.weights;
    ctlpts = other.ctlpts;
    ctlptarray.copyFrom(other.ctlptarray);
    resU = other.resU;
    resV = other.resV;
    // An array object of its own, over its own control points: one shared
    // with `other` would draw other's.
    ctlptvao.release();
    if (other.ctlptvao.created()) {
        ctlptvao.create();
        ctlptarray.bindAttributes(ctlptvao, 0);
        pointsizes.bindAttributes(ctlptvao, 2);
    }
}

void nurbs_t::writerecord(uint64_t column, uint64_t row)
{
    if (column < numU && row < numV && ctlpts.size() == numU * numV)
        ctlptarray.writeRecord(row * numU + column, &ctlpts.at(row, column));
}

void nurbs_t::readrecord(uint64_t column, uint64_t row)
{
    if (column < numU && row < numV && ctlpts.size() == numU * numV)
        ctlptarray.readRecord(row * numU + column, &ctlpts.at(row, column));
}

param_view_t nurbs_t::paramview(size_t index)
{
    array2d_t<float>* arrays[3] = {&knotsU, &knotsV, &weights};
    param_view_t view;
    if (index < 3) {
        view.ptr = arrays[index]->data();
        view.count = arrays[index]->size();
    }
    return view;
}

void nurbs_t::pullrecord(size_t arrayIndex, size_t record)
{
    if (arrayIndex == 0 && numU != 0)
        readrecord(record % numU, record / numU);
}

void nurbs_t::drawpoints()
{
    if (ctlptarray.count() != 0)
        ctlptvao.drawArrays(GL_POINTS, GLsizei(ctlptarray.count()));
}

void nurbs_t::draw()
{
    drawpoints();
}

void nurbs_t::bounds(pos3& min, pos3& max) const
{
    min = pos3{0, 0, 0};
    max = pos3{0, 0, 0};
    if (ctlptarray.bufferName() == 0 || ctlptarray.count() == 0)
        return;
    attribute_array_t& array = const_cast<attribute_array_t&>(ctlptarray);
    scoped_map_t<float> p(array, GL_MAP_READ_BIT);
    if (!p)
        return;
    const uint32_t stride = ctlptarray.stride();
    min = max = pos3{p[0], p[1], p[2]};
    for (uint64_t k = 1; k < ctlptarray.count(); ++k) {
        const float* f = p.get() + k * stride;
        min = pos3{std::min(min.x, f[0]), std::min(min.y, f[1]), std::min(min.z, f[2])};
        max = pos3{std::max(max.x, f[0]), std::max(max.y, f[1]), std::max(max.z, f[2])};
    }
}

void nurbs_t::clear()
{
    knotsU.free();
    knotsV.free();
    weights.free();
    ctlpts.free();
    numU = orderU = numV = orderV = 0;
    resU = resV = 33;
    // Without its control data the GL copy would describe a surface that no
    // longer exists; bounds and drawing then see an empty surface.
    ctlptvao.release();
    ctlptarray.release();
    modeling_t::clear();
}

} // namespace vyk3d
