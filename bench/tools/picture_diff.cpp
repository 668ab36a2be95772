// picture_diff A.png B.png: compares two pictures of one size as the
// compact and full forms of a surface must compare. Prints one line: the
// pixels with a channel apart by more than 1, by more than 2, and all
// pixels. Status 0 when the two differ by rounding alone (no channel by
// more than 2 levels, at most 0.1% of the pixels by more than 1), 1 when
// they do not, 2 when a file cannot be read or the sizes differ.
#include "support/picture.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: picture_diff A.png B.png\n");
        return 2;
    }
    const vyktest::Image a = vyktest::readImage(argv[1]), b = vyktest::readImage(argv[2]);
    const long over1 = vyktest::differingPixels(a, b, 1), over2 = vyktest::differingPixels(a, b, 2);
    if (over1 < 0) {
        std::fprintf(stderr, "picture_diff: %s and %s cannot be compared\n", argv[1], argv[2]);
        return 2;
    }
    const long pixels = long(a.width) * a.height;
    std::printf("%ld %ld %ld\n", over1, over2, pixels);
    return over2 == 0 && over1 * 1000 <= pixels ? 0 : 1;
}
