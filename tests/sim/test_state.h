// Flights for flight-model tests: a pattern as "OK" and "FLY" start it, with
// its default parameters and the window's start attitude, stepped to flight
// times as a clock read from FLY at 0 gives them.
#pragma once

#include "sim/aero.h"
#include "sim/flight.h"
#include "sim/params.h"

namespace soar::test {

inline Flight started(Mode mode) {
    return Flight(pattern_defaults(mode), mode, {-0.0f, 2.0f, -0.0f});
}

// Advances the flight to flight time t (s).
inline void step_to(Flight& f, float t) {
    f.step(double(t) - double(f.state().t));
}

// A state in level flight (Nz = 1) for the laws and load factors.
inline FlightState level_air() {
    FlightState s;
    s.Nz = 1.0f;
    return s;
}

inline void load_factors(FlightState& s, const Params& p) {
    FlightTrig trig;
    update_load_factors(s, p, trig);
}

}  // namespace soar::test
