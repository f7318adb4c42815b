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
// is the flight's to the bit.
inline WindProfileShape profile_shape(const LoopProblem& p) {
    WindProfileShape s{p.profile, p.Z_ref, p.lam_U, p.zeta_min, p.zeta_max, p.z0, p.p_exp};
    if (s.shape != WindProfile::exponential) s.zeta_max = HUGE_VAL;
    return s;
}

// The flight's own profile for the same problem, clamp included.
inline WindProfileShape flight_profile_shape(const LoopProblem& p) {
    return {p.profile, p.Z_ref, p.lam_U, p.zeta_min, p.zeta_max, p.z0, p.p_exp};
}

// The scale w is the profile's U_ref (m/s), except for the linear profile,
// whose scale is its gradient (1/s): U_ref = w Z_ref.
// A shear layer (shear_delta > 0) replaces the profile: a logistic step from
// calm air below to the wind w above, centred at shear_height, of thickness
// shear_delta (m),
//   U = w / (1 + exp(-(Z - shear_height) / shear_delta)),
//   dU/dZ = U (1 - U / w) / shear_delta, largest (w / (4 delta)) at the centre.
// The wind gained across it is w whatever its thickness: a thinner layer is a
// steeper gradient over a shorter climb.
template <typename T>
void wind_at(const LoopProblem& p, const T& Z, const T& w, T& U, T& Up) {
    if (p.shear_delta > 0.0) {
        using std::exp;
        const T e = exp(-(Z - p.shear_height) / p.shear_delta);
        const T s = 1.0 / (1.0 + e);
        U = w * s;
        Up = w * s * (1.0 - s) / p.shear_delta;
        return;
    }
    profile_wind(profile_shape(p), Z, p.profile == WindProfile::linear ? T(w * p.Z_ref) : w, U, Up);
}

}  // namespace soar::optim
