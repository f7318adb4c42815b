// A solved loop on its mesh, and what can be read from it between the nodes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "optim/loop_dynamics.h"
#include "optim/loop_problem.h"

namespace soar::optim {

using LoopState = std::array<double, kStates>;      // X, Y, Z (m), V (m/s), gamma, psi (rad)
using LoopControl = std::array<double, kControls>;  // CL (-), bank (rad)

// A bound of the loop that holds at the solution, and what it costs: the rate
// at which the least wind would change if the bound moved (from the solver's
// multipliers, first order), in the wind scale's unit per the bound's unit.
struct ActiveLimit {
    std::string name;   // "n_max", "tip_min", "CL_max", ... (the --set names)
    std::string unit;   // the bound's unit: "-", "m", "deg", "s"
    int points = 0;     // nodes and midpoints where it holds
    double value = 0;   // the bound, in its unit
    double d_wind = 0;  // d(least wind)/d(bound): negative where loosening it lowers the wind
    // (bound / wind) d(wind)/d(bound): the relative change, comparable across bounds.
    double relative = 0;
};

struct LoopSolution {
    bool converged = false;
    std::string status;  // the solver's word on how it ended
    std::string route;   // how the loop was reached, when not straight from the circle
    int iterations = 0;
    double seconds = 0;        // wall-clock solve time, s
    double max_violation = 0;  // largest constraint violation at the end, in scaled units

    double wind = 0;              // least wind scale (unit: wind_unit(profile))
    double period = 0;            // s
    double energy_per_cycle = 0;  // drag work per unit mass over one loop, J/kg
    // The solved controls flown by a fine Runge-Kutta integration from the
    // first node: how far they end from the last node, over the loop's size
    // (place) and over the airspeed (speed).
    double closure_place = 0, closure_speed = 0;
    // The bounds that hold at the solution, the costliest first.
    std::vector<ActiveLimit> active_limits;

    // Hermite-Simpson mesh: N nodes, equally spaced in time from 0 to period;
    // controls at the nodes and at the N - 1 segment midpoints.
    std::vector<double> t;
    std::vector<LoopState> x;
    std::vector<LoopControl> u;
    std::vector<LoopControl> u_mid;
};

// The controls at time t (0 <= t <= period): the quadratic through a
// segment's two node values and its midpoint value.
LoopControl control_at(const LoopSolution& s, double t);
// The state at time t: the cubic through a segment's end states and rates.
LoopState state_at(const LoopProblem& p, const LoopSolution& s, double t);
// Energy height Z + V^2/(2g) (m), air-relative.
double energy_height(const LoopProblem& p, const LoopState& x);

// Flies the solved controls from the first node to time t_end (at most one
// period) in `steps` fourth-order Runge-Kutta steps and returns the state there.
LoopState fly_controls(const LoopProblem& p, const LoopSolution& s, double t_end, int steps);
// The same flight over the whole period, `substeps` steps per half segment:
// the flown state at every node and segment midpoint (2 N - 1 states, the
// first the first node's).
std::vector<LoopState> fly_controls_path(const LoopProblem& p, const LoopSolution& s, int substeps);

}  // namespace soar::optim
