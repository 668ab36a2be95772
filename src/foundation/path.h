// Small helpers for file names and text lines shared by the loaders.
#pragma once

#include <cstddef>
#include <string>

// strncmp of the first strlen(keyword) characters: 0 when `text` begins
// with `keyword` (case-sensitive).
int beginsWith(const char* text, const char* keyword);
int beginsWith(const std::string& text, const char* keyword);

// -1 when `ending` is longer than the name; otherwise compares the last
// strlen(ending) characters of the name with `ending` ignoring letter case,
// 0 meaning a match. A null name gives -1.
int hasExtension(const char* name, const char* ending);
int hasExtension(const char* name, size_t length, const char* ending);
int hasExtension(const std::string& name, const char* ending);

// A file name in its parts; joining drive, directory, base name and
// extension gives the name back, whatever its length.
struct splitpath_t {
    std::string drive;     // "D:" when the name starts with a letter and ':'
    std::string directory; // up to and including the last '/' or '\'
    std::string base;      // the rest before its last '.'
    std::string extension; // from that '.' on, or empty
};

// Splits a file name. Separators are found in the bytes: in UTF-8 (and any
// ASCII-compatible single-byte code page) '/', '\\', ':' and '.' never occur
// inside a multibyte character, so no conversion can fail. Nothing is cut.
// A null name gives four empty parts. Safe on untrusted names.
splitpath_t splitPath(const char* name);

// Removes trailing spaces, tabs, carriage returns, line feeds and zero bytes.
void trimRight(std::string& text);
void trimRight(char* text);
