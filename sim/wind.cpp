#include "sim/wind.h"

#include <algorithm>
#include <cmath>

namespace soar {

namespace {

// Outside the clamp the wind is frozen at its value there: no gradient, so
// that the energy the gradient supplies is that of the wind actually flown.
double clamped(double z, double lo, double hi, bool& frozen) {
    frozen = !(z >= lo && z <= hi);
    return z < lo ? lo : z > hi ? hi : z;
}

// U and dU/dZ of the shapes beside the exponential one, in double.
void other_shape(const Params& p, WindShape shape, double Z, double& U, double& Up) {
    const double U_ref = p.U_ref, Z_ref = p.Z_ref;
    const double lo = double(p.zeta_min) * Z_ref, hi = double(p.zeta_max) * Z_ref;
    bool frozen = false;
    switch (shape) {
        case WindShape::logarithmic: {
            // ln(Z/z0) has no value at or below the sea's roughness height: below
            // 2 z0 the wind of 2 z0.
            const double z0 = p.z0;
            const double z = clamped(Z, std::max(lo, 2.0 * z0), std::max(hi, 2.0 * z0), frozen);
            const double l_ref = std::log(Z_ref / z0);
            U = U_ref * std::log(z / z0) / l_ref;
            Up = frozen ? 0.0 : U_ref / (z * l_ref);
            return;
        }
        case WindShape::power: {
            const double z = clamped(Z, lo, hi, frozen), n = p.p_exp;
            U = U_ref * std::pow(z / Z_ref, n);
            Up = frozen ? 0.0 : n * U / z;
            return;
        }
        case WindShape::linear: {
            const double z = clamped(Z, lo, hi, frozen);
            U = U_ref * z / Z_ref;
            Up = frozen ? 0.0 : U_ref / Z_ref;
            return;
        }
        case WindShape::exponential:
            break;
    }
    U = Up = 0.0;
}

}  // namespace

double wind_shape_at(const Params& p, double Z) {
    Params unit = p;
    unit.U_ref = 1.0f;
    const WindShape shape = wind_shape(p);
    if (shape == WindShape::exponential)
        return 1.0 - std::exp(-double(p.lam_U) * Z / double(p.Z_ref));
    double U = 0, Up = 0;
    other_shape(unit, shape, Z, U, Up);
    return U;
}

WindAt wind_at_height(const Params& p, float Z) {
    if (const WindShape shape = wind_shape(p); shape != WindShape::exponential) {
        double U = 0, Up = 0;
        other_shape(p, shape, Z, U, Up);
        return {float(U), float(Up)};
    }
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
