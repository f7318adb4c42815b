// The wind profiles, written once: the flight model flies them (in double, its
// height ratio stored as a 32-bit float like every stored quantity) and the
// loop optimiser solves in them (doubles and automatic-differentiation values
// alike). The wind blows along +X; its speed is a scale times the shape:
//   exponential:  U = U_ref (1 - exp(-lam_U zeta))     U_ref: the wind far above the sea
//   logarithmic:  U = U_ref ln(Z/z0) / ln(Z_ref/z0)    U_ref: the wind at Z_ref
//   power law:    U = U_ref zeta^p_exp                 U_ref: the wind at Z_ref
//   linear:       U = U_ref zeta                       U_ref: the wind at Z_ref
// with zeta = Z/Z_ref held within [zeta_min, zeta_max] (the logarithmic profile
// also at least 2 z0 / Z_ref: ln(Z/z0) has no value at or below the sea's
// roughness). Outside that range the wind stands still at its value there.
// Its gradient does too: it is 0 outside, except in the exponential profile,
// whose equations keep the gradient at the clamp (a small 0.00225 1/s above
// 19.98 m with the defaults) so that every flight in it keeps its bits.
//
// A shear layer (shear_delta > 0) replaces the profile: a logistic step from
// calm air below to the wind U_ref above, centred at shear_height, of
// thickness shear_delta (m),
//   U = U_ref / (1 + exp(-(Z - shear_height) / shear_delta)),
//   dU/dZ = U (1 - U / U_ref) / shear_delta, largest (U_ref / (4 delta)) at the centre.
// The wind gained across it is U_ref whatever its thickness: a thinner layer
// is a steeper gradient over a shorter climb. It has no clamp: its gradient
// fades smoothly on both sides, and the wind never stands still.
#pragma once

#include <cmath>

#include "sim/params.h"

namespace soar {

// A profile's shape and constants, in double.
struct WindProfileShape {
    WindShape shape = WindShape::exponential;
    double Z_ref = 20.0;                        // reference height, m
    double lam_U = 7.0;                         // exponential: shape exponent, -
    double zeta_min = 0.001, zeta_max = 0.999;  // clamp of Z/Z_ref, -
    double z0 = 0.03;                           // logarithmic: roughness length, m
    double p_exp = 1.0 / 7.0;                   // power law: exponent, -
    double shear_delta = 0.0;                   // shear layer's thickness, m (0: none)
    double shear_height = 5.0;                  // shear layer's centre, m
};

// The flight's profile: each constant the double of its float.
inline WindProfileShape profile_shape(const Params& p) {
    return {wind_shape(p),      double(p.Z_ref),       double(p.lam_U),
            double(p.zeta_min), double(p.zeta_max),    double(p.z0),
            double(p.p_exp),    double(p.shear_delta), double(p.shear_height)};
}

// Whether the shear layer replaces the profile.
inline bool has_shear_layer(const WindProfileShape& s) {
    return s.shear_delta > 0.0;
}

// The heights between which the wind grows, m (beyond them it stands still).
inline void growing_range(const WindProfileShape& s, double& lo, double& hi) {
    lo = s.zeta_min * s.Z_ref;
    hi = s.zeta_max * s.Z_ref;
    // A linear wind held from the sea itself (zeta_min 0) runs on through it:
    // no bird flies there, but an optimiser's trial loop may, and a kink at
    // the sea would stall the solve of a loop that starts on it.
    if (s.shape == WindShape::linear && s.zeta_min <= 0.0) lo = -HUGE_VAL;
    if (s.shape == WindShape::logarithmic) {
        if (lo < 2.0 * s.z0) lo = 2.0 * s.z0;
        if (hi < 2.0 * s.z0) hi = 2.0 * s.z0;
    }
}

// U (m/s) and dU/dZ (1/s) at height Z for the speed scale U_ref (m/s).
// kStoredRatio: the exponential profile's Z/Z_ref rounded to a 32-bit float
// before it is clamped, as the flight model stores it.
template <bool kStoredRatio = false, typename T>
void profile_wind(const WindProfileShape& s, const T& Z, const T& U_ref, T& U, T& Up) {
    using std::exp;
    using std::log;
    using std::pow;
    if (has_shear_layer(s)) {
        const T e = exp(-(Z - s.shear_height) / s.shear_delta);
        const T r = 1.0 / (1.0 + e);
        U = U_ref * r;
        Up = U_ref * r * (1.0 - r) / s.shear_delta;
        return;
    }
    if (s.shape == WindShape::exponential) {
        T zeta = Z / s.Z_ref;
        if constexpr (kStoredRatio) zeta = T(double(float(zeta)));
        if (zeta < s.zeta_min) {
            zeta = T(s.zeta_min);
        } else if (zeta > s.zeta_max) {
            zeta = T(s.zeta_max);
        }
        const T e = exp(-s.lam_U * zeta);
        U = U_ref * (1.0 - e);
        Up = U_ref * s.lam_U * e / s.Z_ref;
        return;
    }
    double lo = 0, hi = 0;
    growing_range(s, lo, hi);
    const bool frozen = !(Z >= lo && Z <= hi);
    const T z = Z < lo ? T(lo) : Z > hi ? T(hi) : Z;
    switch (s.shape) {
        case WindShape::logarithmic: {
            const double l_ref = std::log(s.Z_ref / s.z0);
            U = U_ref * log(z / s.z0) / l_ref;
            Up = frozen ? T(0.0) : U_ref / (z * l_ref);
            return;
        }
        case WindShape::power:
            U = U_ref * pow(z / s.Z_ref, s.p_exp);
            Up = frozen ? T(0.0) : s.p_exp * U / z;
            return;
        case WindShape::linear:
            U = U_ref * z / s.Z_ref;
            Up = frozen ? T(0.0) : U_ref / s.Z_ref;
            return;
        case WindShape::exponential:
            break;
    }
    U = Up = T(0.0);
}

}  // namespace soar
