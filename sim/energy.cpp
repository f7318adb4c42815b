#include "sim/energy.h"

#include <cmath>

namespace soar {

Energy energy_of(const FlightState& s, const Params& p) {
    Energy e;
    const double V = s.V, g = p.g;
    e.E_kin = float(kinetic_height(V, g));
    e.E_pot = s.Z;
    e.E = specific_energy(s, p);
    const double gam = s.gam(), psi = s.psi();
    e.dE_wind = float(V * double(s.Up_V_g) * std::sin(gam) * std::cos(gam) * std::cos(psi));
    e.dE_drag = float(-V * double(s.D_L) * double(s.Nz));
    return e;
}

}  // namespace soar
