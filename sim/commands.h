// Commanded flight: a pilot (a person at the keys, a controller, a recorded
// sequence) gives the bird its bank angle and its lift, each step, instead of
// a designed schedule. The bird answers within what it can do: the bank and
// the lift coefficient move towards the command at limited rates, and a
// command that asks for more than the wing gives ends the flight.
//
//   Flight f = Flight::commanded(p, Mode::upwind, pattern_start(p, Mode::upwind));
//   f.command({30.0f, 0.8f});                       // bank 30 deg, CL 0.8
//   f.step(0.01);
#pragma once

#include "sim/fault.h"

namespace soar {

// What the lift command gives: the lift coefficient itself, or the load
// factor (lift over weight), turned into the lift coefficient it needs at the
// airspeed of the start of each step.
enum class LiftCommand { lift_coefficient = 0, load_factor = 1 };

struct Command {
    float mu_deg = 0;  // bank angle, deg, right wing down positive
    float lift = 0;    // CL (-) or Nz (-), as `kind` says
    LiftCommand kind = LiftCommand::lift_coefficient;
    friend bool operator==(const Command&, const Command&) = default;
};

// A command and the flight time from which it holds, s.
struct TimedCommand {
    float t = 0;
    Command command;
    friend bool operator==(const TimedCommand&, const TimedCommand&) = default;
};

// What the bird can do. The defaults are a wandering albatross's (span about
// 3.4 m) with the optimal loop's bounds.
struct PilotLimits {
    float bank_max = 85.0f;       // |bank| a command may ask, deg (commands beyond are held to it)
    float bank_rate_max = 90.0f;  // fastest roll, deg/s
    float CL_rate_max = 3.0f;     // fastest change of the lift coefficient, 1/s
    float CL_min = 0.0f;          // least lift coefficient a command may ask, - (held to it)
    float CL_max = 1.5f;          // stall: above it the wing gives no more lift, -
    float Nz_max = 5.0f;          // load factor the wing and body bear, -
    float half_span = 1.7f;  // wing tip to body centre, m: the tip hangs half_span |sin mu| lower
    friend bool operator==(const PilotLimits&, const PilotLimits&) = default;
};

// The faults a command can cause. Each ends the flight; what() says why.
class Stall : public FlightFault {
  public:
    using FlightFault::FlightFault;
};
class Overload : public FlightFault {
  public:
    using FlightFault::FlightFault;
};
class WingTipContact : public FlightFault {
  public:
    using FlightFault::FlightFault;
};

}  // namespace soar
