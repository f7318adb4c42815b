#include <array>

#include "platform/surface.h"

namespace soar {

Colour palette_colour(int index) {
    // The classic 16-colour palette (QBColor).
    static constexpr std::array<std::array<uint8_t, 3>, 16> kRgb{{
        {0, 0, 0},
        {0, 0, 128},
        {0, 128, 0},
        {0, 128, 128},
        {128, 0, 0},
        {128, 0, 128},
        {128, 128, 0},
        {192, 192, 192},
        {128, 128, 128},
        {0, 0, 255},
        {0, 255, 0},
        {0, 255, 255},
        {255, 0, 0},
        {255, 0, 255},
        {255, 255, 0},
        {255, 255, 255},
    }};
    const int i = index & 15;
    return Colour{static_cast<int16_t>(i), kRgb[i][0], kRgb[i][1], kRgb[i][2]};
}

}  // namespace soar
