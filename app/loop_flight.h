// The optimal loop flown in the window: each tick puts the bird where the
// solved loop is at the tick's flight time (the loop repeats for as long as the
// flight runs), with the attitude the flight model gives a bird at that bank,
// flight-path angle, heading and lift coefficient. The picture is drawn as in
// the moving views, with the wind figure of the loop's least wind.
#pragma once

#include <string>

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"
#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/param_set.h"
#include "sim/params.h"

namespace soar {

struct LoopFlight {
    optim::LoopProblem problem;
    optim::LoopSolution solution;
    // The flight's parameters with the wind scale set to the loop's least wind
    // and the cycle period to the loop's: the wind figure, the energy and the
    // cycle table read them.
    Params params;
};

// The loop is watched as the upwind view watches its pattern: the observer
// follows the bird, and the wind figure stands beside the loop.
inline constexpr Mode kLoopView = Mode::upwind;

// A loop solved in the exponential profile for `flight` (whose wind it keeps
// apart from the reference wind).
LoopFlight make_loop_flight(const Params& flight, const optim::LoopProblem& problem,
                            const optim::LoopSolution& solution);

// The loop's state at flight time t (s) in the flight model's variables: place,
// airspeed, angles, CL, CD, Nz, angle of attack, wind, ground velocity and the
// bird's drawn attitude.
FlightState loop_state_at(const LoopFlight& f, double t);

// What flies, as the parameters' legend names it: the loop at its own least
// wind, and where the rest of its parameters differ from the defaults, the
// user's set `chosen` they came from (its upwind wind and period aside).
std::string loop_flight_label(const LoopFlight& f, const ParamSet& chosen);

}  // namespace soar
