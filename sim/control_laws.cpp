#include "sim/control_laws.h"

#include <cmath>

#include "sim/constants.h"
#include "sim/fault.h"

namespace soar {

void bank_for_path_rates(FlightState& s, const Params& p, FlightTrig& trig) {
    const double Up = s.Up, V = s.V, g = p.g;
    const float gam = s.gam(), psi = s.psi();
    const double tan_gam = trig.gam.tan(gam), sin_gam = trig.gam.sin(gam),
                 cos_gam = trig.gam.cos(gam);
    const double sin_psi = trig.psi.sin(psi), cos_psi = trig.psi.cos(psi);
    require_nonzero(V, "the airspeed is zero");
    require_nonzero(cos_gam, "the flight path is vertical");
    const double N = Up * tan_gam * sin_psi + double(s.psi_dot) * k::d2r;
    const double D =
        g / V + double(s.gam_dot) * k::d2r / cos_gam + Up * sin_gam * tan_gam * cos_psi;
    require_nonzero(D, "the bank angle is undefined (zero denominator)");
    // One-argument arctangent: the bank stays inside (-90, +90) degrees.
    s.mu_deg = float(1.0 / k::d2r * std::atan(N / D));
}

void heading_rate_for_bank(FlightState& s, const Params& p, FlightTrig& trig) {
    const double V = s.V, g = p.g;
    const float gam = s.gam();
    const double cos_gam = trig.gam.cos(gam);
    require_nonzero(V, "the airspeed is zero");
    require_nonzero(cos_gam, "the flight path is vertical");
    s.psi_dot = float((g / V * double(s.Nz) * trig.mu.sin(s.mu()) / cos_gam -
                       double(s.Up) * trig.gam.tan(gam) * trig.psi.sin(s.psi())) *
                      k::r2d);
}

void turn_radius_for_heading(FlightState& s, const Params& p) {
    s.R_turn = float(double(p.R_A) * std::cos(double(s.psi()) + double(p.R_ph)) + double(p.R_0));
}

void heading_rate_for_turn_radius(FlightState& s, FlightTrig& trig) {
    const double divisor = double(s.R_turn) * k::d2r;
    require_nonzero(divisor, "the turn radius is zero");
    s.psi_dot = float(double(s.V) * trig.gam.cos(s.gam()) / divisor);
}

void path_angle_for_heading(FlightState& s, const Params& p) {
    // The heading is shifted to the start heading and rounded to float first.
    const float shifted = float(double(s.psi_deg) - (-90.0));
    const double u = double(shifted) * k::d2r;
    const double sin_half_u = std::sin(u / 2.0);
    // Schedule angle, deg: 0 to 360 while the heading turns once from -90 to 270.
    const double theta_s = (1.0 - std::cos(u / 2.0)) * 180.0;
    const double sn = std::sin(theta_s * k::d2r), cs = std::cos(theta_s * k::d2r);
    const double gam_A = p.gam_A, gam_B = p.gam_B;
    s.gam_deg = float(sn * sn * gam_B + gam_A * sn);
    s.dgam_dpsi =
        float(k::d2r * k::d2r * ((gam_B + gam_B) * sn * cs + gam_A * cs) * 90.0 * sin_half_u);
}

}  // namespace soar
