// Running a sweep's points: here, one at a time, or in worker processes that
// each compute one point at a time (the loop solver cannot run twice in one
// process).
//
// A worker is a fresh process (posix_spawn of a program, never a fork of this
// one), so that it inherits no lock another thread of this process holds: the
// loop solver's lock held by a solve on another thread would otherwise stop
// every forked worker for good. The program is this one ("soarcalculus
// sweep-worker"), or one the caller names (Python starts its interpreter). The
// worker reads the sweep's text and then point numbers on its standard input
// and writes each point's row on its standard output (sweep_worker_main).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/sweep_point.h"

namespace soar {

// The command that starts a worker of this program: {its file, "sweep-worker"}
// when this is the soarcalculus program, else the soarcalculus program beside
// this one's file or a folder up (a test in the build tree); empty when there
// is none.
std::vector<std::string> program_sweep_worker();

// The worker's side: reads the sweep and its points from `tasks`, writes the
// rows to `results`, until `tasks` ends. Returns the exit status (0, or 2 when
// what it reads is not a sweep). Output anyone else writes to standard output
// while it runs goes to standard error instead (it would break the rows).
int sweep_worker_main(int tasks, int results);

// Runs `points` of the sweep, calling `on_row` (on the calling thread) as each
// one is done, in the order they finish. jobs <= 1 computes them here, one at a
// time; more start that many workers with `worker` (program_sweep_worker()
// when empty; here, one at a time, when there is no worker program). `stop`,
// set from anywhere, abandons the points under way: the result is then false.
// A worker that dies gives its point a failed row (failed_sweep_row) and says
// so in `error`; a new worker takes the next points.
bool run_sweep(const SweepPlan& s, const std::vector<long long>& points, int jobs,
               const std::function<void(const SweepRow&)>& on_row, const std::atomic<bool>* stop,
               std::string& error, const std::vector<std::string>& worker = {});

// run_sweep of `points`, but those of `again` (points whose rows failed
// before) first, at `retry_nodes` nodes when it is more than 0 (see
// sweep_at_nodes; their rows marked by mark_nodes), else as the others.
bool run_sweep_retrying(const SweepPlan& s, const std::vector<long long>& points,
                        const std::vector<long long>& again, int retry_nodes, int jobs,
                        const std::function<void(const SweepRow&)>& on_row,
                        const std::atomic<bool>* stop, std::string& error,
                        const std::vector<std::string>& worker = {});

}  // namespace soar
