#include "sceneio/declared_counts.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace vyk3d
{
namespace
{

uint64_t saturatedMulAdd(uint64_t sum, uint64_t count, uint64_t each)
{
    if (each != 0 && count > (UINT64_MAX - sum) / each)
        return UINT64_MAX;
    return sum + count * each;
}

// Bytes of a PLY scalar type, 0 when unknown.
uint64_t scalarSize(const std::string& type)
{
    static const struct {
        const char* name;
        uint64_t size;
    } kTypes[] = {{"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
                  {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
                  {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};
    for (const auto& t : kTypes)
        if (type == t.name)
            return t.size;
    return 0;
}

// Reads lines up to end_header; stops at the end of the given bytes.
uint64_t plyBytes(const std::string& head)
{
    std::istringstream in(head);
    std::string line;
    bool binary = false;
    uint64_t total = 0, count = 0, record = 0;
    auto close = [&] { total = saturatedMulAdd(total, count, record == 0 ? 1 : record); };
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "format") {
            std::string kind;
            words >> kind;
            binary = kind.compare(0, 6, "binary") == 0;
        } else if (key == "element") {
            close();
            std::string name;
            count = 0;
            record = 0;
            words >> name >> count;
        } else if (key == "property") {
            std::string type;
            words >> type;
            if (type == "list")
                words >> type; // the count's type: an empty list holds just it
            record += binary ? scalarSize(type) : 2;
        } else if (key == "end_header") {
            break;
        }
    }
    close();
    return total;
}

uint64_t offBytes(const std::string& head)
{
    std::istringstream in(head);
    std::string line;
    bool seenKeyword = false;
    while (std::getline(in, line)) {
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        if (!seenKeyword) {
            std::string key;
            if (!(words >> key))
                continue;
            seenKeyword = true;
            if (key.size() < 3 || key.compare(key.size() - 3, 3, "OFF") != 0)
                return 0;
        }
        uint64_t vertices = 0, faces = 0;
        if (words >> vertices >> faces)
            return saturatedMulAdd(saturatedMulAdd(0, vertices, 6), faces, 2);
    }
    return 0;
}

} // namespace

bool plyHeaderReadable(const char* data, size_t size)
{
    const std::string head(data, std::min<size_t>(size, 1 << 16));
    if (head.compare(0, 3, "ply") != 0)
        return true;
    std::istringstream in(head);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        if (words >> key && key == "end_header")
            return true;
    }
    return false;
}

uint64_t bytesNeeded(const char* data, size_t size)
{
    // Headers are short: the first 64 KiB hold any real one.
    const std::string head(data, std::min<size_t>(size, 1 << 16));
    if (head.compare(0, 3, "ply") == 0)
        return plyBytes(head);
    return offBytes(head);
}

} // namespace vyk3d
