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

enum class key_result_t {
    NotMine, // the line begins with none of the keys handled here
    Done,    // handled: stored, or a "not set" message and nothing changed
    Read,    // keyValues: the values are read, for the caller to store
    Failed,  // a message was written and the section fails
};

// One array a section fills, with its fill count, its size and the text of
// its overflow message.
struct array_fill_t {
    uint64_t count;
    uint64_t size;
    const char* overflowText; // ": polygon vertex(", ": nurbs knots1(", ...

    // True, after "<n><overflowText><count>) >= <size> over.", when no
    // further value fits.
    bool full(uint64_t lineCounter, std::ostream& err) const;
    // True, after "<n>: <name>(<count>) < <size>: too few <what>.", when the
    // array was left short.
    bool reportShort(const char* name, const char* what, uint64_t lineCounter, std::ostream& err) const;
};

// Every value of a section's arrays needs a line of its own, and no such
// line is shorter than this ("knot1 0" and its line feed).
constexpr uint64_t minRecordLine = 8;

// Sections whose arrays take at most this many bytes are always allocated
// and read, so a short one gets its "too few" lines at "end".
constexpr uint64_t smallSectionBytes = 8u << 20;

// Whether a section may allocate arrays of `arrayBytes` holding
// `valueLines` values with `left` bytes of the file after its header (as
// remainingBytes gives it): small sections always may; larger ones only when
// the rest of the file could fill their counts, so that an absurd header in
// a short file sizes no buffer.
inline bool sectionFits(unsigned __int128 arrayBytes, unsigned __int128 valueLines, uint64_t left)
{
    return arrayBytes <= smallSectionBytes || left == UINT64_MAX || valueLines <= left / minRecordLine;
}

// The course every key with values takes. An array that is already full
// fails with its overflow message (checked before anything else); a line
// without a blank gets `notSet` and changes nothing (Done); otherwise `read`
// takes the values from the key_line_t, and a list cut right after a
// separator fails the section. Read: the values are in, for the caller to
// store.
template <class ReadValues>
key_result_t keyValues(const std::string& line, const char* notSet, const array_fill_t* fill, uint64_t lineCounter,
                       std::ostream& err, ReadValues read)
{
    if (fill != nullptr && fill->full(lineCounter, err))
        return key_result_t::Failed;
    key_line_t values(line);
    if (!values.hasValues()) {
        lineMessage(err, lineCounter, notSet, line);
        return key_result_t::Done;
    }
    read(values);
    if (values.cut()) {
        cutLine(err, lineCounter, line);
        return key_result_t::Failed;
    }
    return key_result_t::Read;
}

// "position" (x, y, z), "circle" (r, theta, z) and "sphere" (r, theta, phi),
// three expressions each: the next point of `fill`. Read leaves the point in
// `p` for the caller to store.
key_result_t pointKey(const std::string& line, const array_fill_t& fill, pos3& p, uint64_t lineCounter,
                      std::ostream& err);

// "color" (four integers, low 8 bits / 255) and "fcolor" (four expressions).
key_result_t colourKey(const std::string& line, colour_state_t& colour, uint64_t lineCounter, std::ostream& err);

// The keys of the surface texture set, "texture" to "mercatorsphere", in the
// order the format tries them. nurbsSection selects the NURBS wording of the
// "mipmap" message (": is_mipmap is not set. ").
key_result_t textureKey(const std::string& line, vyk3d::texture_t& texture, bool nurbsSection, uint64_t lineCounter,
                        std::ostream& err);
