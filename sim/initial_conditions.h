// Start state of each flight pattern: start height, drawing attitude, and time
// and position back to zero. The pattern's constants are the flight's Params.
#pragma once

#include "sim/params.h"
#include "sim/state.h"

namespace soar {

// The attitude as typed into the "Pitch up", "Roll Rt." and "Yaw Rt." boxes, deg.
struct TypedAttitude {
    double pitch = 0, roll = 0, yaw = 0;
};

void math_start(State& s, const Params& p, Mode mode, const TypedAttitude& typed);

}  // namespace soar
