// A solved loop read at any flight time: the loop is periodic, so time t and
// t + period give the same place, speed and angles, with the heading one whole
// turn further on (it stays continuous over the cycles).
#pragma once

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"

namespace soar::optim {

struct LoopPoint {
    double t = 0;     // flight time, s (any value, also negative)
    LoopState x{};    // X, Y, Z (m), V (m/s), gamma, psi (rad; psi with the whole turns flown)
    LoopControl u{};  // CL (-), bank (rad)
    double U = 0;     // wind at the bird, m/s
    double Up = 0;    // wind gradient dU/dZ there, 1/s
    double n = 0;     // load factor L/W, -
    double CD = 0;    // drag coefficient, -
};

// The loop at flight time t: states by the segment's cubic, controls by its
// quadratic, the time taken modulo the period.
LoopPoint loop_point(const LoopProblem& p, const LoopSolution& s, double t);

}  // namespace soar::optim
