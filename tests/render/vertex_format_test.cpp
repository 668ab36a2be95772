#include "render/vertex_format.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vyk3d;

namespace
{

TEST(ElementKinds, TableOfWordsTypesAndNames)
{
    struct kind_case_t {
        uint32_t value;
        const char* name;
        uint32_t words;
        uint32_t type;
        bool normalized;
    };
    const kind_case_t cases[] = {
        {0, "Position", 3, GL_FLOAT, false},  {1, "Normal", 3, GL_FLOAT, true},
        {2, "RGBA", 4, GL_FLOAT, true},       {3, "TexCoord3", 3, GL_FLOAT, false},
        {4, "TexCoord2", 2, GL_FLOAT, false}, {5, "PointSize", 1, GL_FLOAT, false},
        {6, "ID", 1, GL_UNSIGNED_INT, false}, {7, "Vector3w", 4, 0, false},
        {8, "Matrix3w", 16, 0, false},        {9, "", 0, 0, false},
        {0xFFFFFFFFu, "", 0, 0, false},
    };
    for (const kind_case_t& c : cases) {
        const element_t kind = static_cast<element_t>(c.value);
        SCOPED_TRACE(c.value);
        EXPECT_EQ(std::string(elementName(kind)), c.name);
        EXPECT_EQ(elementWords(kind), c.words);
        EXPECT_EQ(elementType(kind), c.type);
        EXPECT_EQ(elementNormalized(kind), c.normalized);
    }
}

TEST(VertexFormats, KindsAndStrides)
{
    using E = element_t;
    struct format_case_t {
        const char* label;
        const vertex_format_t& format;
        std::vector<element_t> kinds;
        uint32_t stride;
    };
    const format_case_t cases[] = {
        {"vertex", vertexFormat(), {E::Position, E::RGBA, E::TexCoord2}, 9},
        {"frame", frameFormat(), {E::Normal, E::Normal, E::Normal}, 9},
        {"workFrame", workFrameFormat(), {E::Normal, E::Normal, E::Normal, E::Normal}, 12},
        {"pointSize", pointSizeFormat(), {E::PointSize}, 1},
        {"controlPoint", controlPointFormat(), {E::Position, E::RGBA}, 7},
    };
    for (const format_case_t& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(c.format.size(), c.kinds.size());
        for (size_t i = 0; i < c.kinds.size(); ++i)
            EXPECT_EQ(c.format[i], c.kinds[i]) << i;
        EXPECT_EQ(formatStride(c.format), c.stride);
    }
    // Built once: every call hands out the same shared list.
    EXPECT_EQ(vertexFormat().data(), vertexFormat().data());
    EXPECT_EQ(formatStride(makeFormat({E::Matrix3w, E::ID})), 17u);
    EXPECT_EQ(formatStride(vertex_format_t()), 0u);
}

} // namespace
