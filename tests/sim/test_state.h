// A State as start-up leaves it (level flight, Nz = 1), for flight-model tests;
// the parameters come from pattern_defaults.
#pragma once

#include "sim/params.h"
#include "sim/state.h"

namespace soar::test {

inline State startup_air() {
    State s;
    s.Nz = 1.0f;
    return s;
}

}  // namespace soar::test
