// A loop solved on a worker thread while a window polls it: the Optimal loop
// dialog and the Fly it yourself panel's ghost both solve this way.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "optim/loop_solver.h"
#include "sim/params.h"

namespace soar {

// What the solver's thread and the window share.
struct LoopSolveJob {
    optim::LoopProblem problem;
    std::string key;  // the loop cache's key of the problem
    Params flight;    // the parameters the loop is solved for
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::mutex m;
    optim::SolveProgress last;   // under m
    bool started = false;        // under m: a first iteration arrived
    optim::LoopSolution result;  // written before done
};

// Solves job.problem (on the calling thread, meant to be a worker's): one solve
// at a time in the program, since the linear solver is not safe twice at once,
// so it waits for another unless cancelled. Progress goes to job.last; the
// answer, or the failure as an unconverged result, to job.result, then done.
void solve_loop_job(LoopSolveJob& job, const optim::SolveOptions& options);

}  // namespace soar
