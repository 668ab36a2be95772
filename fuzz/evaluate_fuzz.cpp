// The expression evaluator of scene files on arbitrary text.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "sceneio/evaluate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The evaluator reads zero-terminated text: stop at the first zero byte.
    std::string text(reinterpret_cast<const char*>(data), size);
    std::ostringstream diag;
    const char* end = nullptr;
    evaluate(text.c_str(), &end, diag);
    // The end it reports must lie within the text, terminator included.
    if (end < text.c_str() || end > text.c_str() + text.size())
        std::abort();
    return 0;
}
