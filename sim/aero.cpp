#include "sim/aero.h"

#include <cmath>

#include "sim/constants.h"
#include "sim/fault.h"

namespace soar {

void update_load_factors(FlightState& s, const Params& p, FlightTrig& trig) {
    const double V = s.V, g = p.g, gam_dot = s.gam_dot, Up_V_g = s.Up_V_g;
    const double cos_mu = trig.mu.cos(s.mu());
    const double sin_gam = trig.gam.sin(s.gam()), cos_gam = trig.gam.cos(s.gam());
    const double cos_psi = trig.psi.cos(s.psi());
    require_nonzero(V, "the airspeed is zero");
    require_nonzero(cos_mu, "the bank angle reached 90 degrees");

    // Each term carries its own division by cos mu: the sum is taken in this order.
    const double pull_up = V / g * k::d2r * gam_dot / cos_mu;
    const double weight = cos_gam / cos_mu;
    const double gradient = sin_gam * sin_gam * Up_V_g * cos_psi / cos_mu;
    s.Nz = float(pull_up + weight + gradient);

    // Wing loading W_S 16/3.5^2 over the dynamic pressure 0.5 rho V^2.
    s.CL = float(double(s.Nz) * double(p.W_S) * 16.0 / 12.25 / (0.5 * double(p.rho) * (V * V)));
    const double CL = s.CL;
    s.CD = float(CL * CL * double(p.K_ind) + double(p.CD0));
    require_nonzero(CL, "the lift coefficient is zero");
    s.D_L = float(double(s.CD) / CL);
    s.Nx = float(Up_V_g * sin_gam * cos_gam * cos_psi - double(s.D_L) * double(s.Nz) - sin_gam);
}

}  // namespace soar
