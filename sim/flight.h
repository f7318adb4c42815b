// One flight of a pattern: its parameters, its state, and the step that
// advances it. The equations of motion
//   dV/dt = g Nx,  dZ/dt = V sin gam,  dpsi_deg/dt = psi_dot,
//   dX/dt = -V cos gam cos psi + U,  dY/dt = V cos gam sin psi
// are integrated by four passes of an iterated trapezoidal rule (X and Y by one
// trapezoid), the control laws of the pattern closing the path in each pass.
//
//   Flight flight(params, Mode::upwind);   // the state at t = 0
//   flight.step(0.01);                      // t = 0.01 s
#pragma once

#include <functional>

#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/params.h"

namespace soar {

// A prescribed path: the state at flight time t (s).
using FlightPath = std::function<FlightState(double t)>;

class Flight {
  public:
    // The start of a flight of `pattern` (not the fixed view): the bird at the
    // pattern's start height Z_start, 25 m/s, heading -90 deg, at the origin,
    // flying the pattern's controls at t = 0, drawn at `attitude` until the
    // first step. Throws FlightFault when the parameters give no start state.
    Flight(const Params& p, Mode pattern, Attitude attitude = {});
    // A flight that follows `path` instead of integrating (a solved loop played
    // back): each step takes the path's state at the new flight time.
    Flight(const Params& p, Mode pattern, FlightPath path);

    // Advances the flight by `dt` seconds: the flight time becomes t + dt
    // rounded to float, and the state is integrated over the float difference
    // of the two times. A dt of 0 integrates nothing but recomputes the state.
    // Throws FlightFault when the flight leaves the range where its equations
    // hold (a stall among them), SeaContact when the step ends below the sea.
    // After a throw the state is that of the failed step, for the message.
    void step(double dt);

    const FlightState& state() const { return s_; }
    const Params& params() const { return p_; }
    Mode pattern() const { return mode_; }

  private:
    Params p_;
    Mode mode_;
    FlightPath path_;
    FlightState s_;
};

// The angle of attack the lift coefficient of `s` takes (deg), and the
// attitude drawn for it, as the end of each step gives them: for a state that
// no step has given them yet (the start of a flight carries the view's).
void set_own_attitude(FlightState& s, const Params& p);
// The ground velocity of `s` (Xdot_air, Xdot, Ydot) from its airspeed, angles
// and wind, as the step gives it: for a state read back without it.
void set_ground_velocity(FlightState& s);

}  // namespace soar
