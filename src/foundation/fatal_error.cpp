#include "foundation/fatal_error.h"

#include "foundation/diagnostics.h"

namespace libutils
{

int endWith(const fatal_error_t& e)
{
    const std::string message = e.what();
    if (!message.empty())
        report(message + "\n");
    return e.status();
}

} // namespace libutils
