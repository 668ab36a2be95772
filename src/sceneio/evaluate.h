#pragma once
// Small arithmetic expressions of scene text files: "+", "-", "*", "/",
// parentheses and unsigned decimal numbers, in single precision.

#include "foundation/diagnostics.h"

// Evaluates one expression starting at `text` (zero-terminated) and returns
// its value. The expression ends at the end of the text, a carriage return or
// a ","; that terminator's position is stored in *end when `end` is given.
// A character that is none of digits, blanks, operators and parentheses also
// ends it: two warning lines ("<code> " and "<char>: warning: invalid char
// detect.") go to `diag`, and *end points at that character.
//
// Never fails: a malformed expression writes one diagnostic line to `diag`
// ("beginning '*' detect.", "last '-' detect.", ...) and gives the value of
// what was summed so far; an empty expression gives 0 silently. Choices for
// forms the grammar leaves open: a "-" after another "+" or "-" negates what
// follows ("1--2" is 3, "1+-2" is -1), and before the first term it negates
// that term ("-0" is negative zero, as the scene writer writes one, where
// "0-0" is zero); the end of the text closes every open parenthesis
// ("2*(3+1" is 8); "/" followed by something that is not a value writes
// "/: right operand is not a value.".
//
// Safe on untrusted input: reads nothing past the terminator, and nesting is
// handled without recursion, so any depth of parentheses only costs heap
// memory proportional to the text.
float evaluate(const char* text, const char** end = nullptr, std::ostream& diag = libutils::diagnostics());
