// Wind profile: U(Z) = U_ref (1 - exp(-lam_U Z/Z_ref)) along +x, with Z/Z_ref
// clamped to [zeta_min, zeta_max], and the figure of ten arrows that shows it.
#pragma once

#include "sim/params.h"
#include "sim/state.h"

namespace soar {

// U, Up (dU/dZ) and Up_V_g = Up V/g at the bird's height Z and airspeed V.
void U_V_Z_Up(State& s, const Params& p);

// The 70-point figure of the profile's shape (Z_ref and lam_U of `p`).
void wind_profile_setup(State& s, const Params& p);

}  // namespace soar
