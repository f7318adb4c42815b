#include "sim/wind.h"

#include <cmath>

namespace soar {

void U_V_Z_Up(State& s, const Params& p) {
    // The height ratio is a 32-bit quantity, clamped before the exponential.
    float zeta = s.Z / p.Z_ref;
    if (zeta < p.zeta_min) {
        zeta = p.zeta_min;
    } else if (zeta > p.zeta_max) {
        zeta = p.zeta_max;
    }
    const double U_ref = p.U_ref, lam_U = p.lam_U;
    const double e = std::exp(-lam_U * zeta);
    s.U = float(U_ref * (1.0 - e));
    s.Up = float(U_ref * lam_U * e / double(p.Z_ref));
    s.Up_V_g = float(double(s.Up) * double(s.V) / double(p.g));
}

void wind_profile_setup(State& s, const Params& p) {
    s.n_wp = 70;
    s.x_wp.allocate(1, s.n_wp);
    s.y_wp.allocate(1, s.n_wp);
    s.z_wp.allocate(1, s.n_wp);

    const double Z_ref = p.Z_ref, lam_U = p.lam_U;
    int i = 0;
    for (int b = 1; b <= 10; ++b) {
        // Arrow heights crowd towards the sea (exponent 1.5); the lengths follow the
        // profile's shape at half of Z_ref, so they keep their size when U_ref is 0.
        const double zz = Z_ref * std::pow((b - 1) / 9.0, 1.5) + 0.25 * (1.0 - b / 10.0);
        const double uu = 0.5 * Z_ref * (1.0 - std::exp(-lam_U * zz / Z_ref));
        const double x[7] = {0, uu - 0.75, uu - 0.75, uu, uu - 0.75, uu - 0.75, 0};
        const double z[7] = {zz, zz, zz - 0.15, zz, zz + 0.15, zz, zz};
        for (int p = 0; p < 7; ++p) {
            ++i;
            s.x_wp(i) = float(x[p]);
            s.y_wp(i) = s.y_wp_pos;
            s.z_wp(i) = float(z[p]);
        }
    }
}

}  // namespace soar
