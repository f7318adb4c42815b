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

// The best glide ratio of the polar CD0 + K CL^2, 1 / (2 sqrt(CD0 K)), and
// the zero-lift drag that gives the polar with the same K the glide ratio `ld`.
double glide_ratio(const LoopProblem& p);
double zero_lift_drag_for(const LoopProblem& p, double ld);

// Continuation in glide ratio: `from` is a loop solved for p with the glide
// ratio `from_ld`; the glide ratio is lowered to p's in steps, each solve
// starting from the last loop found. A failed step is halved, down to a
// quarter; the step grows again after a success. When the steps stall the
// result is not converged, and its status names the lowest glide ratio
// reached and its wind.
LoopSolution continue_in_glide_ratio(const LoopProblem& p, const LoopSolution& from, double from_ld,
                                     const SolveOptions& options, const ProgressFn& progress = {},
                                     const std::atomic<bool>* cancel = nullptr);

// Glide ratios below kContinuationBelow are also reached by continuation from
// the same bird with the glide ratio kContinuationStart (whose loop the circle
// finds); so is any below kContinuationStart - 1 that the circle does not solve.
inline constexpr double kContinuationBelow = 23.0;
inline constexpr double kContinuationStart = 30.0;

// The least-wind loop: solved from the starting circle and, for a glide ratio
// below kContinuationBelow or when that solve fails, by continuation from
// kContinuationStart; of two loops found, the one with the lower wind (the
// problem has more than one local least wind for poor gliders). The route
// says which. With both routes to go, the circle's solve stops at 1000
// iterations: one that needs more has lost its way.
LoopSolution solve_least_wind_loop(const LoopProblem& p, const SolveOptions& options,
                                   const ProgressFn& progress = {},
                                   const std::atomic<bool>* cancel = nullptr);

// The starting loop: a circle flown at the guess bank and lift coefficient,
// rising and falling once (lowest at the start), heading from -90 deg on.
LoopSolution circle_guess(const LoopProblem& p, int nodes);

}  // namespace soar::optim
