// The scene text reader's top level: sections in any number and order.

#include "sceneio/line_reader.h"
#include "sceneio/scene.h"
#include "sceneio/section_keys.h"

#include <fstream>
#include <ostream>

bool readSceneText(scene_t& scene, const std::string& fileName, vyk3d::frame_pass_t& framePass, std::ostream& err)
{
    std::ifstream in(fileName, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        err << fileName << ": file open error.\n";
        return false;
    }
    uint64_t lineCounter = 1;
    uint64_t sections = 0;
    std::string line;
    for (;;) {
        const line_status_t status = readLine(in, line, maxSceneLine);
        if (status == line_status_t::End)
            break;
        if (status == line_status_t::TooLong) {
            err << lineCounter << ": line too long.\n";
            return false;
        }
        bool ok = true;
        bool section = true;
        if (beginsWithKey(line, "begin environment")) {
            ok = readEnvironment(fileName, scene, lineCounter, line, in, err);
        } else if (beginsWithKey(line, "begin nurbs_surface")) {
            model_t& m = scene.addModel(model_t::Nurbs);
            ok = readNurbsSurface(fileName, m.nurbs, m.texture, m.polygon, framePass, lineCounter, line, in, err);
        } else if (beginsWithKey(line, "begin polygon_surface")) {
            model_t& m = scene.addModel(model_t::Polygon);
            ok = readPolygonSurface(fileName, m.texture, m.polygon, lineCounter, line, in, err);
        } else {
            section = false;
            if (!isIgnoredLine(line))
                err << "unknown line: " << line << '\n';
        }
        if (!ok)
            return false;
        if (section)
            ++sections;
        ++lineCounter;
        if (in.fail())
            break;
    }
    // A file of comments only, or without any section, is no scene.
    return sections >= 1;
}
