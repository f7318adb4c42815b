// Start state of each flight pattern: schedule coefficients, start height, drag
// polar, drawing attitude, and time and position back to zero.
#pragma once

#include "sim/state.h"

namespace soar {

// The attitude as typed into the "Pitch up", "Roll Rt." and "Yaw Rt." boxes, deg.
struct TypedAttitude {
    double pitch = 0, roll = 0, yaw = 0;
};

void math_start(State& s, Mode mode, const TypedAttitude& typed);

// The bird and the air as the program starts: wing loading, gravity, density,
// drag polar, lift-curve slope and its angle offset; Nz = 1 before any flight.
void air_defaults(State& s);

// Start-up values of the drag polar, restored by every pattern but the circle zoom.
inline constexpr float kCD0 = 0.015f;
inline const float kK_ind = float(1.0 / (720.0 / 16.0));

}  // namespace soar
