#include "view/morph_clock.h"

morphPosition_t morphPosition(uint32_t elapsed, std::size_t steps)
{
    morphPosition_t p;
    p.step = steps == 0 ? 0u : static_cast<uint32_t>((elapsed / 1000u) % steps);
    p.rate = static_cast<float>(elapsed % 1000u) * 0.001f;
    return p;
}
