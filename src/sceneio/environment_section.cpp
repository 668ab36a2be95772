// The "begin environment" section: the cube map name and the three factors
// of reflection and refraction.

#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include <ostream>

bool readEnvironment(const std::string& fileName, scene_t& scene, uint64_t& lineCounter, std::string& currentLine,
                     std::istream& in, std::ostream& err)
{
    vyk3d::environment_t& env = scene.environment;
    std::string& line = currentLine;
    bool tooLong = false;
    while (nextSectionLine(in, line, lineCounter, err, tooLong)) {
        if (beginsWithKey(line, "end"))
            break;
        if (isIgnoredLine(line))
            continue;
        if (beginsWithKey(line, "cubetex") || beginsWithKey(line, "cubemap")) {
            // A line without a blank has no value: reported, nothing changes.
            if (line.find(' ') == std::string::npos)
                illegalCommand(err, lineCounter, line);
            else
                env.name = key_line_t::path(line);
            continue;
        }
        float vyk3d::environment_t::*factor = nullptr;
        if (beginsWithKey(line, "reflectalpha"))
            factor = &vyk3d::environment_t::reflectalpha;
        else if (beginsWithKey(line, "refractalpha"))
            factor = &vyk3d::environment_t::refractalpha;
        else if (beginsWithKey(line, "refractfactor"))
            factor = &vyk3d::environment_t::refractfactor;
        if (factor == nullptr) {
            illegalCommand(err, lineCounter, line);
            continue;
        }
        float v = 0.0f;
        const key_result_t r = keyValues(line, ": illegal command: ", nullptr, lineCounter, err,
                                         [&](key_line_t& values) { v = values.expression(); });
        if (r == key_result_t::Failed)
            return false;
        if (r == key_result_t::Read)
            env.*factor = v;
    }
    if (tooLong)
        return false;
    // The cube texture is built once the section is complete, also when the
    // file ends without "end".
    if (!env.initex(fileName.c_str())) {
        err << "environment.initex() failed.\n";
        return false;
    }
    return true;
}
