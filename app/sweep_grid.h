// A sweep's grid: the question asked, the axes of parameter values, and the
// Cartesian product of their values numbered point by point.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "optim/loop_problem.h"
#include "sim/param_set.h"

namespace soar {

// The pieces of a text between its separators (an empty text is one empty piece).
std::vector<std::string_view> split_at(std::string_view text, char separator);

// track: the least-wind loop (posed as for optimise) flown by the loop
// tracker (sim/controller.h) in a wind some factor above the loop's least,
// in gusts; the energy it gained and how long it stayed aloft.
enum class SweepWhat { energy_neutral_wind, optimise, fly_summary, track };
const char* sweep_what_name(SweepWhat what);  // "energy-neutral-wind", ...
std::optional<SweepWhat> sweep_what_named(std::string_view name);

// One axis of the grid: `count` values from `start` to `stop`, evenly spaced,
// both ends included (a count of 1 is `start` alone), or the values listed
// (then `count` is their number). The name is a parameter (W_S, CD0, ...), one
// of the loop's own settings (optimise: n_max, ...), glide_ratio: the best
// glide ratio 1/(2 sqrt(CD0 K_ind)), flown by setting CD0 for the point's
// K_ind, or wing_loading: the bird's weight over its wing area, N/m^2, flown by
// setting W_S (the loading is W_S x 16/3.5^2, the reference bird's mass over
// its span squared). A track sweep also takes sigma_w (the gusts, m/s),
// seed (the gusts' seed, a whole number) and wind_factor (the wind flown over
// the loop's least).
struct SweepAxis {
    std::string name;
    double start = 0, stop = 0;
    int count = 1;
    std::vector<double> values;  // the values listed, else empty

    SweepAxis() = default;
    SweepAxis(std::string name_, double start_, double stop_, int count_)
        : name(std::move(name_)), start(start_), stop(stop_), count(count_) {}
    // The values listed (at least one).
    SweepAxis(std::string name_, std::vector<double> values_)
        : name(std::move(name_)),
          start(values_.empty() ? 0.0 : values_.front()),
          stop(values_.empty() ? 0.0 : values_.back()),
          count(int(values_.size())),
          values(std::move(values_)) {}
    double value(int i) const;
};
// "W_S=100:200:5" or "W_S=90,100,140" (the command line's --over); nothing
// and `error` set when the text is neither.
std::optional<SweepAxis> sweep_axis_from_text(std::string_view text, std::string& error);
// The axis as --over takes it after NAME=: "100:200:5" or "90,100,140".
std::string sweep_axis_values_text(const SweepAxis& a);

struct SweepPlan {
    SweepWhat what = SweepWhat::energy_neutral_wind;
    std::vector<SweepAxis> axes;                // the first varies slowest, the last fastest
    ParamSet base;                              // every point starts from these
    std::string preset = "design-albatross";    // the loop's bounds (optimise)
    Mode pattern = Mode::upwind;                // energy-neutral-wind, fly-summary
    int cycles = 10;                            // energy-neutral-wind: the window, cycles
    double dt = 0.01;                           // all but optimise: the step, s
    long long ticks = 0;                        // fly-summary: ticks flown
    std::optional<optim::WindProfile> profile;  // optimise
    int nodes = 50;                             // optimise, track
    std::vector<std::pair<std::string, double>> loop_settings;  // optimise, track
    double seconds = 600;                                       // track: the longest flight, s
    double wind_factor = 1.4;  // track: the wind flown over the loop's least, -
    double sigma_w = 0;        // track: the gusts' intensity, m/s (0 calm)
    long long seed = 0;        // track: the gusts' seed
};

inline constexpr long long kMaxSweepPoints = 1'000'000;
inline constexpr int kMaxAxisValues = 1'000'000;

long long sweep_size(const SweepPlan& s);
// The axis values of point `point` (0 to sweep_size - 1), one per axis.
std::vector<double> sweep_inputs(const SweepPlan& s, long long point);
// The results' column names of a kind of sweep (between the inputs and the
// status), and their units ("-" for a pure number or a count, "0/1" for yes
// or no).
const std::vector<std::string>& sweep_result_columns(SweepWhat what);
const std::vector<std::string>& sweep_result_units(SweepWhat what);
// The header line: point, the axes, the results, status, seconds.
std::string sweep_header(const SweepPlan& s);

}  // namespace soar
