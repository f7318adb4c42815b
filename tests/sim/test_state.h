// States for flight-model tests: as start-up leaves it (level flight, Nz = 1),
// and a pattern's flight as "OK" and "FLY" set it up, after its first tick, with
// the pattern's default parameters.
#pragma once

#include "sim/flight_step.h"
#include "sim/initial_conditions.h"
#include "sim/params.h"
#include "sim/state.h"
#include "sim/wind.h"

namespace soar::test {

inline State startup_air() {
    State s;
    s.Nz = 1.0f;
    return s;
}

inline State started(Mode mode, float clock = 0.0f) {
    const Params p = pattern_defaults(mode);
    State s = startup_air();
    wind_profile_setup(s, p);
    math_start(s, p, mode, {2.0, 0.0, 0.0});
    U_V_Z_Up(s, p);
    start_clock(s, clock);
    first_tick(s, p, mode);
    return s;
}

}  // namespace soar::test
