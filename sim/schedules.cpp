#include "sim/schedules.h"

#include <cmath>

#include "sim/constants.h"
#include "sim/fault.h"

namespace soar {

void update_time_schedules(FlightState& s, const Params& p, Mode mode) {
    require_nonzero(p.T_cyc, "the cycle period is zero");
    // The phase ratio is a 32-bit quantity; floor keeps tau in [0, 1) for negative t too.
    const float r = s.t / p.T_cyc;
    const double tau = double(r) - std::floor(double(r));
    const double c_warp = p.c_warp;
    const double sin_pi_tau = std::sin(k::pi * tau);
    const double cos_pi_tau = std::cos(k::pi * tau);

    double tau_w = 0.0;
    if (mode == Mode::upwind) {
        tau_w = tau + c_warp * sin_pi_tau;
    } else if (mode == Mode::crosswind) {
        tau_w = tau + c_warp * (sin_pi_tau * sin_pi_tau);
    }
    const double sin_pi_tau_w = std::sin(k::pi * tau_w);
    const double s_ph = (1.0 - std::cos(k::pi * tau_w)) * 0.5;

    const double S = std::sin(k::two_pi * s_ph), C = std::cos(k::two_pi * s_ph);
    const double gam_A = p.gam_A, gam_B = p.gam_B;
    s.gam_deg = float(gam_A * S + gam_B * (S * S));

    // d(gam_deg)/dt as the product of the shape, smoothing, warp and time factors.
    // The gam_B part carries 2 pi (not 4 pi), and the warp factor has the same form
    // in both patterns: both as the schedule was laid out.
    const double shape = k::two_pi * gam_B * S * C + k::two_pi * gam_A * C;
    const double smoothing = k::half_pi * sin_pi_tau_w;
    const double warp = 1.0 + k::pi * c_warp * cos_pi_tau;
    const float time_factor = float(1.0 / double(p.T_cyc));
    s.gam_dot = float(shape * smoothing * warp * double(time_factor));

    if (mode == Mode::upwind) {
        // Bank over a double cycle, flattened near its extremes by two warping passes.
        const double half_r = double(r) / 2.0;
        const double w0 = 2.0 * (half_r - std::floor(half_r)) - double(p.mu_ph);
        const double flatten = k::r2d / 360.0;
        const double w1 = w0 - flatten * std::sin(k::two_pi * w0);
        const double w2 = w1 - flatten * std::sin(k::two_pi * w1);
        s.mu_deg = float(double(p.mu_max) * std::cos(k::pi * w2));
    } else if (mode == Mode::crosswind) {
        // q is the rate of the warped phase, 1/s.
        const double q = (1.0 + k::two_pi * c_warp * sin_pi_tau * cos_pi_tau) / double(p.T_cyc);
        const double S2 = std::sin(k::two_pi * tau_w), C2 = std::cos(k::two_pi * tau_w);
        const double psi_A = p.psi_A, psi_B = p.psi_B;
        s.psi_deg = float(-90.0 + psi_A * S2 + psi_B * (S2 * S2));
        // The psi_B term enters the rate with a minus sign, as the schedule was tuned.
        s.psi_dot = float(k::two_pi * psi_A * q * C2 - k::four_pi * psi_B * q * S2 * C2);
    }
}

}  // namespace soar
