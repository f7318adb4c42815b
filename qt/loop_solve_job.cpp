#include "qt/loop_solve_job.h"

#include <chrono>
#include <exception>
#include <thread>

#include "app/sweep_point.h"

namespace soar {

void solve_loop_job(LoopSolveJob& job, const optim::SolveOptions& options) {
    optim::LoopSolution s;
    try {
        std::unique_lock<std::mutex> one(loop_solver_lock(), std::defer_lock);
        while (!one.try_lock() && !job.cancel)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (one.owns_lock())
            s = optim::solve_loop(
                job.problem, options,
                [&job](const optim::SolveProgress& q) {
                    const std::lock_guard<std::mutex> lock(job.m);
                    job.last = q;
                    job.started = true;
                    return true;
                },
                &job.cancel);
    } catch (const std::exception& e) {
        s.converged = false;
        s.status = std::string("internal error: ") + e.what();
    }
    job.result = std::move(s);
    job.done = true;
}

}  // namespace soar
