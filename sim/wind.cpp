#include "sim/wind.h"

#include <cmath>

namespace soar {

WindAt wind_at_height(const Params& p, float Z) {
    // The height ratio is a 32-bit quantity, clamped before the exponential.
    float zeta = Z / p.Z_ref;
    if (zeta < p.zeta_min) {
        zeta = p.zeta_min;
    } else if (zeta > p.zeta_max) {
        zeta = p.zeta_max;
    }
    const double U_ref = p.U_ref, lam_U = p.lam_U;
    const double e = std::exp(-lam_U * zeta);
    return {float(U_ref * (1.0 - e)), float(U_ref * lam_U * e / double(p.Z_ref))};
}

void update_wind_at_bird(FlightState& s, const Params& p) {
    const WindAt w = wind_at_height(p, s.Z);
    s.U = w.U;
    s.Up = w.Up;
    s.Up_V_g = float(double(s.Up) * double(s.V) / double(p.g));
}

}  // namespace soar
