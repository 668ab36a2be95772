#include "model/polygon.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "foundation/math.h"
#include "foundation/parallel.h"
#include "foundation/strip_walk.h"
#include "gl/scoped_map.h"
#include "gl/software_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace vyk3d
{

namespace
{

// The bytes of a vertex buffer that a draw may fetch from (see drawList).
constexpr uint64_t kFetchLimit = uint64_t(1) << 31;

// Record layouts (in floats) of the vertex and frame formats.
constexpr size_t vertexStride = 9; // x y z, r g b a, u v
constexpr size_t frameStride = 9;  // tangent, binormal, normal

void say(const char* text)
{
    libutils::report(std::string(text) + "\n");
}

pos3 positionAt(const float* p)
{
    return {p[0], p[1], p[2]};
}

void put(float* dst, const dir3& v)
{
    dst[0] = v.x;
    dst[1] = v.y;
    dst[2] = v.z;
}

} // namespace

polygon_t::~polygon_t()
{
    releaseCompact();
}

attribute_array_t* polygon_t::array(size_t index)
{
    switch (index) {
    case 0:
        return &positionRecords();
    case 1:
        fullRecords();
        return &normals;
    case 2:
        workframes(); // whoever fills work frames will run the frame pass
        return &wknmls;
    default:
        return nullptr;
    }
}

const attribute_array_t* polygon_t::array(size_t index) const
{
    return const_cast<polygon_t*>(this)->array(index);
}

bool polygon_t::allocate(uint64_t vertexCount, uint64_t elementCount, buffers_t buffers)
{
    // Indices are 32-bit and 0xFFFFFFFF is the restart index; triangle
    // positions are 32-bit too.
    if (vertexCount >= restartIndex || elementCount >= restartIndex) {
        say("polygon_t::allocate() count out of range.");
        return false;
    }
    const bool all = buffers == buffers_t::All;
    const bool smooth = buffers == buffers_t::CompactSmooth || buffers == buffers_t::CompactSmoothColours;
    const bool compact =
        (buffers == buffers_t::Compact && compactDrawable(elementCount / 4)) || (smooth && elementCount != 0);
    const bool list = buffers == buffers_t::TriangleList || buffers == buffers_t::Compact || smooth;
    if (list && (elementCount % 4 != 0 || vertexCount != elementCount / 4 * 3)) {
        say("polygon_t::allocate() count out of range.");
        return false;
    }
    workFramesReady_ = false;
    listTriangles_ = 0;
    loadedBounds.reset();
    elementsAllocated_ = elementCount;
    if (!all) {
        // Left over from an earlier allocation they would have the old
        // sizes: made again when asked for.
        wknmls.release();
        feedbackvao.release();
        framefeedback.release();
        pointfeedback.release();
        selectelems.release();
        polyidvector = std::vector<polyid_t>();
        polyidsStale_ = false;
        pointsizes.release();
        pointvao.release();
    }
    pointsizesOnDemand_ = !all;
    releaseCompact();
    checkGL("polygon_t::allocate(0)");
    if (compact) {
        vertices.release();
        normals.release();
        return smooth ? allocateSmooth(vertexCount, buffers == buffers_t::CompactSmoothColours)
                      : allocateCompact(vertexCount);
    }
    if (!vertices.allocate(vertexCount, vertexFormat())) {
        say("vertices.allocate() failed.");
        return false;
    }
    checkGL("polygon_t::allocate(1)");
    if (!normals.allocate(vertexCount, frameFormat())) {
        say("normals.allocate() failed.");
        return false;
    }
    checkGL("polygon_t::allocate(2)");
    if (all && !wknmls.allocate(vertexCount, workFrameFormat())) {
        say("wknmls.allocate() failed.");
        return false;
    }
    checkGL("polygon_t::allocate(3)");
    if (!(list ? elements.allocateTriangleList(elementCount / 4) : elements.allocate(elementCount))) {
        say("elements.allocate() failed.");
        return false;
    }
    checkGL("polygon_t::allocate(4)");
    if (all && !pointsizes.allocate(vertexCount, pointSizeFormat()))
        return false;
    checkGL("polygon_t::allocate(5)");
    drawvao.create();
    vertices.bindAttributes(drawvao, 0);
    normals.bindAttributes(drawvao, 3);
    if (all) {
        feedbackvao.create();
        vertices.bindAttributes(feedbackvao, 0);
        wknmls.bindAttributes(feedbackvao, 3);
        pointvao.create();
        vertices.bindAttributes(pointvao, 0);
        pointsizes.bindAttributes(pointvao, 2); // the point size takes location 2
    }

    selectedpoints.assign(vertexCount, false);
    clearselection();
    if (!all) {
        checkGL("polygon_t::allocate(end)");
        return true;
    }
    pointfeedback.allocate(10 * vertexCount);
    framefeedback.allocate(9 * vertexCount);
    workFramesReady_ = true;

    checkGL("polygon_t::allocate(6)");
    // n elements hold at most n - 2 triangles; fewer than 3 hold none.
    const uint64_t selectCount = elementCount >= 3 ? 3 * elementCount - 6 : 0;
    if (!selectelems.allocate(selectCount)) {
        say("selectelems.allocate() failed.");
        return false;
    }
    if (selectCount != 0) {
        scoped_map_t<uint32_t> sel(selectelems, GL_MAP_WRITE_BIT);
        if (sel)
            std::fill(sel.get(), sel.get() + selectCount, restartIndex);
    }
    checkGL("polygon_t::allocate(7)");
    update(nullptr);
    checkGL("polygon_t::allocate(end)");
    return true;
}

bool polygon_t::allocateCompact(uint64_t vertexCount)
{
    if (!positions.allocate(vertexCount, positionFormat())) {
        say("vertices.allocate() failed.");
        return false;
    }
    if (!facetNormals.allocate(vertexCount / 3, facetNormalFormat())) {
        say("normals.allocate() failed.");
        return false;
    }
    if (!elements.allocateTriangleList(vertexCount / 3)) {
        say("elements.allocate() failed.");
        return false;
    }
    compact_ = true;
    drawvao.release(); // an earlier surface's arrays stay laid on it
    glGenTextures(1, &facetTexture_);
    glBindTexture(GL_TEXTURE_BUFFER, facetTexture_);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RGB32F, facetNormals.bufferName());
    glBindTexture(GL_TEXTURE_BUFFER, 0);
    drawvao.create();
    positions.bindAttributes(drawvao, 0);
    selectedpoints.assign(vertexCount, false);
    clearselection();
    checkGL("polygon_t::allocate(end)");
    return true;
}

bool polygon_t::allocateSmooth(uint64_t vertexCount, bool colours)
{
    if (!positions.allocate(vertexCount, positionFormat()) ||
        (colours && !vertexColors.allocate(vertexCount, colorFormat()))) {
        say("vertices.allocate() failed.");
        return false;
    }
    if (!vertexNormals.allocate(vertexCount, facetNormalFormat())) {
        say("normals.allocate() failed.");
        return false;
    }
    if (!elements.allocateTriangleList(vertexCount / 3)) {
        say("elements.allocate() failed.");
        return false;
    }
    compact_ = smooth_ = true;
    drawvao.release();
    drawvao.create();
    positions.bindAttributes(drawvao, 0);
    // Without an array, location 1 reads the colour the draw sets for all.
    if (colours)
        vertexColors.bindAttributes(drawvao, 1);
    vertexNormals.bindAttributes(drawvao, 3);
    selectedpoints.assign(vertexCount, false);
    clearselection();
    checkGL("polygon_t::allocate(end)");
    return true;
}

bool polygon_t::compactDrawable(uint64_t triangles)
{
    // The normals are read as texels of one buffer texture, three floats
    // each: a driver without that format, or with fewer texels than
    // triangles, gets the full records.
    GLint texels = 0;
    glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &texels);
    return triangles != 0 && GLEW_ARB_texture_buffer_object_rgb32 && triangles <= uint64_t(texels);
}

void polygon_t::releaseCompact()
{
    if (facetTexture_ != 0)
        glDeleteTextures(1, &facetTexture_);
    facetTexture_ = 0;
    positions.release();
    facetNormals.release();
    vertexNormals.release();
    vertexColors.release();
    compact_ = smooth_ = false;
}

void polygon_t::normalFrame(const float n[3], float frame[9])
{
    // Operation for operation as the mesh reader makes it, so that the
    // records made here are its own bytes.
    float a[3] = {1.0f, 0.0f, 0.0f};
    if (std::fabs(n[1]) < std::fabs(n[0]) && std::fabs(n[1]) <= std::fabs(n[2]))
        a[0] = 0.0f, a[1] = 1.0f;
    else if (std::fabs(n[2]) < std::fabs(n[0]))
        a[0] = 0.0f, a[2] = 1.0f;
    float t[3] = {n[1] * a[2] - n[2] * a[1], n[2] * a[0] - n[0] * a[2], n[0] * a[1] - n[1] * a[0]};
    const float len = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    const float inverse = 1 / len;
    for (float& c : t)
        c = len > 0.0f && std::isfinite(len) ? c * inverse : 0.0f;
    const float values[9] = {
        t[0], t[1], t[2], n[1] * t[2] - n[2] * t[1], n[2] * t[0] - n[0] * t[2], n[0] * t[1] - n[1] * t[0],
        n[0], n[1], n[2]};
    std::copy(values, values + 9, frame);
}

void polygon_t::expandFlat(const float* src, float* dst, float* fdst) const
{
    const uint64_t triangles = positions.count() / 3;
    const unsigned parts = partsFor(triangles, 1 << 16);
    runParts(parts, [&](unsigned k) {
        for (uint64_t t = triangles * k / parts; t < triangles * (k + 1) / parts; ++t) {
            const float* c = src + 9 * t;
            const flat_frame_t frame = flatFrame(positionAt(c), positionAt(c + 3), positionAt(c + 6));
            for (size_t corner = 0; corner < 3; ++corner) {
                float* rec = dst + vertexStride * (3 * t + corner);
                std::copy(c + 3 * corner, c + 3 * corner + 3, rec);
                std::copy(compactColor, compactColor + 4, rec + 3);
                rec[7] = rec[8] = 0.0f;
                float* fr = fdst + frameStride * (3 * t + corner);
                put(fr, frame.tangent);
                put(fr + 3, frame.binormal);
                put(fr + 6, frame.normal);
            }
        }
    });
}

void polygon_t::expandSmooth(const float* src, const float* normals, const float* colours, float* dst,
                             float* fdst) const
{
    const uint64_t count = positions.count();
    const unsigned parts = partsFor(count, 1 << 16);
    runParts(parts, [&](unsigned k) {
        for (uint64_t v = count * k / parts; v < count * (k + 1) / parts; ++v) {
            float* rec = dst + vertexStride * v;
            std::copy(src + 3 * v, src + 3 * v + 3, rec);
            const float* colour = colours ? colours + 4 * v : compactColor;
            std::copy(colour, colour + 4, rec + 3);
            rec[7] = rec[8] = 0.0f;
            normalFrame(normals + 3 * v, fdst + frameStride * v);
        }
    });
}

bool polygon_t::fullRecords()
{
    if (!compact_)
        return true;
    const uint64_t count = positions.count();
    attribute_array_t records, frames;
    if (!records.allocate(count, vertexFormat())) {
        say("vertices.allocate() failed.");
        return false;
    }
    if (!frames.allocate(count, frameFormat())) {
        say("normals.allocate() failed.");
        return false;
    }
    {
        scoped_map_t<const float> p(positions, GL_MAP_READ_BIT);
        scoped_map_t<float> v(records, GL_MAP_WRITE_BIT), f(frames, GL_MAP_WRITE_BIT);
        if (!p || !v || !f)
            return false;
        if (!smooth_) {
            expandFlat(p.get(), v.get(), f.get());
        } else {
            scoped_map_t<const float> n(vertexNormals, GL_MAP_READ_BIT);
            std::unique_ptr<scoped_map_t<const float>> c;
            if (vertexColors.count() != 0)
                c = std::make_unique<scoped_map_t<const float>>(vertexColors, GL_MAP_READ_BIT);
            if (!n || (c && !*c))
                return false;
            expandSmooth(p.get(), n.get(), c ? c->get() : nullptr, v.get(), f.get());
        }
    }
    vertices = records;
    normals = frames;
    releaseCompact();
    drawvao.release();
    drawvao.create();
    vertices.bindAttributes(drawvao, 0);
    normals.bindAttributes(drawvao, 3);
    checkGL("polygon_t::fullRecords(end)");
    return true;
}

bool polygon_t::workframes()
{
    if (workFramesReady_)
        return true;
    if (!fullRecords())
        return false;
    const uint64_t vertexCount = vertices.count();
    if (!wknmls.allocate(vertexCount, workFrameFormat())) {
        say("wknmls.allocate() failed.");
        return false;
    }
    feedbackvao.create();
    vertices.bindAttributes(feedbackvao, 0);
    wknmls.bindAttributes(feedbackvao, 3);
    pointfeedback.allocate(10 * vertexCount);
    framefeedback.allocate(9 * vertexCount);
    workFramesReady_ = true;
    checkGL("polygon_t::workframes(end)");
    return true;
}

void polygon_t::update(const char* newName, bool everyFrameHasNormal)
{
    if (newName != nullptr)
        name = newName;
    listTriangles_ = 0;
    // The triangle numbering is made again from the elements when a
    // selection first asks for it: a first frame never needs it.
    polyidvector = std::vector<polyid_t>();
    polyidsStale_ = true;
    const uint64_t count = elements.count();
    if (count == 0)
        return;
    // A compact surface has every normal and separate triangles; a
    // selection to show needs the full records.
    if (compact_ && selectedpolygons.empty() && selectelems.count() == 0) {
        listTriangles_ = count / 4;
        return;
    }
    if (!fullRecords())
        return;
    // Every index is read from both the vertex and the frame buffer.
    const uint64_t vertexCount = std::min(vertices.count(), normals.count());

    // Separate triangles whose indices are not made yet (STL meshes) are
    // walked without them: triangle k is 3k, 3k+1, 3k+2.
    const uint64_t pending = elements.pendingTriangles();
    const bool pendingList = pending != 0 && 3 * pending <= vertexCount;
    if (pendingList && everyFrameHasNormal && selectedpolygons.empty() && selectelems.count() == 0) {
        listTriangles_ = count % 4 == 0 ? count / 4 : 0;
        return;
    }
    std::unique_ptr<scoped_map_t<uint32_t>> elemMap;
    if (!pendingList) {
        elemMap = std::make_unique<scoped_map_t<uint32_t>>(elements);
        if (!*elemMap)
            return;
    }
    uint32_t* elems = elemMap ? elemMap->get() : nullptr;
    if (count < 3) {
        // An index past the vertices would make the GPU read outside the
        // vertex buffers; it becomes a restart index, which ends its strip.
        for (uint64_t i = 0; i < count; ++i)
            if (elems[i] >= vertexCount)
                elems[i] = restartIndex;
        return;
    }

    scoped_map_t<float> verts(vertices, GL_MAP_READ_BIT);
    scoped_map_t<float> frames(normals);
    if (!verts || !frames) {
        for (uint64_t i = 0; elems && i < count; ++i)
            if (elems[i] >= vertexCount)
                elems[i] = restartIndex;
        return;
    }
    // Frames that came with a normal (from a file or the GPU frame pass) are
    // the producer's data: a computed frame never overwrites them. Which
    // ones those are is taken before the first frame is computed; meshes
    // that come with all their frames never need the list.
    std::vector<bool> supplied;
    auto isSupplied = [&](uint32_t v) {
        if (supplied.empty()) {
            supplied.resize(vertexCount);
            for (uint64_t k = 0; k < vertexCount; ++k) {
                const float* n = &frames[size_t(k) * frameStride + 6];
                supplied[k] = n[0] != 0.0f || n[1] != 0.0f || n[2] != 0.0f;
            }
        }
        return bool(supplied[v]);
    };
    // A set filled before there was a table shows from this update on, as
    // with a table made by allocate.
    if (selectelems.count() == 0 && !selectedpolygons.empty())
        selectiontable();
    // selectelems is sized by allocate (or on the first selection); elements
    // resized since then must not make the walk write past it.
    const uint64_t selectCount = selectelems.count() / 3;
    std::unique_ptr<scoped_map_t<uint32_t>> selMap;
    if (selectCount != 0)
        selMap = std::make_unique<scoped_map_t<uint32_t>>(selectelems);
    uint32_t* sel = selMap ? selMap->get() : nullptr;
    const bool anySelected = !selectedpolygons.empty();

    uint32_t t = 0;
    // Whether the elements are 3k, 3k+1, 3k+2, restart for k = 0, 1, ...:
    // then every strip ends at an index 4k+3 and every triangle is the first
    // of its strip, closed at 4k+2 by 3k, 3k+1, 3k+2.
    bool list = count % 4 == 0;
    auto triangle = [&](uint64_t i, uint32_t a, uint32_t b, uint32_t c, bool) {
        list = list && (i & 3) == 2 && a == 3 * (i >> 2) && b == a + 1 && c == a + 2;
        if (sel != nullptr && t < selectCount) {
            const bool selected = anySelected && selectedpolygons.count(t) != 0;
            sel[3 * size_t(t)] = selected ? a : restartIndex;
            sel[3 * size_t(t) + 1] = selected ? b : restartIndex;
            sel[3 * size_t(t) + 2] = selected ? c : restartIndex;
        }
        ++t;

        // Only frames without a normal are computed, so supplied ones stay.
        float* fc = &frames[size_t(c) * frameStride];
        if (fc[6] == 0.0f && fc[7] == 0.0f && fc[8] == 0.0f) {
            const pos3 pa = positionAt(&verts[size_t(a) * vertexStride]);
            const pos3 pb = positionAt(&verts[size_t(b) * vertexStride]);
            const pos3 pc = positionAt(&verts[size_t(c) * vertexStride]);
            const dir3 normal = divideByLength(triangleNormal(pa, pb, pc));
            const dir3 tangent = divideByLength(pb - pc);
            const bool keepB = isSupplied(b), keepA = isSupplied(a);
            put(fc, tangent);
            put(fc + 3, cross(normal, tangent));
            put(fc + 6, normal);
            if (!keepB)
                std::copy(fc, fc + frameStride, &frames[size_t(b) * frameStride]);
            if (!keepA)
                std::copy(fc, fc + frameStride, &frames[size_t(a) * frameStride]);
        }
    };
    // A bad index becomes a restart index (see above).
    auto endStrip = [&](uint64_t i) {
        elems[i] = restartIndex;
        list = list && (i & 3) == 3;
    };
    if (pendingList) {
        for (uint32_t k = 0; k < pending; ++k)
            triangle(4 * uint64_t(k) + 2, 3 * k, 3 * k + 1, 3 * k + 2, false);
    } else {
        walkStripTriangles(elems, count, vertexCount, triangle, endStrip);
    }
    if (list)
        listTriangles_ = count / 4;
}

void polygon_t::draw()
{
    checkGL("polygon_t::draw(0)");
    glPrimitiveRestartIndex(restartIndex);
    checkGL("polygon_t::draw(1)");
    glEnable(GL_PRIMITIVE_RESTART);
    checkGL("polygon_t::draw(2)");
    if (primitive == primitive_t::Lines) {
        elements.draw(drawvao, GL_LINE_STRIP);
    } else if (primitive == primitive_t::Points) {
        glPointSize(3.0f);
        elements.draw(drawvao, GL_POINTS);
        glPointSize(1.0f);
    } else if (compact_) {
        glActiveTexture(GL_TEXTURE0 + kFacetUnit);
        glBindTexture(GL_TEXTURE_BUFFER, facetTexture_); // 0 for a smooth surface
        roomForPieces(listTriangles_);
        drawList();
        glBindTexture(GL_TEXTURE_BUFFER, 0);
        glActiveTexture(GL_TEXTURE0);
    } else if (listTriangles_ != 0 && 3 * listTriangles_ <= uint64_t(INT32_MAX)) {
        roomForPieces(listTriangles_);
        drawList(); // same triangles, same order
    } else {
        // A strip adds about a triangle an element.
        roomForBins(elements.count());
        elements.draw(drawvao, GL_TRIANGLE_STRIP);
    }
    checkGL("polygon_t::draw(3)");
    glDisable(GL_PRIMITIVE_RESTART);
    checkGL("polygon_t::draw(end)");
}

void polygon_t::drawList()
{
    if (!drawvao.created())
        return;
    // The arrays the draw reads, at their locations.
    attribute_array_t* arrays[3] = {&positionRecords(), &normals, nullptr};
    GLuint locations[3] = {0, 3, 1};
    size_t arrayCount = compact_ ? 1 : 2;
    if (smooth()) {
        arrays[arrayCount++] = &vertexNormals;
        if (vertexColors.count() != 0)
            arrays[arrayCount++] = &vertexColors;
    }
    const uint64_t count = 3 * listTriangles_;
    uint64_t recordBytes = 0;
    for (size_t k = 0; k < arrayCount; ++k)
        recordBytes = std::max<uint64_t>(recordBytes, 4 * arrays[k]->stride());
    if (count * recordBytes <= kFetchLimit) {
        drawvao.bind();
        drawTrianglesInPieces(0, listTriangles_);
        drawvao.unbind();
        return;
    }
    // Workaround: llvmpipe (Mesa 22.3) computes vertex fetch offsets in 32
    // signed bits and faults on records past 2 GB of a vertex buffer, even
    // when the draw starts there (30M STL triangles, bench/compare.sh
    // 30M-bin). Such lists are drawn in pieces: those within the first 2 GB
    // from the arrays laid on at their first record, the rest from a copy.
    // Copies are kept small: they come on top of the mesh. A piece's
    // vertex 0 is then not the surface's: the compact program, which reads
    // its normals by triangle number, is told the piece's first triangle.
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    const GLint firstFacet = compact_ && !smooth_ ? glGetUniformLocation(GLuint(program), "FirstFacet") : -1;
    const uint64_t piece = kFetchLimit / 2 / recordBytes / 3 * 3, copied = piece / 8 / 3 * 3;
    for (uint64_t first = 0, n = 0; first < count; first += n) {
        n = std::min(piece, count - first);
        const bool direct = (first + n) * recordBytes <= kFetchLimit;
        if (!direct)
            n = std::min(copied, n);
        attribute_array_t copies[3];
        bool made = true;
        for (size_t k = 0; k < arrayCount; ++k) {
            attribute_array_t& a = *arrays[k];
            if (direct) {
                a.bindAttributes(drawvao, locations[k], first);
                continue;
            }
            scoped_map_t<const float> mapped(a, GL_MAP_READ_BIT);
            made = made && mapped && copies[k].allocate(n, a.format(), mapped.get() + first * a.stride());
            copies[k].bindAttributes(drawvao, locations[k]);
        }
        if (!made)
            break;
        if (firstFacet >= 0)
            glUniform1i(firstFacet, GLint(first / 3));
        drawvao.bind();
        drawTrianglesInPieces(0, n / 3);
        drawvao.unbind();
    }
    if (firstFacet >= 0)
        glUniform1i(firstFacet, 0);
    for (size_t k = 0; k < arrayCount; ++k)
        arrays[k]->bindAttributes(drawvao, locations[k]);
}

void polygon_t::drawselection()
{
    if (selectelems.count() == 0)
        return; // no table yet: nothing is selected
    glPrimitiveRestartIndex(restartIndex);
    glEnable(GL_PRIMITIVE_RESTART);
    selectelems.draw(drawvao, GL_TRIANGLES);
    glDisable(GL_PRIMITIVE_RESTART);
}

namespace
{

// glDrawArrays takes a signed count.
GLsizei drawCount(uint64_t count)
{
    return GLsizei(std::min<uint64_t>(count, INT32_MAX));
}

} // namespace

void polygon_t::drawpoints()
{
    if (!fullRecords())
        return;
    if (!pointvao.created() && pointsizesOnDemand_) {
        if (!makepointsizes())
            return;
        pointvao.create();
        vertices.bindAttributes(pointvao, 0);
        pointsizes.bindAttributes(pointvao, 2);
    }
    pointvao.drawArrays(GL_POINTS, drawCount(vertices.count()));
}

void polygon_t::drawforfeedback()
{
    if (!workframes())
        return;
    feedbackvao.drawArrays(GL_POINTS, drawCount(vertices.count()));
}

void polygon_t::bounds(pos3& min, pos3& max) const
{
    polygon_t& self = const_cast<polygon_t&>(*this); // mapping is not a change
    const uint64_t count = elements.count();
    const uint64_t vertexCount = vertexcount();
    if (count == 0 || vertexCount == 0)
        return;
    const size_t stride = positionRecords().stride();
    scoped_map_t<const float> verts(self.positionRecords(), GL_MAP_READ_BIT);
    scoped_map_t<const uint32_t> elems(self.elements, GL_MAP_READ_BIT);
    if (!verts || !elems)
        return;
    bool first = true;
    for (uint64_t i = 0; i < count; ++i) {
        const uint32_t e = elems[i];
        if (e >= vertexCount)
            continue;
        const float* p = &verts[size_t(e) * stride];
        if (first) {
            min = max = pos3{p[0], p[1], p[2]};
            first = false;
            continue;
        }
        min.x = std::min(min.x, p[0]);
        min.y = std::min(min.y, p[1]);
        min.z = std::min(min.z, p[2]);
        max.x = std::max(max.x, p[0]);
        max.y = std::max(max.y, p[1]);
        max.z = std::max(max.z, p[2]);
    }
}

const std::vector<polyid_t>& polygon_t::polyids()
{
    if (!polyidsStale_)
        return polyidvector;
    polyidsStale_ = false;
    polyidvector.clear();
    const uint64_t count = elements.count();
    const uint64_t vertexCount = compact_ ? positions.count() : std::min(vertices.count(), normals.count());
    scoped_map_t<const uint32_t> elems(elements, GL_MAP_READ_BIT);
    if (count < 3 || !elems)
        return polyidvector;
    // Triangles are numbered in walk order; the numbers past the last
    // triangle of n elements (which hold at most n - 2) have none.
    polyidvector.reserve(count - 2);
    walkStripTriangles(elems.get(), count, vertexCount, [&](uint64_t i, uint32_t, uint32_t, uint32_t, bool flipped) {
        polyidvector.push_back(polyid_t{uint32_t(i - 2), flipped});
    });
    polyidvector.resize(count - 2, polyid_t{restartIndex, false});
    return polyidvector;
}

bool polygon_t::checkPolyid(uint32_t t)
{
    polyids();
    if (t >= polyidvector.size()) {
        libutils::reportf("polygon_t::selectpolygon() polyid(%u) >= polyidvector.size(%zu)\n", t, polyidvector.size());
        return false;
    }
    // Restart indices leave numbers at the end without a triangle.
    return polyidvector[t].position != restartIndex;
}

void polygon_t::writeSelected(uint32_t* sel, const uint32_t* elems, uint32_t t) const
{
    const polyid_t id = polyidvector[t];
    const size_t p = id.position;
    sel[3 * size_t(t)] = id.flipped ? elems[p + 1] : elems[p];
    sel[3 * size_t(t) + 1] = id.flipped ? elems[p] : elems[p + 1];
    sel[3 * size_t(t) + 2] = elems[p + 2];
}

bool polygon_t::selectiontable()
{
    // Only restart indices: what the last update wrote for a set that was
    // empty then (a set with triangles makes the table in update).
    if (selectelems.count() != 0)
        return true;
    // The selection is drawn from the full records.
    if (!fullRecords())
        return false;
    // Sized as allocate() sizes it: three indices for each of the at most
    // n - 2 triangles of n elements.
    const uint64_t selectCount = elementsAllocated_ >= 3 ? 3 * elementsAllocated_ - 6 : 0;
    if (selectCount == 0)
        return false;
    if (!selectelems.allocate(selectCount)) {
        say("selectelems.allocate() failed.");
        return false;
    }
    scoped_map_t<uint32_t> sel(selectelems, GL_MAP_WRITE_BIT);
    if (!sel)
        return false;
    std::fill(sel.get(), sel.get() + selectCount, restartIndex);
    return true;
}

void polygon_t::selectpolygon(uint32_t t)
{
    if (!checkPolyid(t) || !selectiontable())
        return;
    const polyid_t id = polyidvector[t];
    scoped_map_t<uint32_t> elems(elements, GL_MAP_READ_BIT);
    scoped_map_t<uint32_t> sel(selectelems);
    if (!elems || !sel)
        return;
    const size_t p = id.position;
    if (p + 2 >= elements.count() || 3 * uint64_t(t) + 2 >= selectelems.count())
        return; // the elements changed since the last update
    writeSelected(sel.get(), elems.get(), t);
    selectedpolygons.insert(t);
}

void polygon_t::unselectpolygon(uint32_t t)
{
    if (!checkPolyid(t))
        return;
    if (selectelems.count() == 0) {
        selectedpolygons.erase(t); // no table yet: nothing shows
        return;
    }
    if (3 * uint64_t(t) + 2 >= selectelems.count())
        return;
    scoped_map_t<uint32_t> sel(selectelems);
    if (!sel)
        return;
    sel[3 * size_t(t)] = sel[3 * size_t(t) + 1] = sel[3 * size_t(t) + 2] = restartIndex;
    selectedpolygons.erase(t);
}

void polygon_t::clear()
{
    releaseCompact();
    vertices.release();
    normals.release();
    wknmls.release();
    elements.release();
    drawvao.release();
    feedbackvao.release();
    pointvao.release();
    framefeedback.release();
    selectelems.release();
    selectedpolygons.clear();
    primitive = primitive_t::Triangles;
    polyidvector = std::vector<polyid_t>();
    polyidsStale_ = false;
    elementsAllocated_ = 0;
    workFramesReady_ = false;
    listTriangles_ = 0;
    modeling_t::clear();
}

} // namespace vyk3d
