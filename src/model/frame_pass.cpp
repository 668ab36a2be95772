#include "model/frame_pass.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "gl/query.h"
#include "model/polygon.h"

#include <algorithm>

namespace vyk3d
{

// The tags and messages carry the polygon renderer's name: the pass was part
// of it, and logs are read by those names.
bool frame_pass_t::init(const char* prefix)
{
    compileStageOrExit(fbvshader, GL_VERTEX_SHADER, "feedback.vsd", prefix, ": feedback vertex shader init failed.");
    checkGL("glpolygon_t::init() feedback vertex shader inited.");
    compileStageOrExit(fbfshader, GL_FRAGMENT_SHADER, "feedback.fsd", prefix,
                       ": feedback fragment shader init failed.");
    checkGL("glpolygon_t::init() feedback fragment shader inited.");
    fbprogram.create();
    fbprogram.attach(fbvshader);
    fbprogram.attach(fbfshader);
    checkGL("glpolygon_t::init() feedback program inited.");
    if (!feedback.allocate()) {
        libutils::diagnostics() << "feedback.allocate() error." << std::endl;
        return false;
    }
    // Interleaved: nine floats per vertex, the layout of a frame record.
    const char* varyings[3] = {"VertexTangent", "VertexBiNormal", "VertexNormal"};
    feedback.setVaryings(fbprogram.name(), 3, varyings);
    checkGL("glpolygon_t::init() feedback varying setted.");
    linkProgramOrExit(fbprogram, "feedback program link failed.");
    return true;
}

void frame_pass_t::computeFrames(polygon_t& polygon)
{
    // The capture buffer must exist before the capture starts; a mesh
    // allocated on demand makes it here.
    if (!polygon.workframes())
        return;
    fbprogram.use();
    query_t written, generated;
    written.begin(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, 0);
    generated.begin(GL_PRIMITIVES_GENERATED, 0);
    feedback.begin(GL_POINTS, polygon.framefeedback);
    polygon.drawforfeedback();
    feedback.end();
    generated.end();
    written.end();
    const uint64_t wrted = written.GetQuery();
    const uint64_t gened = generated.GetQuery();
    fbprogram.unuse();

    if (wrted != gened)
        libutils::diagnostics() << "glpolygon "
                                << "wrted != gened: " << wrted << ", " << gened << std::endl;
    if (polygon.framefeedback.count() / 9 != gened)
        libutils::diagnostics() << "glpolygon "
                                << "buf != gened: " << polygon.framefeedback.count() / 9 << ", " << gened << std::endl;

    // Only the frames of the vertices in use: the normals array can be larger
    // than the capture buffer after a smaller re-tessellation, and neither
    // buffer may be read or written past its end.
    uint64_t bytes = polygon.vertexcount() * 9 * sizeof(float);
    bytes = std::min<uint64_t>(bytes, polygon.framefeedback.size());
    bytes = std::min<uint64_t>(bytes, uint64_t(std::max<int64_t>(polygon.normals.capacity(), 0)));
    if (bytes == 0 || polygon.framefeedback.name() == 0 || polygon.normals.bufferName() == 0)
        return;
    polygon.framefeedback.bind();
    glBindBuffer(GL_ARRAY_BUFFER, polygon.normals.bufferName());
    glCopyBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, GL_ARRAY_BUFFER, 0, 0, GLsizeiptr(bytes));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    polygon.framefeedback.unbind();
    checkGL("glpolygon_t::computeFrames(end)");
}

} // namespace vyk3d
