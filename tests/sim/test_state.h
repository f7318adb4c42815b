// A State with the air and bird parameters of start-up, for flight-model tests.
#pragma once

#include "sim/initial_conditions.h"
#include "sim/state.h"

namespace soar::test {

inline State startup_air() {
    State s;
    air_defaults(s);
    return s;
}

}  // namespace soar::test
