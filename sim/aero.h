// Load factors of the commanded path: the normal load factor Nz (lift/weight),
// lift and drag coefficients from a parabolic polar, and the tangential load
// factor Nx (airspeed acceleration / g).
#pragma once

#include "sim/params.h"
#include "sim/state.h"
#include "sim/trig.h"

namespace soar {

// Reads V, gam, gam_dot (deg/s), mu, psi, Up_V_g; writes Nz, CL, CD, D_L, Nx.
void Nz_CL_CD_Nx(State& s, const Params& p);
void Nz_CL_CD_Nx(State& s, const Params& p, FlightTrig& trig);

}  // namespace soar
