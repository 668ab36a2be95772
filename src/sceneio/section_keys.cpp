#include "sceneio/section_keys.h"

#include "sceneio/line_reader.h"

#include <ostream>

bool nextSectionLine(std::istream& in, std::string& line, uint64_t& lineCounter, std::ostream& err, bool& tooLong)
{
    const line_status_t status = readLine(in, line, maxSceneLine);
    if (status == line_status_t::End)
        return false;
    ++lineCounter;
    if (status == line_status_t::TooLong) {
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

bool array_fill_t::full(uint64_t lineCounter, std::ostream& err) const
{
    if (count < size)
        return false;
    err << lineCounter << overflowText << count << ") >= " << size << " over.\n";
    return true;
}

bool array_fill_t::reportShort(const char* name, const char* what, uint64_t lineCounter, std::ostream& err) const
{
    if (count >= size)
        return false;
    err << lineCounter << ": " << name << "(" << count << ") < " << size << ": too few " << what << ".\n";
    return true;
}

key_result_t colourKey(const std::string& line, colour_state_t& colour, uint64_t lineCounter, std::ostream& err)
{
    const bool integers = beginsWithKey(line, "color");
    if (!integers && !beginsWithKey(line, "fcolor"))
        return key_result_t::NotMine;
    float c[4];
    const key_result_t r = keyValues(line, integers ? ": color parm is not set. " : ": fcolor parm is not set. ",
                                     nullptr, lineCounter, err, [&](key_line_t& values) {
                                         for (float& v : c)
                                             v = integers
                                                     ? static_cast<float>(values.integer() & 0xFFu) * (1.0f / 255.0f)
                                                     : values.expression();
                                     });
    if (r == key_result_t::Read)
        colour = colour_state_t{c[0], c[1], c[2], c[3]};
    return r;
}

key_result_t pointKey(const std::string& line, const array_fill_t& fill, pos3& p, uint64_t lineCounter,
                      std::ostream& err)
{
    const bool position = beginsWithKey(line, "position");
    const bool circle = !position && beginsWithKey(line, "circle");
    if (!position && !circle && !beginsWithKey(line, "sphere"))
        return key_result_t::NotMine;
    const char* notSet = position ? ": position parm is not set. "
                                  : (circle ? ": circle parm is not set. " : ": sphere parm is not set. ");
    float a = 0.0f, b = 0.0f, c = 0.0f;
    const key_result_t r = keyValues(line, notSet, &fill, lineCounter, err, [&](key_line_t& values) {
        a = values.expression();
        b = values.expression();
        c = values.expression();
    });
    if (r == key_result_t::Read)
        p = position ? pos3{a, b, c} : (circle ? circlePoint(a, b, c) : spherePoint(a, b, c));
    return r;
}
