// Time schedules of the upwind and crosswind patterns: flight-path angle and
// either bank (upwind) or heading (crosswind) as functions of the phase within
// a repeating cycle of period T_cyc, with the rates the equations need.
#pragma once

#include "sim/flight_state.h"
#include "sim/params.h"

namespace soar {

// Evaluates the schedules at flight time t. Upwind writes gam, gam_dot, mu;
// crosswind writes gam, gam_dot, psi, psi_dot; other modes give gam = gam_dot = 0.
void update_time_schedules(FlightState& s, const Params& p, Mode mode);

}  // namespace soar
