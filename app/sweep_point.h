// One point of a sweep: the parameters and the loop it poses, whether every
// point of a grid can be computed, and the computation itself (the question
// of min-wind, optimise or a fly summary at that point).
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/sweep_grid.h"
#include "optim/loop_solution.h"

namespace soar {

// A least-wind loop as `optimise` poses it: the flight's parameters, the
// preset that names its bounds (zhao-glider, sachs-2005-albatross, or the
// albatross's), the profile (else the preset's), the loop's own settings.
struct LoopRequest {
    ParamSet params;
    std::string preset = "design-albatross";
    std::optional<optim::WindProfile> profile;
    std::vector<std::pair<std::string, double>> settings;  // CL_min, ..., travel, in order
    int nodes = 50;
};
// The problem, or nothing with `error` saying what is wrong (the command
// line's words).
std::optional<optim::LoopProblem> loop_problem_of(const LoopRequest& r, std::string& error);
// The wind at 10 m height of the loop's profile at scale w, m/s (1/s x 10 m
// for the linear profile).
double loop_wind_at_10m(const optim::LoopProblem& p, double w);
// Ipopt's linear solver (MUMPS) is not safe to run twice at once in one
// process: every solve of this program outside the window takes this lock.
// A sweep's worker processes are started afresh (never forked), so that none
// of them inherits this lock held by another thread.
std::mutex& loop_solver_lock();

// "" when every point of the sweep can be computed, else why not: an unknown
// name, a value out of its range at some point (the command line's message).
std::string sweep_error(const SweepPlan& s);

// The unit of an axis of the grid (its parameter's, "-" for the glide ratio,
// N/m^2 for the wing loading, the loop setting's).
std::string sweep_axis_unit(const std::string& name);

// The parameters a point flies with, and the loop it poses (optimise).
ParamSet sweep_point_params(const SweepPlan& s, const std::vector<double>& inputs);
LoopRequest sweep_point_loop(const SweepPlan& s, const std::vector<double>& inputs);

struct SweepRow {
    long long point = -1;
    std::vector<double> inputs;
    std::vector<double> results;  // NaN where there is none (no loop: no wind)
    std::string status;           // "found", the solver's word, why a flight ended
    double seconds = 0;
};

// Computes one point. Nothing when `cancel` was set before it was done.
std::optional<SweepRow> sweep_point(const SweepPlan& s, long long point,
                                    const std::atomic<bool>* cancel = nullptr);

// A point that has no answer: its computation failed ("error: ...", a worker
// lost during it: "failed: ...") or, for optimise, the solver found no loop.
// Its row is kept with the reason, and a run of the same sweep computes it
// again. (No energy-neutral wind up to twice the reference wind, or a flight
// that stalls, is an answer.)
bool sweep_row_failed(const SweepPlan& s, const SweepRow& r);
// The row of a point that failed for `why` (results all NaN).
SweepRow failed_sweep_row(const SweepPlan& s, long long point, const std::string& why);

// Points whose loop was not found at the sweep's mesh may be solved again on
// a finer one: the sweep (its file, its text) stays the same, those points'
// rows say at how many nodes they were found. "" when `nodes` can be used for
// the sweep `s` (an optimise sweep, 5 to 2000 nodes, more than its own), else
// why not.
std::string retry_nodes_error(const SweepPlan& s, int nodes);
// The sweep with its loops solved at `nodes` collocation nodes.
SweepPlan sweep_at_nodes(const SweepPlan& s, int nodes);
// A row computed by sweep_at_nodes(s, nodes) as a row of `s`: its status
// names the nodes.
void mark_nodes(SweepRow& r, int nodes);

}  // namespace soar
