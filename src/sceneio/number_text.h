#pragma once
// Decimal numbers of scene text files, read exactly as strtod reads them.

// strtod(text, end) with the same result and end position for every input
// (leading white space, signs, hexadecimal, "inf", "nan", out-of-range
// values), through a faster path for plain decimal numbers. `text` must be
// zero-terminated; nothing past the number is read.
double readDouble(const char* text, const char** end);
