// A flight you fly yourself, as the session keeps it: what the bird can do
// (its limits), the gusts it flies in, the arrow keys held now, and, while
// such a flight is the one on the screen, the stick the keys move, the view it
// is watched in, the state it started from and the commands given so far. It
// starts from the selected pattern's level start (sim/flight.h: its place,
// airspeed and heading, 12 m up on a level path, wings level), which leaves
// time to take the stick before the sea comes near; the session integrates the flight it gives and,
// before every step, asks it for the command the stick gives by then. The keys, the gusts and the
// limits outlast a flight; the stick and its commands go with it.
#pragma once

#include <optional>
#include <vector>

#include "app/pilot.h"
#include "sim/flight.h"
#include "sim/mode.h"
#include "sim/param_set.h"

namespace soar {

class PilotedFlight {
  public:
    // Takes the stick for a flight from the start of `selected` (the upwind
    // pattern's when the fixed view or the profile demo is selected) with the
    // parameters of `params` for it; the keys count as released. Throws
    // FlightFault, and changes nothing, when those parameters give no start.
    void take_off(Mode selected, const ParamSet& params);
    // Another flight took the screen: no stick until the next take-off.
    void leave() { stick_.reset(); }
    // Whether the flight on the screen is flown by you.
    bool on() const { return stick_.has_value(); }

    // The view it is watched in and the parameters it flies with.
    Mode view() const { return view_; }
    const Params& params() const { return params_; }
    // The flight to integrate with `p`: from the start, in the gusts, towards
    // the stick's command. No command is given yet.
    Flight flight(const Params& p);
    // The stick moved as the keys held for `dt` seconds move it from flight
    // time `t` (s), and the command it gives then, kept as given at `t`.
    Command steer(double dt, float t);
    // The commands given, one a step at the flight time of the step's start,
    // then the stick at flight time `t_now` (s).
    std::vector<TimedCommand> commands_given(float t_now) const;

    // Gusts for the flights from the next one on (calm: none).
    void set_gusts(const Turbulence& gusts) { gusts_ = gusts; }
    const Turbulence& gusts() const { return gusts_; }
    void set_keys(const PilotKeys& keys) { keys_ = keys; }
    const PilotKeys& keys() const { return keys_; }
    const PilotLimits& limits() const { return limits_; }
    // Where the stick stands (while on()).
    const Stick& stick() const { return *stick_; }
    // The state the flight started from.
    const FlightState& start() const { return start_; }

  private:
    std::optional<Stick> stick_;
    PilotKeys keys_;
    Turbulence gusts_;
    std::vector<TimedCommand> commands_given_;
    PilotLimits limits_;
    Mode view_ = Mode::upwind;
    Params params_;
    FlightState start_;
};

}  // namespace soar
