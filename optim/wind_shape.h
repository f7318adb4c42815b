// The loop optimiser's wind: the flight model's profiles (sim/wind_profile.h)
// for plain doubles and for the automatic-differentiation type alike.
#pragma once

#include <cmath>

#include "sim/wind_profile.h"

namespace soar::optim {

// The flight's profile with one difference: the logarithmic, power and linear
// winds go on growing above zeta_max Z_ref, where the flight's stand still.
// Their gradient would jump to 0 there, and the solver cannot pass a jump in
// the equations; the exponential profile keeps its gradient at the clamp and
// is the flight's to the bit, and so is a shear layer, which has no clamp.
inline WindProfileShape profile_shape(const LoopProblem& p) {
    WindProfileShape s{p.profile, p.Z_ref, p.lam_U,       p.zeta_min,    p.zeta_max,
                       p.z0,      p.p_exp, p.shear_delta, p.shear_height};
    if (s.shape != WindProfile::exponential) s.zeta_max = HUGE_VAL;
    return s;
}

// The flight's own profile for the same problem, clamp included.
inline WindProfileShape flight_profile_shape(const LoopProblem& p) {
    return {p.profile, p.Z_ref, p.lam_U,       p.zeta_min,    p.zeta_max,
            p.z0,      p.p_exp, p.shear_delta, p.shear_height};
}

// The scale w is the profile's U_ref (m/s), except for the linear profile,
// whose scale is its gradient (1/s): U_ref = w Z_ref. Above a shear layer
// (shear_delta > 0, sim/wind_profile.h) it is the wind above the layer, m/s.
template <typename T>
void wind_at(const LoopProblem& p, const T& Z, const T& w, T& U, T& Up) {
    const bool gradient = p.profile == WindProfile::linear && !(p.shear_delta > 0.0);
    profile_wind(profile_shape(p), Z, gradient ? T(w * p.Z_ref) : w, U, Up);
}

}  // namespace soar::optim
