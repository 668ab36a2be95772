// Directory part of a file name, bounded for a fixed 260-byte field.
#pragma once

#include <cstddef>

constexpr std::size_t kDirectoryPartSize = 260;

// Writes into `out` the text of `name` up to and including its last "/" or
// "\" among the first kDirectoryPartSize - 1 bytes, or the empty string when
// there is none (or `name` is null). `out` is always zero-terminated.
// Separators are found in the bytes: in UTF-8 neither byte ever occurs inside
// a multibyte character, so no character is split and no locale is needed.
void directoryPart(const char* name, char (&out)[kDirectoryPartSize]);
