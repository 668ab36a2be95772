// The keys of the surface texture set, shared by the polygon and NURBS
// sections.

#include "sceneio/section_keys.h"

#include "model/texture.h"

#include <cstring>
#include <ostream>

namespace
{

enum texture_field {
    Path,
    Filter,
    Flag,
    Expression,
};

struct texture_key_t {
    const char* key;
    texture_field type;
    const char* notSet;
    std::string vyk3d::texture_t::*path;
    bool vyk3d::texture_t::*flag;
    float vyk3d::texture_t::*number;
};

using vyk3d::texture_t;

// In the order the format tries them; "mipmap" is worded per section below.
const texture_key_t textureKeys[] = {
    {"texture", Path, ": texture path is not set. ", &texture_t::colormap, nullptr, nullptr},
    {"texfilter", Filter, ": texfilter is not set. ", nullptr, nullptr, nullptr},
    {"mipmap", Flag, nullptr, nullptr, &texture_t::mipmap, nullptr},
    {"nearlinear", Flag, ": nearlinear is not set. ", nullptr, &texture_t::nearlinear, nullptr},
    {"maglinear", Flag, ": maglinear is not set. ", nullptr, &texture_t::maglinear, nullptr},
    {"refractfactor", Expression, ": refractfactor is not set. ", nullptr, nullptr, &texture_t::refractfactor},
    {"aniso", Expression, ": aniso parm is not set. ", nullptr, nullptr, &texture_t::anisotropy},
    {"bumptex", Path, ": bumpmap path is not set. ", &texture_t::bumpmap, nullptr, nullptr},
    {"bumpmap", Path, ": bumpmap path is not set. ", &texture_t::bumpmap, nullptr, nullptr},
    {"bumpofs", Flag, ": bumpofs parm is not set. ", nullptr, &texture_t::bumpofs, nullptr},
    {"bump2mono", Flag, ": bump2mono parm is not set. ", nullptr, &texture_t::bump2mono, nullptr},
    {"specular", Path, ": specular path is not set. ", &texture_t::specularmap, nullptr, nullptr},
    {"mercatorsphere", Flag, ": mercatorsphere parm is not set. ", nullptr, &texture_t::mercatorsphere, nullptr},
};

// "texfilter M,N,G": N is read after the first "," that follows the start of
// M and G after the next one; a missing "," leaves the later flags alone.
key_result_t texfilter(const std::string& line, texture_t& texture, uint64_t lineCounter, std::ostream& err)
{
    const size_t start = line.find(' ') + 1;
    key_line_t mValue(line, start);
    const bool m = mValue.flag();
    if (mValue.cut()) {
        cutLine(err, lineCounter, line);
        return key_result_t::Failed;
    }
    const size_t first = line.find(',', start);
    const size_t second = first == std::string::npos ? first : line.find(',', first + 1);
    // An empty N or G after its "," is a cut line like any other list.
    key_line_t nValue(line, first == std::string::npos ? line.size() : first + 1);
    key_line_t gValue(line, second == std::string::npos ? line.size() : second + 1);
    const bool n = first == std::string::npos ? false : nValue.flag();
    const bool g = second == std::string::npos ? false : gValue.flag();
    if (nValue.cut() || gValue.cut()) {
        cutLine(err, lineCounter, line);
        return key_result_t::Failed;
    }
    texture.mipmap = m;
    if (first == std::string::npos) {
        lineMessage(err, lineCounter, ": nearlinear is not set. ", line);
        return key_result_t::Done;
    }
    texture.nearlinear = n;
    if (second == std::string::npos) {
        lineMessage(err, lineCounter, ": maglinear is not set. ", line);
        return key_result_t::Done;
    }
    texture.maglinear = g;
    return key_result_t::Done;
}

} // namespace

key_result_t textureKey(const std::string& line, texture_t& texture, bool nurbsSection, uint64_t lineCounter,
                        std::ostream& err)
{
    for (const texture_key_t& k : textureKeys) {
        if (!beginsWithKey(line, k.key))
            continue;
        const char* notSet = k.notSet;
        if (notSet == nullptr)
            notSet = nurbsSection ? ": is_mipmap is not set. " : ": mipmap is not set. ";
        if (line.find(' ') == std::string::npos) {
            lineMessage(err, lineCounter, notSet, line);
            return key_result_t::Done;
        }
        switch (k.type) {
        case Path:
            texture.*k.path = key_line_t::path(line);
            return key_result_t::Done;
        case Filter:
            return texfilter(line, texture, lineCounter, err);
        case Flag:
        case Expression: {
            bool flag = false;
            float number = 0.0f;
            const key_result_t r = keyValues(line, notSet, nullptr, lineCounter, err, [&](key_line_t& values) {
                if (k.type == Flag)
                    flag = values.flag();
                else
                    number = values.expression();
            });
            if (r == key_result_t::Read && k.type == Flag)
                texture.*k.flag = flag;
            else if (r == key_result_t::Read)
                texture.*k.number = number;
            return r;
        }
        }
    }
    return key_result_t::NotMine;
}
