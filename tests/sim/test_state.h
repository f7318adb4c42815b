// A State with the air and bird parameters of start-up, for flight-model tests.
#pragma once

#include "sim/state.h"

namespace soar::test {

inline State startup_air() {
    State s;
    s.W_S = 107.8f;
    s.g = 9.8f;
    s.Nz = 1.0f;
    s.alpha_off = 3.0f;
    s.rho = 1.22f;
    s.CD0 = 0.015f;
    s.CL_alpha = float(1.76 / 19.0);
    s.K_ind = float(1.0 / (720.0 / 16.0));
    return s;
}

}  // namespace soar::test
