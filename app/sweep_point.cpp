#include "app/sweep_point.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "app/loop_flight.h"
#include "app/loop_params.h"
#include "app/session.h"
#include "app/stepped_flight.h"
#include "optim/loop_solver.h"
#include "platform/number_text.h"
#include "sim/controller.h"
#include "sim/cycles.h"
#include "sim/energy.h"
#include "sim/min_wind.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// How a track point's status begins when the solver found no loop to fly.
constexpr const char* kNoLoop = "no loop: ";

bool is_loop_setting(const std::string& name) {
    optim::LoopProblem probe;
    return set_loop_setting(probe, name, 0.0);
}

// Whether the points solve the least-wind loop (optimise; track flies it).
bool poses_loop(const SweepPlan& s) {
    return s.what == SweepWhat::optimise || s.what == SweepWhat::track;
}

Mode flight_mode(const SweepPlan& s) {
    return poses_loop(s) ? Mode::upwind : s.pattern;
}

// The axes a track sweep takes besides the parameters and the loop's settings.
bool is_track_axis(const std::string& name) {
    return name == "sigma_w" || name == "seed" || name == "wind_factor";
}

// The largest seed an axis can give exactly (its values are doubles).
constexpr double kMaxAxisSeed = 9007199254740992.0;  // 2^53

// Why a track sweep's `name` cannot be `v`, or "".
std::string track_value_error(const std::string& name, double v) {
    if (name == "sigma_w" && !(v >= 0.0 && v <= 20.0))
        return "sigma_w (the gusts) must be from 0 to 20 m/s";
    if (name == "seed" && !(v >= 0.0 && v <= kMaxAxisSeed && v == std::floor(v)))
        return "seed must be a whole number from 0 to 9007199254740992";
    if (name == "wind_factor" && !(v >= 0.5 && v <= 10.0))
        return "wind_factor (the wind over the loop's least) must be from 0.5 to 10";
    return "";
}

double since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// W_S for a wing loading, N/m^2: the lift coefficient reads the loading as
// W_S 16/3.5^2.
float w_s_of_wing_loading(double loading) {
    return float(loading * (3.5 * 3.5) / 16.0);
}

}  // namespace

std::mutex& loop_solver_lock() {
    static std::mutex lock;
    return lock;
}

std::optional<optim::LoopProblem> loop_problem_of(const LoopRequest& r, std::string& error) {
    // "albatross" is the older name of the default bird.
    const std::string preset = r.preset == "albatross" ? "design-albatross" : r.preset;
    if (!preset.empty() && !preset_set(preset)) {
        error = "unknown preset \"" + preset + "\" (presets: " + preset_names() + ")";
        return std::nullopt;
    }
    const LoopBounds bounds = loop_bounds_of(preset);
    // The flight's own profile (the parameters' "profile"), or the one named.
    optim::WindProfile profile = optim::WindProfile::exponential;
    const ParamSet preset_params = *preset_set(preset.empty() ? "design-albatross" : preset);
    error = loop_profile(r.params.upwind, preset_params.upwind, r.profile, profile);
    if (!error.empty()) return std::nullopt;
    optim::LoopProblem p = loop_problem_for(r.params.upwind, profile, bounds);
    // A heading makes the loop travel, whichever of the two is set first.
    bool held = false, heading = false;
    for (const auto& [name, value] : r.settings) {
        if (name == "travel") held = value == 0.0;
        if (name == "travel_heading") heading = true;
    }
    if (held && heading) {
        error = "travel_heading is the heading of a travelling loop: not with travel=0";
        return std::nullopt;
    }
    for (const auto& [name, value] : r.settings) {
        if (name == "travel" && value != 0.0 && value != 1.0) {
            error =
                "--set travel takes 0 (the loop returns to its start over the ground) or 1 (it "
                "may travel)";
            return std::nullopt;
        }
        if (!std::isfinite(value) || !set_loop_setting(p, name, value)) {
            error = "\"" + name + "\" is not one of the loop's settings (" + loop_setting_names() +
                    ") or not a finite number";
            return std::nullopt;
        }
    }
    error = loop_problem_error(p);
    if (error.empty() && (r.nodes < 5 || r.nodes > 2000))
        error = "--nodes must be between 5 and 2000";
    if (!error.empty()) return std::nullopt;
    return p;
}

double loop_wind_at_10m(const optim::LoopProblem& p, double w) {
    double U = 0, Up = 0;
    optim::wind_at(p, 10.0, w, U, Up);
    return U;
}

std::string sweep_axis_unit(const std::string& name) {
    if (name == "glide_ratio") return "-";
    if (name == "wing_loading") return "N/m^2";
    if (const ParamField* f = param_field(name)) return f->unit;
    return loop_setting_unit(name);
}

ParamSet sweep_point_params(const SweepPlan& s, const std::vector<double>& inputs) {
    ParamSet set = s.base;
    const Mode mode = flight_mode(s);
    std::optional<double> ld;
    for (size_t i = 0; i < s.axes.size(); ++i) {
        if (s.axes[i].name == "glide_ratio") ld = inputs[i];
        if (s.axes[i].name == "wing_loading")
            set_param(set, mode, *param_field("W_S"), w_s_of_wing_loading(inputs[i]));
        if (const ParamField* f = param_field(s.axes[i].name))
            set_param(set, mode, *f, float(inputs[i]));
    }
    // The glide ratio last: its CD0 is that of the point's own K_ind.
    if (ld) {
        const double K = double(set.of(mode).K_ind);
        set_param(set, mode, *param_field("CD0"), float(1.0 / (4.0 * K * *ld * *ld)));
    }
    return set;
}

LoopRequest sweep_point_loop(const SweepPlan& s, const std::vector<double>& inputs) {
    LoopRequest r;
    r.params = sweep_point_params(s, inputs);
    r.preset = s.preset;
    r.profile = s.profile;
    r.nodes = s.nodes;
    r.settings = s.loop_settings;
    for (size_t i = 0; i < s.axes.size(); ++i)
        if (is_loop_setting(s.axes[i].name)) r.settings.emplace_back(s.axes[i].name, inputs[i]);
    return r;
}

std::string sweep_error(const SweepPlan& s) {
    const Mode mode = flight_mode(s);
    if (!poses_loop(s) && (s.pattern == Mode::fixed)) return "the fixed view flies no pattern";
    if (s.what == SweepWhat::energy_neutral_wind) {
        if (s.cycles < 1 || s.cycles > 1000) return "--cycles must be from 1 to 1000";
        if (!(s.dt >= 0.001 && s.dt <= 0.1)) return "--dt must be from 0.001 to 0.1";
    }
    if (s.what == SweepWhat::fly_summary) {
        if (s.ticks < 1 || s.ticks > 1'000'000'000)
            return "--ticks needs a whole number from 1 to 1000000000 (fly-summary)";
        if (!(s.dt >= 0.000001 && s.dt <= 10.0)) return "--dt needs a number from 0.000001 to 10 s";
    }
    if (s.what == SweepWhat::track) {
        if (!(s.dt >= 0.001 && s.dt <= 0.1)) return "--dt must be from 0.001 to 0.1";
        if (!(s.seconds >= s.dt && s.seconds <= 86400.0))
            return "--seconds must be from the step (--dt) to 86400 s";
        for (const auto& [name, v] : {std::pair<std::string, double>{"sigma_w", s.sigma_w},
                                      {"seed", double(s.seed)},
                                      {"wind_factor", s.wind_factor}})
            if (std::string e = track_value_error(name, v); !e.empty()) return e;
    }
    if (s.preset != "albatross" && !preset_set(s.preset))
        return "unknown preset \"" + s.preset + "\" (presets: " + preset_names() + ")";
    if (sweep_size(s) > kMaxSweepPoints)
        return "the grid has more than " + std::to_string(kMaxSweepPoints) + " points";
    bool glide = false;
    for (size_t i = 0; i < s.axes.size(); ++i) {
        const SweepAxis& a = s.axes[i];
        if (a.count < 1) return "--over " + a.name + ": the count must be at least 1";
        for (size_t j = 0; j < i; ++j)
            if (s.axes[j].name == a.name) return "--over " + a.name + " is given twice";
        const auto each_value = [&](const std::function<bool(double)>& ok) {
            for (int k = 0; k < a.count; ++k)
                if (!ok(a.value(k))) return false;
            return true;
        };
        if (s.what == SweepWhat::track && is_track_axis(a.name)) {
            for (int k = 0; k < a.count; ++k)
                if (std::string e = track_value_error(a.name, a.value(k)); !e.empty())
                    return "--over " + a.name + "=" + sweep_axis_values_text(a) + ": " + e;
            continue;
        }
        if (a.name == "glide_ratio") {
            glide = true;
            if (!each_value([](double v) { return v > 1.0 && v <= 100.0; }))
                return "--over glide_ratio: each glide ratio must be above 1 and at most 100";
            continue;
        }
        if (a.name == "wing_loading") {
            for (const SweepAxis& other : s.axes)
                if (other.name == "W_S")
                    return "--over wing_loading sets W_S: the two are not swept together";
            const ParamField& w_s = *param_field("W_S");
            if (!each_value([&](double v) { return param_in_range(w_s, w_s_of_wing_loading(v)); }))
                return "--over wing_loading=" + sweep_axis_values_text(a) +
                       ": each wing loading must be from " +
                       shortest_float(float(double(w_s.lo) * 16.0 / (3.5 * 3.5))) + " to " +
                       shortest_float(float(double(w_s.hi) * 16.0 / (3.5 * 3.5))) +
                       " N/m^2 (W_S from " + shortest_float(w_s.lo) + " to " +
                       shortest_float(w_s.hi) + ")";
            continue;
        }
        if (const ParamField* f = param_field(a.name)) {
            if (poses_loop(s) && f->group == ParamGroup::pattern)
                return "--over: \"" + a.name +
                       "\" belongs to a pattern's schedule, not to the loop";
            if (!param_used(*f, mode))
                return "--over: \"" + a.name +
                       "\" is not a parameter of this pattern (names: " + param_names(mode) +
                       ", glide_ratio, wing_loading)";
            if (!each_value([f](double v) { return param_in_range(*f, v); }))
                return "--over " + a.name + "=" + sweep_axis_values_text(a) + ": " +
                       param_range_text(*f);
            continue;
        }
        if (poses_loop(s) && is_loop_setting(a.name)) continue;
        return "--over: \"" + a.name + "\" is not a parameter (names: " + param_names(mode) +
               ", glide_ratio, wing_loading" +
               (poses_loop(s) ? ", and the loop's " + loop_setting_names() : "") +
               (s.what == SweepWhat::track ? "; and sigma_w, seed, wind_factor" : "") + ")";
    }
    if (!glide && !poses_loop(s)) return "";
    // Derived values and the loop's problem, point by point.
    for (long long k = 0; k < sweep_size(s); ++k) {
        const std::vector<double> in = sweep_inputs(s, k);
        if (glide) {
            const ParamSet set = sweep_point_params(s, in);
            const Params& p = set.of(mode);
            const ParamField& cd0 = *param_field("CD0");
            if (!(p.K_ind > 0.0f)) return "glide_ratio needs induced drag (K_ind > 0)";
            if (!param_in_range(cd0, double(p.CD0)))
                return "--over glide_ratio: at point " + std::to_string(k) + " " +
                       param_range_text(cd0) + ", not " + shortest_float(p.CD0);
        }
        if (poses_loop(s)) {
            std::string error;
            if (!loop_problem_of(sweep_point_loop(s, in), error))
                return (s.axes.empty() ? "" : "at point " + std::to_string(k) + ": ") + error;
        }
    }
    return "";
}

// ---------------------------------------------------------------- a point

namespace {

void wind_point(const SweepPlan& s, const ParamSet& set, const std::atomic<bool>* cancel,
                SweepRow& row, bool& cancelled) {
    MinWindSearch how;
    how.mode = s.pattern;
    how.cycles = s.cycles;
    how.dt = s.dt;
    how.threads = 1;  // the sweep's points are what run side by side
    const MinWindResult r = min_wind(set.of(s.pattern), how, cancel);
    if (r.cancelled) {
        cancelled = true;
        return;
    }
    const WindTrial& w = r.least;
    row.results = {
        r.found ? 1.0 : 0.0,     r.found ? w.factor : kNaN,   r.found ? double(w.U_ref) : kNaN,
        r.found ? w.U_10 : kNaN, r.found ? w.dE_cycle : kNaN, double(r.crossings.size()),
        double(r.trials.size())};
    row.status = r.found ? "found" : r.message;
}

void loop_point(const SweepPlan& s, const std::vector<double>& inputs,
                const std::atomic<bool>* cancel, SweepRow& row, bool& cancelled) {
    const LoopRequest req = sweep_point_loop(s, inputs);
    std::string error;
    const auto p = loop_problem_of(req, error);
    if (!p) {
        row.results.assign(sweep_result_columns(s.what).size(), kNaN);
        row.status = "error: " + error;
        return;
    }
    optim::SolveOptions options;
    options.nodes = req.nodes;
    optim::LoopSolution sol;
    {
        std::lock_guard lock(loop_solver_lock());
        sol = optim::solve_least_wind_loop(*p, options, {}, cancel);
    }
    if (cancel && cancel->load()) {
        cancelled = true;
        return;
    }
    const bool ok = sol.converged;
    const double drift = ok ? std::hypot(sol.x.back()[optim::kX], sol.x.back()[optim::kY]) : kNaN;
    row.results = {ok ? 1.0 : 0.0,
                   ok ? sol.wind : kNaN,
                   ok ? loop_wind_at_10m(*p, sol.wind) : kNaN,
                   ok ? sol.period : kNaN,
                   ok ? sol.energy_per_cycle : kNaN,
                   drift,
                   double(sol.iterations)};
    row.status = sol.status + (sol.route.empty() ? "" : "; route: " + sol.route);
}

void fly_point(const SweepPlan& s, const ParamSet& set, const std::atomic<bool>* cancel,
               SweepRow& row, bool& cancelled) {
    const Params& p = set.of(s.pattern);
    SteppedFlight flight(p, s.pattern, 0.0);
    CycleTable cycles;
    FlightState last;  // of the last tick completed (a failed step leaves its own)
    long long flown = 0;
    for (long long k = 1; k <= s.ticks; ++k) {
        if ((k & 4095) == 0 && cancel && cancel->load()) {
            cancelled = true;
            return;
        }
        if (!flight.tick(k, s.dt)) break;
        if (k == 1) cycles.start(s.pattern, p);
        cycles.add(flight.state());
        last = flight.state();
        flown = k;
    }
    const bool all = flown == s.ticks;
    double t = kNaN, V = kNaN, Z = kNaN, E = kNaN;
    if (flown > 0) {
        t = double(last.t), V = double(last.V), Z = double(last.Z);
        E = specific_energy(Z, V, double(p.g));
    }
    row.results = {double(flown),
                   all ? 1.0 : 0.0,
                   t,
                   V,
                   Z,
                   E,
                   double(cycles.completed()),
                   cycles.completed() > 0 ? cycles.mean_dE() : kNaN};
    row.status = all ? "all " + std::to_string(s.ticks) + " ticks flown" : flight.fault();
}

// The least-wind loop of `r`, solved once per process for the points that
// pose the same loop (a track sweep over the gusts alone poses one): the
// solver gives the same loop for the same problem, so a point's row does not
// depend on which points its process computed before. Nothing when cancelled.
std::shared_ptr<const LoopFlight> solved_loop(const LoopRequest& r, const optim::LoopProblem& p,
                                              const std::atomic<bool>* cancel) {
    std::string key(reinterpret_cast<const char*>(&r.params.upwind), sizeof(Params));
    key += r.preset + ";" + (r.profile ? optim::profile_name(*r.profile) : "") + ";" +
           std::to_string(r.nodes);
    for (const auto& [name, v] : r.settings) key += ";" + name + "=" + shortest_double(v);
    static std::mutex lock;
    static std::string last_key;
    static std::shared_ptr<const LoopFlight> last;
    {
        std::lock_guard held(lock);
        if (last && key == last_key) return last;
    }
    optim::SolveOptions options;
    options.nodes = r.nodes;
    optim::LoopSolution sol;
    {
        std::lock_guard solving(loop_solver_lock());
        sol = optim::solve_least_wind_loop(p, options, {}, cancel);
    }
    if (cancel && cancel->load()) return nullptr;
    auto loop = std::make_shared<const LoopFlight>(make_loop_flight(r.params.upwind, p, sol));
    std::lock_guard held(lock);
    last_key = key, last = loop;
    return loop;
}

void track_point(const SweepPlan& s, const std::vector<double>& inputs,
                 const std::atomic<bool>* cancel, SweepRow& row, bool& cancelled) {
    row.results.assign(sweep_result_columns(s.what).size(), kNaN);
    const LoopRequest req = sweep_point_loop(s, inputs);
    std::string error;
    const auto problem = loop_problem_of(req, error);
    if (!problem) {
        row.status = "error: " + error;
        return;
    }
    const std::shared_ptr<const LoopFlight> loop = solved_loop(req, *problem, cancel);
    if (!loop) {
        cancelled = true;
        return;
    }
    if (!loop->solution.converged) {
        row.status = kNoLoop + loop->solution.status;
        return;
    }
    double sigma_w = s.sigma_w, factor = s.wind_factor;
    uint64_t seed = uint64_t(s.seed);
    for (size_t i = 0; i < s.axes.size(); ++i) {
        if (s.axes[i].name == "sigma_w") sigma_w = inputs[i];
        if (s.axes[i].name == "seed") seed = uint64_t(inputs[i]);
        if (s.axes[i].name == "wind_factor") factor = inputs[i];
    }
    // The loop flown in `factor` times its least wind, from its own start.
    Params windy = loop->params;
    windy.U_ref = float(factor * double(windy.U_ref));
    const FlightPath path = [loop](double t) { return loop_state_at(*loop, t); };
    Flight flight = Flight::commanded(windy, kLoopView, path(0.0));
    flight.set_gusts(Turbulence(float(sigma_w), seed));
    LoopTracker tracker(path, loop->solution.period, windy);
    const double E_start = double(specific_energy(flight.state(), windy));
    FlightState last = flight.state();  // of the last step completed
    const long long steps = std::llround(s.seconds / s.dt);
    std::string ended;
    for (long long k = 1; k <= steps && ended.empty(); ++k) {
        if ((k & 4095) == 0 && cancel && cancel->load()) {
            cancelled = true;
            return;
        }
        try {
            // A steady clock: step k ends at k dt.
            fly_step(flight, tracker, double(k) * s.dt - double(flight.state().t));
            last = flight.state();
        } catch (const SeaContact&) {
            ended = "the bird touched the sea at t = " + float_text(flight.state().t) + " s";
        } catch (const FlightFault& f) {
            ended = "the flight stopped at t = " + float_text(flight.state().t) + " s: " + f.what();
        }
    }
    row.results = {double(specific_energy(last, windy)) - E_start, double(last.t),
                   ended.empty() ? 0.0 : 1.0, loop->solution.wind, double(windy.U_ref)};
    row.status = ended.empty() ? "aloft for all " + shortest_double(s.seconds) + " s" : ended;
}

}  // namespace

std::optional<SweepRow> sweep_point(const SweepPlan& s, long long point,
                                    const std::atomic<bool>* cancel) {
    const auto t0 = std::chrono::steady_clock::now();
    SweepRow row;
    row.point = point;
    row.inputs = sweep_inputs(s, point);
    bool cancelled = false;
    try {
        const ParamSet set = sweep_point_params(s, row.inputs);
        switch (s.what) {
            case SweepWhat::energy_neutral_wind:
                wind_point(s, set, cancel, row, cancelled);
                break;
            case SweepWhat::optimise:
                loop_point(s, row.inputs, cancel, row, cancelled);
                break;
            case SweepWhat::fly_summary:
                fly_point(s, set, cancel, row, cancelled);
                break;
            case SweepWhat::track:
                track_point(s, row.inputs, cancel, row, cancelled);
                break;
        }
    } catch (const std::exception& e) {
        row.results.assign(sweep_result_columns(s.what).size(), kNaN);
        row.status = std::string("error: ") + e.what();
    }
    if (cancelled || (cancel && cancel->load())) return std::nullopt;
    for (char& c : row.status)
        if (c == '\n' || c == '\r') c = ' ';
    row.seconds = since(t0);
    return row;
}

bool sweep_row_failed(const SweepPlan& s, const SweepRow& r) {
    if (r.status.rfind("error: ", 0) == 0 || r.status.rfind("failed: ", 0) == 0) return true;
    if (s.what == SweepWhat::track) return r.status.rfind(kNoLoop, 0) == 0;
    return s.what == SweepWhat::optimise && !(r.results.size() > 0 && r.results[0] == 1.0);
}

SweepRow failed_sweep_row(const SweepPlan& s, long long point, const std::string& why) {
    SweepRow r;
    r.point = point;
    r.inputs = sweep_inputs(s, point);
    r.results.assign(sweep_result_columns(s.what).size(), kNaN);
    r.status = "failed: " + why;
    for (char& c : r.status)
        if (c == '\n' || c == '\r') c = ' ';
    r.seconds = kNaN;
    return r;
}

std::string retry_nodes_error(const SweepPlan& s, int nodes) {
    if (s.what != SweepWhat::optimise) return "retrying with more nodes is for --what optimise";
    if (nodes < 5 || nodes > 2000) return "the nodes to retry with must be between 5 and 2000";
    if (nodes <= s.nodes)
        return "the nodes to retry with must be more than the sweep's " + std::to_string(s.nodes);
    return "";
}

SweepPlan sweep_at_nodes(const SweepPlan& s, int nodes) {
    SweepPlan finer = s;
    finer.nodes = nodes;
    return finer;
}

void mark_nodes(SweepRow& r, int nodes) {
    r.status += "; at " + std::to_string(nodes) + " nodes";
}

}  // namespace soar
