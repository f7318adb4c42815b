#include "sim/wind.h"

#include <cmath>

#include "sim/wind_profile.h"

namespace soar {

double wind_shape_at(const Params& p, double Z) {
    if (wind_shape(p) == WindShape::exponential && !(p.shear_delta > 0.0f))
        return 1.0 - std::exp(-double(p.lam_U) * Z / double(p.Z_ref));
    double U = 0, Up = 0;
    profile_wind(profile_shape(p), Z, 1.0, U, Up);
    return U;
}

WindAt wind_at_height(const Params& p, float Z) {
    double U = 0, Up = 0;
    profile_wind<true>(profile_shape(p), double(Z), double(p.U_ref), U, Up);
    return {float(U), float(Up)};
}

bool wind_held_at(const Params& p, float Z) {
    const WindProfileShape s = profile_shape(p);
    if (has_shear_layer(s)) return false;
    if (s.shape == WindShape::exponential) {
        const double zeta = double(float(double(Z) / s.Z_ref));
        return zeta < s.zeta_min || zeta > s.zeta_max;
    }
    double lo = 0, hi = 0;
    growing_range(s, lo, hi);
    return !(double(Z) >= lo && double(Z) <= hi);
}

void update_wind_at_bird(FlightState& s, const Params& p) {
    const WindAt w = wind_at_height(p, s.Z);
    s.U = w.U;
    s.Up = w.Up;
    s.Up_V_g = float(double(s.Up) * double(s.V) / double(p.g));
}

}  // namespace soar
