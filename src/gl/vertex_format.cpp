#include "gl/vertex_format.h"

#include <GL/glew.h>

namespace vyk3d
{

namespace
{

struct kind_info_t {
    const char* name;
    uint32_t words;
    uint32_t type;
    bool normalized;
};

const kind_info_t kinds[] = {
    {"Position", 3, GL_FLOAT, false},  {"Normal", 3, GL_FLOAT, true},     {"RGBA", 4, GL_FLOAT, true},
    {"TexCoord3", 3, GL_FLOAT, false}, {"TexCoord2", 2, GL_FLOAT, false}, {"PointSize", 1, GL_FLOAT, false},
    {"ID", 1, GL_UNSIGNED_INT, false}, {"Vector3w", 4, 0, false},         {"Matrix3w", 16, 0, false},
};

const kind_info_t unknownKind = {"", 0, 0, false};

const kind_info_t& info(element_t kind)
{
    const uint32_t k = static_cast<uint32_t>(kind);
    return k < sizeof(kinds) / sizeof(kinds[0]) ? kinds[k] : unknownKind;
}

} // namespace

const char* elementName(element_t kind)
{
    return info(kind).name;
}
uint32_t elementWords(element_t kind)
{
    return info(kind).words;
}
uint32_t elementType(element_t kind)
{
    return info(kind).type;
}
bool elementNormalized(element_t kind)
{
    return info(kind).normalized;
}

vertex_format_t makeFormat(const element_t* kinds, size_t count)
{
    vertex_format_t format;
    if (count != 0 && format.allocate(count))
        for (size_t i = 0; i < count; ++i)
            format[i] = kinds[i];
    return format;
}

vertex_format_t makeFormat(std::initializer_list<element_t> kinds)
{
    return makeFormat(kinds.begin(), kinds.size());
}

uint32_t formatStride(const vertex_format_t& format)
{
    uint32_t words = 0;
    for (uint64_t i = 0; i < format.size(); ++i)
        words += elementWords(format[i]);
    return words;
}

const vertex_format_t& vertexFormat()
{
    static const vertex_format_t format = makeFormat({element_t::Position, element_t::RGBA, element_t::TexCoord2});
    return format;
}

const vertex_format_t& frameFormat()
{
    static const vertex_format_t format = makeFormat({element_t::Normal, element_t::Normal, element_t::Normal});
    return format;
}

const vertex_format_t& workFrameFormat()
{
    static const vertex_format_t format =
        makeFormat({element_t::Normal, element_t::Normal, element_t::Normal, element_t::Normal});
    return format;
}

const vertex_format_t& pointSizeFormat()
{
    static const vertex_format_t format = makeFormat({element_t::PointSize});
    return format;
}

const vertex_format_t& controlPointFormat()
{
    static const vertex_format_t format = makeFormat({element_t::Position, element_t::RGBA});
    return format;
}

const vertex_format_t& positionFormat()
{
    static const vertex_format_t format = makeFormat({element_t::Position});
    return format;
}

const vertex_format_t& facetNormalFormat()
{
    static const vertex_format_t format = makeFormat({element_t::Normal});
    return format;
}

const vertex_format_t& colorFormat()
{
    static const vertex_format_t format = makeFormat({element_t::RGBA});
    return format;
}

} // namespace vyk3d
