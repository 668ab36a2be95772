// What an import in its child process hands back to the viewer: messages,
// embedded images still encoded, and per model the polygon records (full,
// or the compact form in their rooms) and the texture set's names and
// flags. The child lays it out in a file it maps, the viewer reads it from
// its own mapping of that file. Each field is written and read in one
// place (fields() in the source), so a new one is a line there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Which form a model's records take in their rooms.
enum class payload_form_t : uint32_t {
    full = 0,          // vertices, frames and elements, as the views say
    compact = 1,       // positions and normals (see compactPositions), `colour` for every vertex
    compactColours = 2 // and a colour a vertex (see compactColours)
};

struct payload_model_t {
    uint64_t faces = 0;
    uint32_t corners = 3; // a face's: 3 triangles, 2 lines, 1 points
    // Views of the records' rooms (see stl_mesh.h): 9 floats of vertices
    // and 9 of frames a corner, then corners + 1 elements a face.
    const float* vertices = nullptr;
    const float* frames = nullptr;
    const uint32_t* elements = nullptr;
    // Set by the child after it wrote the records, so read through views:
    // one payload_form_t (the rooms hold zeros until written: full) and
    // the one colour of the compact form (4 floats).
    const uint32_t* form = nullptr;
    const float* colour = nullptr;
    std::string colormap, bumpmap, specularmap;
    uint32_t bump2mono = 0;          // the bump map is a height map, often stored as colour
    uint32_t normalBumps = 0;        // the bump map is a normal map in unsigned bytes
    uint32_t specular = 0xFFFFFFFFu; // the one-texel specular map without one named: RGBA bytes in memory order
};

// The compact form of triangles in the rooms of the full records: three
// floats of position a corner from `vertices`, three of normal after them,
// and four of colour a corner from `frames`.
inline const float* compactPositions(const payload_model_t& m)
{
    return m.vertices;
}
inline const float* compactNormals(const payload_model_t& m)
{
    return m.vertices + 9 * m.faces;
}
inline const float* compactColours(const payload_model_t& m)
{
    return m.frames;
}

// The model's form, as the child told it: full for any number that is not
// a form, and for faces that are not triangles.
payload_form_t formOf(const payload_model_t& m);

// An image embedded in the model file: `key` is the cache key its map names.
struct payload_image_t {
    std::string key;
    const unsigned char* bytes = nullptr;
    uint64_t size = 0;
};

struct import_payload_t {
    std::string messages;  // lines for the error stream, each ending in '\n'
    uint32_t imported = 0; // 0 when the import failed (the messages say why)
    std::vector<payload_image_t> images;
    std::vector<payload_model_t> models;
};

// Sizes the file `fd` to hold `payload` and maps it: the small fields and
// the arrays with views are written there, and every null view is pointed
// at its room, for the caller to fill (through the mapping, or by writing
// the file at the room's offset from the mapping). Pages of the room are
// not touched. Returns the mapping of `size` bytes
// (for munmap), or null when the file cannot be sized or mapped.
unsigned char* layOutPayload(int fd, import_payload_t& payload, uint64_t& size);

// Reads a payload laid out by layOutPayload from `size` bytes at `data`
// (8-byte aligned), whose views point into `data`: it must outlive them.
// False when the bytes are not such a payload: cut, too long, or counts
// beyond the bytes. Safe on any bytes.
bool readPayload(const unsigned char* data, uint64_t size, import_payload_t& payload);
