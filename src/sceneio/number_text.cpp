#include "sceneio/number_text.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

double readDouble(const char* text, const char** end)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // from_chars rounds decimal text correctly, like strtod, but knows no
    // hexadecimal and leaves out-of-range values unset: those go to strtod.
    if (*p >= '0' && *p <= '9' && !(p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))) {
        // The span of digits, fraction and exponent, found without looking
        // further than the number itself.
        const char* last = p;
        while (*last >= '0' && *last <= '9')
            ++last;
        if (*last == '.')
            for (++last; *last >= '0' && *last <= '9';)
                ++last;
        if (*last == 'e' || *last == 'E') {
            const char* e = last + 1;
            if (*e == '+' || *e == '-')
                ++e;
            if (*e >= '0' && *e <= '9') {
                while (*e >= '0' && *e <= '9')
                    ++e;
                last = e;
            }
        }
        double v = 0.0;
        const std::from_chars_result r = std::from_chars(p, last, v, std::chars_format::general);
        if (r.ec == std::errc()) {
            *end = r.ptr;
            return negative ? -v : v;
        }
    }
    char* after = nullptr;
    const double v = std::strtod(text, &after);
    *end = after;
    return v;
}
