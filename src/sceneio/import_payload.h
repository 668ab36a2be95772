// What an import in its child process hands back to the viewer: messages,
// embedded images still encoded, and per model the polygon records and the
// texture set's names and flags. The child lays it out in a file it maps,
// the viewer reads it from its own mapping of that file. Each field is written and read in
// one place (fields() in the source), so a new one is a line there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct payload_model_t {
    uint64_t faces = 0;
    uint32_t corners = 3; // a face's: 3 triangles, 2 lines, 1 points
    // Views of the records (see stl_mesh.h): 9 floats of vertices and 9 of
    // frames a corner, then corners + 1 elements a face.
    const float* vertices = nullptr;
    const float* frames = nullptr;
    const uint32_t* elements = nullptr;
    std::string colormap, bumpmap, specularmap;
    uint32_t bump2mono = 0;          // the bump map is a height map, often stored as colour
    uint32_t normalBumps = 0;        // the bump map is a normal map in unsigned bytes
    uint32_t specular = 0xFFFFFFFFu; // the one-texel specular map without one named: RGBA bytes in memory order
};

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
