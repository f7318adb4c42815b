// Parameter sweeps: one question asked at every point of a Cartesian grid of
// parameter values. The questions are those of the commands: the energy-neutral
// wind of a pattern (min-wind), the least-wind loop (optimise), and the summary
// of a flight (fly). Every point is a pure function of the sweep and its
// number, so a sweep split over threads, processes or machines gives the same
// rows as one run, point for point.
//
// A sweep's file is CSV: a first line "# soarcalculus sweep: " and the sweep's
// text (sweep_text), the header, then one row per point done: its number, its
// inputs, its results, the status in words, and the seconds it took. A sweep run
// again with the same file skips the points already in it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "optim/loop_solution.h"
#include "sim/param_set.h"

namespace soar {

enum class SweepWhat { energy_neutral_wind, optimise, fly_summary };
const char* sweep_what_name(SweepWhat what);  // "energy-neutral-wind", ...
std::optional<SweepWhat> sweep_what_named(std::string_view name);

// One axis of the grid: `count` values from `start` to `stop`, evenly spaced,
// both ends included (a count of 1 is `start` alone). The name is a parameter
// (W_S, CD0, ...), one of the loop's own settings (optimise: n_max, ...), or
// glide_ratio: the best glide ratio 1/(2 sqrt(CD0 K_ind)), flown by setting
// CD0 for the point's K_ind.
struct SweepAxis {
    std::string name;
    double start = 0, stop = 0;
    int count = 1;
    double value(int i) const;
};
// "W_S=100:200:5" (the command line's --over); nothing and `error` set when
// the text is not of that form.
std::optional<SweepAxis> sweep_axis_from_text(std::string_view text, std::string& error);

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
std::mutex& loop_solver_lock();

struct SweepPlan {
    SweepWhat what = SweepWhat::energy_neutral_wind;
    std::vector<SweepAxis> axes;                // the first varies slowest, the last fastest
    ParamSet base;                              // every point starts from these
    std::string preset = "design-albatross";    // the loop's bounds (optimise)
    Mode pattern = Mode::upwind;                // energy-neutral-wind, fly-summary
    int cycles = 10;                            // energy-neutral-wind: the window, cycles
    double dt = 0.01;                           // energy-neutral-wind and fly-summary: the step, s
    long long ticks = 0;                        // fly-summary: ticks flown
    std::optional<optim::WindProfile> profile;  // optimise
    int nodes = 50;                             // optimise
    std::vector<std::pair<std::string, double>> loop_settings;  // optimise
};

inline constexpr long long kMaxSweepPoints = 1'000'000;

long long sweep_size(const SweepPlan& s);
// The axis values of point `point` (0 to sweep_size - 1), one per axis.
std::vector<double> sweep_inputs(const SweepPlan& s, long long point);
// "" when every point of the sweep can be computed, else why not: an unknown
// name, a value out of its range at some point (the command line's message).
std::string sweep_error(const SweepPlan& s);
// The results' column names of a kind of sweep (between the inputs and the
// status).
const std::vector<std::string>& sweep_result_columns(SweepWhat what);
// The header line: point, the axes, the results, status, seconds.
std::string sweep_header(const SweepPlan& s);

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

// The sweep as one line of text (the file's first line after its "#" prefix,
// and what is sent to other machines), and back: nothing with `error` set when
// the text is not a sweep's.
std::string sweep_text(const SweepPlan& s);
std::optional<SweepPlan> sweep_from_text(std::string_view text, std::string& error);

// A row as its line of the file (with the newline), and back.
std::string sweep_row_text(const SweepRow& r);
std::optional<SweepRow> sweep_row_from_text(const SweepPlan& s, std::string_view line,
                                            std::string& error);

// A sweep's file: its sweep and the rows it holds, by point.
struct SweepFile {
    SweepPlan plan;
    std::string text;  // sweep_text(plan) as the file has it
    std::vector<SweepRow> rows;
};
// Nothing with `error` ("FILE:LINE: ...") when the file cannot be read or is
// not a sweep's file. A row whose inputs are not its point's is an error.
std::optional<SweepFile> read_sweep_file(const std::string& path, std::string& error);
// The whole file: the rows sorted by point, a point given twice kept once.
std::string sweep_file_text(const SweepPlan& s, std::vector<SweepRow> rows);

// Runs `points` of the sweep, calling `on_row` (on the calling thread) as each
// one is done, in the order they finish. jobs <= 1 computes them here, one at a
// time; more start that many worker processes, each computing one point at a
// time (the loop solver cannot run twice in one process). `stop`, set from
// anywhere, abandons the points under way: the result is then false. A worker
// that dies leaves its point out and says so in `error` (the others go on).
bool run_sweep(const SweepPlan& s, const std::vector<long long>& points, int jobs,
               const std::function<void(const SweepRow&)>& on_row, const std::atomic<bool>* stop,
               std::string& error);

}  // namespace soar
