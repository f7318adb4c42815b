// The loop optimiser's wind: the flight model's profiles (sim/wind_profile.h)
// for plain doubles and for the automatic-differentiation type alike.
#pragma once

#include "sim/wind_profile.h"

namespace soar::optim {

inline WindProfileShape profile_shape(const LoopProblem& p) {
    return {p.profile, p.Z_ref, p.lam_U, p.zeta_min, p.zeta_max, p.z0, p.p_exp};
}

// The scale w is the profile's U_ref (m/s), except for the linear profile,
// whose scale is its gradient (1/s): U_ref = w Z_ref.
template <typename T>
void wind_at(const LoopProblem& p, const T& Z, const T& w, T& U, T& Up) {
    profile_wind(profile_shape(p), Z, p.profile == WindProfile::linear ? T(w * p.Z_ref) : w, U, Up);
}

}  // namespace soar::optim
