// One flight of a pattern: its parameters, its state, and the step that
// advances it. The equations of motion
//   dV/dt = g Nx,  dZ/dt = V sin gam,  dpsi_deg/dt = psi_dot,
//   dX/dt = -V cos gam cos psi + U,  dY/dt = V cos gam sin psi
// are integrated by four passes of an iterated trapezoidal rule (X and Y by one
// trapezoid), the control laws of the pattern closing the path in each pass.
//
//   Flight flight(params, Mode::upwind);   // the state at t = 0
//   flight.step(0.01);                      // t = 0.01 s
//   Flight own = Flight::commanded(params, Mode::upwind, flight.state());
//   own.command({30.0f, 0.8f});             // bank 30 deg, CL 0.8 (sim/commands.h)
//   own.step(0.01);
#pragma once

#include <functional>

#include "sim/commands.h"
#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/params.h"
#include "sim/turbulence.h"

namespace soar {

// A prescribed path: the state at flight time t (s).
using FlightPath = std::function<FlightState(double t)>;

// Where a flight takes its controls from, chosen when it is set up: the
// pattern's designed schedules, a prescribed path played back (the optimal
// loop), or the commands a pilot gives each step.
enum class Steering { schedules, playback, commands };

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
    // A commanded flight from `start` (its place X, Y, Z, airspeed V, angles
    // gam_deg, psi_deg, mu_deg and lift coefficient CL; the rest is derived),
    // watched as `view` is. It holds the start's bank and lift until the first
    // command. Throws FlightFault when the start gives no state.
    static Flight commanded(const Params& p, Mode view, const FlightState& start,
                            PilotLimits limits = {}) {
        return Flight(p, view, start, limits);
    }

    // The command the next steps fly towards (commanded flights only; the
    // others ignore it). The bank is held to +-bank_max, the lift coefficient
    // to at least CL_min; each step moves bank and CL towards it at no more
    // than the limits' rates.
    void command(const Command& c) { command_ = c; }
    const Command& commanded() const { return command_; }

    // Gusts on top of the mean wind for the steps from now on (commanded
    // flights; a calm Turbulence, the default, takes them away). Each step
    // advances the field along the bird's path; the gust's change over the step
    // acts on the airspeed and the path angles as the wind's change does, and
    // the gust wind carries the bird. FlightState::dE_gust is its energy.
    void set_gusts(const Turbulence& t) { gusts_ = t; }
    const Turbulence& gusts() const { return gusts_; }

    // Advances the flight by `dt` seconds: the flight time becomes t + dt
    // rounded to float, and the state is integrated over the float difference
    // of the two times. A dt of 0 integrates nothing but recomputes the state.
    // Throws FlightFault when the flight leaves the range where its equations
    // hold (a stall among them), SeaContact when the step ends below the sea.
    // After a throw the state is that of the failed step, for the message.
    // A commanded flight also ends by a Stall (CL above CL_max), an Overload
    // (Nz above Nz_max) or a WingTipContact (the lower tip below the sea).
    void step(double dt);

    const FlightState& state() const { return s_; }
    const Params& params() const { return p_; }
    Mode pattern() const { return mode_; }
    Steering steering() const { return steering_; }
    const PilotLimits& limits() const { return limits_; }

  private:
    Flight(const Params& p, Mode view, const FlightState& start, PilotLimits limits);
    void step_commanded(double dt);

    Params p_;
    Mode mode_;
    FlightPath path_;
    FlightState s_;
    Steering steering_ = Steering::schedules;
    Command command_;
    PilotLimits limits_;
    Turbulence gusts_;
};

// Where a commanded flight that begins as `pattern` does starts from: the
// pattern's start place, airspeed, heading and flight-path angle, with the
// wings level at the lift coefficient of level flight (the designed start's
// bank would put the lower wing tip in the sea at the start height).
FlightState pattern_start(const Params& p, Mode pattern);

// The height of the level start, m: well above the sea yet inside the wind
// profile's growing range (below Z_ref, 20 m by default).
inline constexpr float kLevelStartHeight = 12.0f;
// A start that leaves a beginner time to learn the stick: the pattern's start
// place, airspeed and heading, but kLevelStartHeight up on a level path, wings
// level at the lift of level flight. Untouched, the bird glides down from
// there for several seconds before it meets the sea.
FlightState level_start(const Params& p, Mode pattern);

// The angle of attack the lift coefficient of `s` takes (deg), and the
// attitude drawn for it, as the end of each step gives them: for a state that
// no step has given them yet (the start of a flight carries the view's).
void set_own_attitude(FlightState& s, const Params& p);
// The ground velocity of `s` (Xdot_air, Xdot, Ydot) from its airspeed, angles
// and wind, as the step gives it: for a state read back without it.
void set_ground_velocity(FlightState& s);

}  // namespace soar
