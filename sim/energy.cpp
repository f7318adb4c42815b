#include "sim/energy.h"

#include <cmath>

#include "sim/wind.h"

namespace soar {

Energy energy_of(const FlightState& s, const Params& p) {
    Energy e;
    const double V = s.V, g = p.g;
    e.E_kin = float(kinetic_height(V, g));
    e.E_pot = s.Z;
    e.E = specific_energy(s, p);
    const double gam = s.gam(), psi = s.psi();
    // Where the wind stands still there is no gradient to gain from: what the
    // exponential profile's equations keep there is a part of its own.
    const float gradient =
        float(V * double(s.Up_V_g) * std::sin(gam) * std::cos(gam) * std::cos(psi));
    (wind_held_at(p, s.Z) ? e.dE_held : e.dE_wind) = gradient;
    e.dE_drag = float(-V * double(s.D_L) * double(s.Nz));
    return e;
}

float held_energy_rate(const Params& p, float Z, float V, float gam_deg, float psi_deg, float Up) {
    if (!wind_held_at(p, Z)) return 0.0f;
    FlightState s;
    s.Z = Z;
    s.V = V;
    s.gam_deg = gam_deg;
    s.psi_deg = psi_deg;
    s.Up = Up;
    s.Up_V_g = float(double(Up) * double(V) / double(p.g));
    return energy_of(s, p).dE_held;
}

}  // namespace soar
