// Directory part of a file name.
#pragma once

#include <string>

// The text of `name` up to and including its last "/" or "\\", or the empty
// string when there is none (or `name` is null); never cut, whatever its
// length. Separators are found in the bytes: in UTF-8 neither byte ever
// occurs inside a multibyte character, so no character is split and no
// locale is needed.
std::string directoryPart(const char* name);
