// Wind profile: U(Z) = U_ref (1 - exp(-lam_U Z/Z_ref)) along +x, with Z/Z_ref
// clamped to [zeta_min, zeta_max], and the figure of ten arrows that shows it.
#pragma once

#include "sim/state.h"

namespace soar {

// U, Up (dU/dZ) and Up_V_g = Up V/g at the bird's height Z and airspeed V.
void U_V_Z_Up(State& s);

// Profile constants (no wind in the circle-zoom pattern) and the 70-point figure.
void wind_profile_setup(State& s, Mode mode);

}  // namespace soar
