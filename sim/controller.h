// A controller flies a commanded Flight: each step it reads the bird's state
// and the wind at the bird and answers with a command (bank and lift).
//
//   LoopTracker pilot(loop, period, p);      // a FlightPath: the loop played back
//   Flight f = Flight::commanded(p, Mode::upwind, loop(0.0));
//   for (...) fly_step(f, pilot, 0.01);
#pragma once

#include <utility>
#include <vector>

#include "sim/commands.h"
#include "sim/flight.h"
#include "sim/flight_state.h"
#include "sim/params.h"
#include "sim/turbulence.h"

namespace soar {

// The wind the bird feels: the mean profile's speed and gradient at its
// height, and the gust on top of it.
struct WindAtBird {
    float U = 0;   // mean wind along +X, m/s
    float Up = 0;  // its gradient dU/dZ, 1/s
    Gust gust;     // m/s
};
inline WindAtBird wind_at_bird(const FlightState& s) {
    return {s.U, s.Up, {s.u_g, s.v_g, s.w_g}};
}

class Controller {
  public:
    virtual ~Controller() = default;
    // The command for the step that starts at state `s`.
    virtual Command command(const FlightState& s, const WindAtBird& wind) = 0;
    // Called when the flight it flies starts again.
    virtual void reset() {}
};

// One step of `f` under `c`: the controller's command, then the step.
inline void fly_step(Flight& f, Controller& c, double dt) {
    f.command(c.command(f.state(), wind_at_bird(f.state())));
    f.step(dt);
}

// Tracks a periodic reference loop (the optimal loop played back) by the
// heading: the loop's place in its cycle is where its heading is the bird's,
// so that the bird climbs and dives where the loop does, into the wind and
// with it, however its speed and place drift. The command is the loop's own
// bank and load factor there, with lift added up across the path as a
// spring and damper on what the bird's height and climb rate miss of the
// loop's, and the bank held to what keeps the lower wing tip above the sea.
// With the gains 0 and no raise it commands the loop's controls at its heading.
class LoopTracker : public Controller {
  public:
    struct Gains {
        double height = 2.0;         // upward acceleration per metre below the loop, 1/s^2
        double climb = 2.0;          // per m/s of climb rate missed, 1/s
        double raise = 0.5;          // the loop flown this much higher, m: room above the sea
        double tip_clearance = 0.3;  // least height of the lower wing tip it banks to, m
    };
    // `period`: the loop's, s; over it the heading turns once.
    LoopTracker(FlightPath reference, double period, const Params& p, Gains gains,
                PilotLimits limits = {});
    LoopTracker(FlightPath reference, double period, const Params& p)
        : LoopTracker(std::move(reference), period, p, Gains{}) {}

    Command command(const FlightState& s, const WindAtBird& wind) override;

    // The loop's time whose heading is the bird's, within [0, period), s.
    double reference_time() const { return t_ref_; }
    // What the bird misses of the loop's height there, m (positive: below it).
    double height_missed() const { return height_missed_; }

  private:
    FlightPath reference_;
    double period_;
    Params p_;
    Gains gains_;
    PilotLimits limits_;
    // The loop's heading over one cycle, from its start, deg (the turn's sign
    // taken out, so that it grows), at evenly spaced times.
    std::vector<double> heading_;
    double psi0_ = 0, turn_ = 1;
    double t_ref_ = 0, height_missed_ = 0;
};

}  // namespace soar
