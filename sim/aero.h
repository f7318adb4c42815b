// Load factors of the commanded path: the normal load factor Nz (lift/weight),
// lift and drag coefficients from a parabolic polar, and the tangential load
// factor Nx (airspeed acceleration / g).
#pragma once

#include "sim/flight_state.h"
#include "sim/params.h"
#include "sim/trig.h"

namespace soar {

// Reads V, gam, gam_dot (deg/s), mu, psi, Up_V_g; writes Nz, CL, CD, D_L, Nx.
// `trig` carries the sines and cosines of the current angles.
void update_load_factors(FlightState& s, const Params& p, FlightTrig& trig);

}  // namespace soar
