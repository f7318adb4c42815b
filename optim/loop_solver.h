// Solves the least-wind periodic loop by Hermite-Simpson collocation with
// Ipopt: exact first derivatives by automatic differentiation, a
// limited-memory approximation of the Hessian.
#pragma once

#include <atomic>
#include <functional>

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"

namespace soar::optim {

struct SolveOptions {
    int nodes = 50;     // mesh nodes, at least 5
    double tol = 1e-7;  // Ipopt's convergence tolerance (scaled problem)
    int max_iterations = 3000;
    // A solved loop to start from (any mesh); nullptr starts from a circle.
    const LoopSolution* start = nullptr;
};

struct SolveProgress {
    int iteration = 0;
    double wind = 0;           // current wind scale
    double infeasibility = 0;  // largest constraint violation, scaled
    double seconds = 0;        // since the solve began
};

// Called once per solver iteration; returning false stops the solve.
using ProgressFn = std::function<bool(const SolveProgress&)>;

// Never throws for a loop that does not exist: the solution then carries
// converged = false and the solver's status. `cancel`, when set to true from
// any thread, stops the solve at its next iteration.
LoopSolution solve_loop(const LoopProblem& p, const SolveOptions& options,
                        const ProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr);

// The starting loop: a circle flown at the guess bank and lift coefficient,
// rising and falling once (lowest at the start), heading from -90 deg on.
LoopSolution circle_guess(const LoopProblem& p, int nodes);

}  // namespace soar::optim
