// Equations of motion of the point-mass bird and their integration over the
// measured clock time between two ticks:
//   dV/dt = g Nx,  dZ/dt = V sin gam,  dpsi_deg/dt = psi_dot,
//   dX/dt = -V cos gam cos psi + U,  dY/dt = V cos gam sin psi,
// by four passes of an iterated trapezoidal rule (X and Y by one trapezoid).
#pragma once

#include "sim/params.h"
#include "sim/state.h"
#include "sim/trig.h"

namespace soar {

// Tick 1 of a flight: start airspeed and heading, the controls of the pattern and
// the ground velocity of the start state. Integrates nothing.
void first_tick(State& s, const Params& p, Mode mode);

// Every later tick: t = clock - t_start, and the state advanced by dt = t - t_old.
// `clock` is the clock reading of this tick in seconds since midnight.
// Throws FlightFault when the flight leaves its valid range.
void integration_step(State& s, const Params& p, Mode mode, float clock);

// Notes the clock at FLY: the flight time counts from here.
void start_clock(State& s, float clock);

// The control laws. `trig` carries the sines and cosines of the current angles.
void law_A_bank(State& s, const Params& p,
                FlightTrig& trig);  // bank from heading and path-angle rates
void law_B_heading_rate(State& s, const Params& p,
                        FlightTrig& trig);            // heading rate from bank (upwind)
void law_C_radius(State& s, const Params& p);         // turn radius from heading
void law_C_heading_rate(State& s, FlightTrig& trig);  // heading rate from turn radius
void law_D_path_angle(State& s, const Params& p);     // path angle and its slope from heading

}  // namespace soar
