// Specific energy of the bird (energy per unit weight, in metres of height) and
// its rate of change split by where it comes from.
//
//   E = Z + V^2 / (2 g)        air-relative: V is the airspeed
//   dE/dt = V sin gam + (V/g) dV/dt = V (sin gam + Nx)
// and with Nx = Up_V_g sin gam cos gam cos psi - D_L Nz - sin gam the gravity
// terms cancel, leaving
//   dE/dt = V Up_V_g sin gam cos gam cos psi   (the wind gradient supplies)
//         - V D_L Nz                           (drag takes away)
// so the bird gains energy only while it climbs into the wind (or dives with
// it) through the gradient, and drag always drains it. The gradient is that of
// the wind flown: 0 wherever the wind stands still, beyond the clamp of every
// profile. The exponential profile's equations keep its gradient there
// (sim/wind_profile.h), so there alone the flight's E also changes by
// V Up_V_g sin gam cos gam cos psi: a term of the equations, not a gain from
// the wind, kept apart as dE_held (0 everywhere else). The three parts add up
// to the flight's dE/dt.
#pragma once

#include "sim/flight_state.h"
#include "sim/params.h"

namespace soar {

struct Energy {
    float E = 0;        // specific energy, m
    float E_kin = 0;    // kinetic part V^2/(2g), m
    float E_pot = 0;    // potential part Z, m
    float dE_wind = 0;  // rate supplied by the wind gradient, m/s
    float dE_drag = 0;  // rate taken by drag (never positive for a positive load), m/s
    float dE_held = 0;  // rate of the gradient the equations keep where the wind is held, m/s
};

// From the stored state of a tick (V, Z, gam, psi, Up_V_g, D_L, Nz) and the flight's
// g and wind profile.
Energy energy_of(const FlightState& s, const Params& p);
// dE_held alone, from a recorded row's height Z, airspeed V, flight-path angle
// and heading (deg) and wind gradient Up: energy_of's to the bit.
float held_energy_rate(const Params& p, float Z, float V, float gam_deg, float psi_deg, float Up);

// The kinetic part V^2/(2g), m, of airspeed V (m/s) under gravity g (m/s^2).
inline double kinetic_height(double V, double g) {
    return V * V / (2.0 * g);
}
// E = Z + V^2/(2g), m, in double: the flight's, a sweep's and a loop's.
inline double specific_energy(double Z, double V, double g) {
    return Z + kinetic_height(V, g);
}
// E alone (energy_of(s, p).E to the bit), without the trigonometry of the rates.
inline float specific_energy(const FlightState& s, const Params& p) {
    return float(specific_energy(double(s.Z), double(s.V), double(p.g)));
}

}  // namespace soar
