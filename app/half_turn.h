// An angle as a read-out shows it: within (-180, 180] deg. The flight's own
// angles run on past a turn (the heading of a circling pattern, the optimal
// loop's yaw gaining a turn each cycle); only what is shown is wrapped, and a
// zero is shown without a sign.
#pragma once

#include <cmath>

namespace soar {

inline double half_turn_deg(double deg) {
    double r = std::fmod(deg, 360.0);  // exact, with the sign of deg
    if (r > 180.0) r -= 360.0;
    if (r <= -180.0) r += 360.0;
    return r + 0.0;  // -0 + 0 is +0
}

}  // namespace soar
