#include "sceneio/section_keys.h"

#include "sceneio/line_reader.h"

#include <ostream>

bool nextSectionLine(std::istream& in, std::string& line, uint64_t& lineCounter, std::ostream& err, bool& tooLong)
{
    const line_status status = readLine(in, line, maxSceneLine);
    if (status == line_status::End)
        return false;
    ++lineCounter;
    if (status == line_status::TooLong) {
        err << lineCounter << ": line too long.\n";
        tooLong = true;
        return false;
    }
    return true;
}

void lineMessage(std::ostream& err, uint64_t lineCounter, const char* text, const std::string& line)
{
    err << lineCounter << text << line << '\n';
}

void illegalCommand(std::ostream& err, uint64_t lineCounter, const std::string& line)
{
    lineMessage(err, lineCounter, ": illegal command: ", line);
}

void cutLine(std::ostream& err, uint64_t lineCounter, const std::string& line)
{
    lineMessage(err, lineCounter, ": line ends after a separator: ", line);
}

key_result colourKey(const std::string& line, colour_state_t& colour, uint64_t lineCounter, std::ostream& err)
{
    const bool integers = beginsWithKey(line, "color");
    if (!integers && !beginsWithKey(line, "fcolor"))
        return key_result::NotMine;
    key_line_t values(line);
    if (!values.hasValues()) {
        lineMessage(err, lineCounter, integers ? ": color parm is not set. " : ": fcolor parm is not set. ", line);
        return key_result::Done;
    }
    float c[4];
    for (float& v : c) {
        if (integers)
            v = static_cast<float>(values.integer() & 0xFFu) * (1.0f / 255.0f);
        else
            v = values.expression();
    }
    if (values.cut()) {
        cutLine(err, lineCounter, line);
        return key_result::Failed;
    }
    colour = colour_state_t{c[0], c[1], c[2], c[3]};
    return key_result::Done;
}
