// The control laws that close the commanded path: given the part of the path a
// pattern prescribes, each works out the rest. `trig` carries the sines and
// cosines of the current angles through a pass of the integration step.
#pragma once

#include "sim/flight_state.h"
#include "sim/params.h"
#include "sim/trig.h"

namespace soar {

// The bank angle that turns the path at the commanded heading and path-angle
// rates (heading-scheduled patterns and crosswind). Writes mu.
void bank_for_path_rates(FlightState& s, const Params& p, FlightTrig& trig);

// The heading rate that the bank gives (upwind, whose bank is scheduled). Writes psi_dot.
void heading_rate_for_bank(FlightState& s, const Params& p, FlightTrig& trig);

// The turn radius of the heading-scheduled patterns at the current heading. Writes R_turn.
void turn_radius_for_heading(FlightState& s, const Params& p);

// The heading rate that flies the turn radius at the airspeed. Writes psi_dot.
void heading_rate_for_turn_radius(FlightState& s, FlightTrig& trig);

// The flight-path angle of the heading-scheduled patterns at the current
// heading, and its slope over the heading. Writes gam and dgam_dpsi.
void path_angle_for_heading(FlightState& s, const Params& p);

}  // namespace soar
