#pragma once
// What the three section readers of the scene text format share: the line
// loop with its length bound, the line-numbered messages, the colour keys
// and the keys of the surface texture set.

#include "sceneio/key_line.h"

#include <cstdint>
#include <iosfwd>
#include <string>

namespace vyk3d
{
class texture_t;
}

// Reads the next line of a section into `line` and adds 1 to lineCounter.
// False at the end of the input (quietly) and for a line longer than
// maxSceneLine ("<n>: line too long.", and tooLong is set).
bool nextSectionLine(std::istream& in, std::string& line, uint64_t& lineCounter, std::ostream& err, bool& tooLong);

// "<n><text><line>" and a newline: the form of every message about one line.
void lineMessage(std::ostream& err, uint64_t lineCounter, const char* text, const std::string& line);
// "<n>: illegal command: <line>"
void illegalCommand(std::ostream& err, uint64_t lineCounter, const std::string& line);
// A value list cut right after a separator fails the section:
// "<n>: line ends after a separator: <line>".
void cutLine(std::ostream& err, uint64_t lineCounter, const std::string& line);

// The section's current colour, (0.5, 0.5, 0.5, 1) at its start.
struct colour_state_t {
    float r = 0.5f, g = 0.5f, b = 0.5f, a = 1.0f;
};

enum class key_result {
    NotMine, // the line begins with none of the keys handled here
    Done,    // handled (possibly with a "not set" message)
    Failed,  // a message was written and the section fails
};

// "color" (four integers, low 8 bits / 255) and "fcolor" (four expressions).
key_result colourKey(const std::string& line, colour_state_t& colour, uint64_t lineCounter, std::ostream& err);

// The keys of the surface texture set, "texture" to "mercatorsphere", in the
// order the format tries them. nurbsSection selects the NURBS wording of the
// "mipmap" message (": is_mipmap is not set. ").
key_result textureKey(const std::string& line, vyk3d::texture_t& texture, bool nurbsSection, uint64_t lineCounter,
                      std::ostream& err);
