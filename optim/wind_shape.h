// The wind profiles of the loop optimiser, for plain doubles and for the
// automatic-differentiation type alike.
#pragma once

#include <cmath>

namespace soar::optim {

template <typename T>
void wind_at(const LoopProblem& p, const T& Z, const T& w, T& U, T& Up) {
    using std::exp;
    using std::log;
    switch (p.profile) {
        case WindProfile::linear:
            U = w * Z;
            Up = w;
            return;
        case WindProfile::exponential: {
            // Frozen outside the clamp, like the flight model: below zeta_min and
            // above zeta_max both U and its gradient keep their values there.
            T zeta = Z / p.Z_ref;
            if (zeta < p.zeta_min) zeta = T(p.zeta_min);
            if (zeta > p.zeta_max) zeta = T(p.zeta_max);
            const T e = exp(-p.lam_U * zeta);
            U = w * (1.0 - e);
            Up = w * p.lam_U * e / p.Z_ref;
            return;
        }
        case WindProfile::logarithmic: {
            // ln(Z/z0) has no value at or below the sea's roughness height; the
            // height constraint keeps a solution well above it, an iterate that
            // strays below sees the wind of 2 z0.
            T z = Z;
            if (z < 2.0 * p.z0) z = T(2.0 * p.z0);
            const double l10 = std::log(10.0 / p.z0);
            U = w * log(z / p.z0) / l10;
            Up = w / (z * l10);
            return;
        }
    }
    U = Up = T(0.0);
}

}  // namespace soar::optim
