#include "app/sweep.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "app/loop_params.h"
#include "app/session.h"
#include "app/stepped_flight.h"
#include "optim/loop_solver.h"
#include "platform/number_text.h"
#include "sim/cycles.h"
#include "sim/min_wind.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Shortest texts that read back as the very same number.
std::string exact(double v) {
    char buf[40];
    return std::string(buf, put_shortest(buf, v));
}
std::string exact(float v) {
    return shortest_float(v);
}

// The whole text as a finite number.
std::optional<double> number_of(std::string_view t) {
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    double v = 0;
    const auto r = read_number(t.data(), t.data() + t.size(), v);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}
std::optional<long long> whole_of(std::string_view t) {
    long long v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

std::vector<std::string_view> split(std::string_view t, char sep) {
    std::vector<std::string_view> out;
    size_t at = 0;
    for (;;) {
        const size_t next = t.find(sep, at);
        out.push_back(t.substr(at, next == t.npos ? t.npos : next - at));
        if (next == t.npos) return out;
        at = next + 1;
    }
}

const char* const kPatternNames[] = {"upwind", "downwind", "crosswind", "circlezoom", "profile"};
const char* pattern_text(Mode m) {
    for (const char* name : kPatternNames)
        if (mode_named(name) == m) return name;
    return "fixed";
}

// The tables of a parameter set, as the parameter files name them.
struct Table {
    const char* name;
    Params ParamSet::*member;
};
constexpr Table kTables[] = {{"upwind", &ParamSet::upwind},
                             {"downwind", &ParamSet::downwind},
                             {"crosswind", &ParamSet::crosswind},
                             {"circlezoom", &ParamSet::circlezoom}};

bool is_loop_setting(const std::string& name) {
    optim::LoopProblem probe;
    return set_loop_setting(probe, name, 0.0);
}

Mode flight_mode(const SweepPlan& s) {
    return s.what == SweepWhat::optimise ? Mode::upwind : s.pattern;
}

double since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

const char* sweep_what_name(SweepWhat what) {
    switch (what) {
        case SweepWhat::energy_neutral_wind:
            return "energy-neutral-wind";
        case SweepWhat::optimise:
            return "optimise";
        case SweepWhat::fly_summary:
            return "fly-summary";
    }
    return "?";
}

std::optional<SweepWhat> sweep_what_named(std::string_view name) {
    for (SweepWhat w :
         {SweepWhat::energy_neutral_wind, SweepWhat::optimise, SweepWhat::fly_summary})
        if (name == sweep_what_name(w)) return w;
    return std::nullopt;
}

double SweepAxis::value(int i) const {
    if (count <= 1 || i <= 0) return start;
    if (i >= count - 1) return stop;
    return start + (stop - start) * double(i) / double(count - 1);
}

std::optional<SweepAxis> sweep_axis_from_text(std::string_view text, std::string& error) {
    error = "--over needs NAME=START:STOP:COUNT (COUNT a whole number from 1 to 1000000), not \"" +
            std::string(text) + "\"";
    const size_t eq = text.find('=');
    if (eq == text.npos || eq == 0) return std::nullopt;
    const auto parts = split(text.substr(eq + 1), ':');
    if (parts.size() != 3) return std::nullopt;
    const auto start = number_of(parts[0]), stop = number_of(parts[1]);
    const auto count = whole_of(parts[2]);
    if (!start || !stop || !count || *count < 1 || *count > 1'000'000) return std::nullopt;
    error.clear();
    return SweepAxis{std::string(text.substr(0, eq)), *start, *stop, int(*count)};
}

// ----------------------------------------------------------------- the loop

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
    optim::LoopProblem p =
        loop_problem_for(r.params.upwind, r.profile.value_or(default_profile(bounds)), bounds);
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
    if (p.profile == optim::WindProfile::linear) return w * 10.0;
    double U = 0, Up = 0;
    optim::wind_at(p, 10.0, w, U, Up);
    return U;
}

// ---------------------------------------------------------------- the grid

long long sweep_size(const SweepPlan& s) {
    long long n = 1;
    for (const SweepAxis& a : s.axes) {
        n *= std::max(a.count, 1);
        if (n > kMaxSweepPoints) return kMaxSweepPoints + 1;
    }
    return n;
}

std::vector<double> sweep_inputs(const SweepPlan& s, long long point) {
    std::vector<double> v(s.axes.size());
    for (size_t i = s.axes.size(); i-- > 0;) {
        const int n = std::max(s.axes[i].count, 1);
        v[i] = s.axes[i].value(int(point % n));
        point /= n;
    }
    return v;
}

ParamSet sweep_point_params(const SweepPlan& s, const std::vector<double>& inputs) {
    ParamSet set = s.base;
    const Mode mode = flight_mode(s);
    std::optional<double> ld;
    for (size_t i = 0; i < s.axes.size(); ++i) {
        if (s.axes[i].name == "glide_ratio") ld = inputs[i];
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
    if (s.what != SweepWhat::optimise && (s.pattern == Mode::fixed))
        return "the fixed view flies no pattern";
    if (s.what == SweepWhat::energy_neutral_wind) {
        if (s.cycles < 1 || s.cycles > 1000) return "--cycles must be from 1 to 1000";
        if (!(s.dt >= 0.001 && s.dt <= 0.1)) return "--dt must be from 0.001 to 0.1";
    }
    if (s.what == SweepWhat::fly_summary) {
        if (s.ticks < 1 || s.ticks > 1'000'000'000)
            return "--ticks needs a whole number from 1 to 1000000000 (fly-summary)";
        if (!(s.dt >= 0.000001 && s.dt <= 10.0)) return "--dt needs a number from 0.000001 to 10 s";
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
        if (a.name == "glide_ratio") {
            glide = true;
            if (!each_value([](double v) { return v > 1.0 && v <= 100.0; }))
                return "--over glide_ratio: each glide ratio must be above 1 and at most 100";
            continue;
        }
        if (const ParamField* f = param_field(a.name)) {
            if (s.what == SweepWhat::optimise && f->group == ParamGroup::pattern)
                return "--over: \"" + a.name +
                       "\" belongs to a pattern's schedule, not to the loop";
            if (!param_used(*f, mode))
                return "--over: \"" + a.name +
                       "\" is not a parameter of this pattern (names: " + param_names(mode) +
                       ", glide_ratio)";
            if (!each_value([f](double v) { return param_in_range(*f, v); }))
                return "--over " + a.name + "=" + exact(a.start) + ":" + exact(a.stop) + ":" +
                       std::to_string(a.count) + ": " + param_range_text(*f);
            continue;
        }
        if (s.what == SweepWhat::optimise && is_loop_setting(a.name)) continue;
        return "--over: \"" + a.name + "\" is not a parameter (names: " + param_names(mode) +
               ", glide_ratio" +
               (s.what == SweepWhat::optimise ? ", and the loop's " + loop_setting_names() : "") +
               ")";
    }
    if (!glide && s.what != SweepWhat::optimise) return "";
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
                       param_range_text(cd0) + ", not " + exact(p.CD0);
        }
        if (s.what == SweepWhat::optimise) {
            std::string error;
            if (!loop_problem_of(sweep_point_loop(s, in), error))
                return (s.axes.empty() ? "" : "at point " + std::to_string(k) + ": ") + error;
        }
    }
    return "";
}

const std::vector<std::string>& sweep_result_columns(SweepWhat what) {
    static const std::vector<std::string> wind = {"found",        "factor",    "U_ref", "U_10m",
                                                  "dE_per_cycle", "crossings", "trials"};
    static const std::vector<std::string> loop = {
        "converged", "wind_scale", "wind_10m", "period", "energy_per_cycle", "drift", "iterations"};
    static const std::vector<std::string> fly = {
        "ticks_flown", "all_flown", "t_end",  "V_end",
        "Z_end",       "E_end",     "cycles", "mean_dE_per_cycle"};
    switch (what) {
        case SweepWhat::energy_neutral_wind:
            return wind;
        case SweepWhat::optimise:
            return loop;
        case SweepWhat::fly_summary:
            break;
    }
    return fly;
}

std::string sweep_header(const SweepPlan& s) {
    std::string h = "point";
    for (const SweepAxis& a : s.axes) h += "," + a.name;
    for (const std::string& c : sweep_result_columns(s.what)) h += "," + c;
    return h + ",status,seconds";
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
        E = Z + V * V / (2.0 * double(p.g));
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

// ----------------------------------------------------------------- as text

std::string sweep_text(const SweepPlan& s) {
    std::string t = std::string("what=") + sweep_what_name(s.what) + ";over=";
    for (size_t i = 0; i < s.axes.size(); ++i) {
        const SweepAxis& a = s.axes[i];
        t += (i ? "," : "") + a.name + ":" + exact(a.start) + ":" + exact(a.stop) + ":" +
             std::to_string(a.count);
    }
    t += ";preset=" + s.preset + ";base=";
    const ParamSet defaults;
    bool first = true;
    for (const Table& table : kTables)
        for (const ParamField& f : param_fields()) {
            const float v = (s.base.*table.member).*f.member;
            const float d = (defaults.*table.member).*f.member;
            if (std::memcmp(&v, &d, sizeof v) == 0) continue;  // -0 is not 0 here
            if (!first) t += ',';
            t.append(table.name).append(".").append(f.name).append(":").append(exact(v));
            first = false;
        }
    switch (s.what) {
        case SweepWhat::energy_neutral_wind:
            t += std::string(";pattern=") + pattern_text(s.pattern) +
                 ";cycles=" + std::to_string(s.cycles) + ";dt=" + exact(s.dt);
            break;
        case SweepWhat::optimise:
            t += std::string(";profile=") +
                 (s.profile ? optim::profile_name(*s.profile) : "preset") +
                 ";nodes=" + std::to_string(s.nodes) + ";loop=";
            for (size_t i = 0; i < s.loop_settings.size(); ++i)
                t += (i ? "," : "") + s.loop_settings[i].first + ":" +
                     exact(s.loop_settings[i].second);
            break;
        case SweepWhat::fly_summary:
            t += std::string(";pattern=") + pattern_text(s.pattern) +
                 ";ticks=" + std::to_string(s.ticks) + ";dt=" + exact(s.dt);
            break;
    }
    return t;
}

std::optional<SweepPlan> sweep_from_text(std::string_view text, std::string& error) {
    SweepPlan s;
    const auto bad = [&](const std::string& why) {
        error = "not a sweep: " + why;
        return std::nullopt;
    };
    bool what_given = false;
    for (std::string_view item : split(text, ';')) {
        const size_t eq = item.find('=');
        if (eq == item.npos) return bad("\"" + std::string(item) + "\" is not KEY=VALUE");
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key == "what") {
            const auto w = sweep_what_named(value);
            if (!w) return bad("unknown kind \"" + std::string(value) + "\"");
            s.what = *w;
            what_given = true;
        } else if (key == "over") {
            if (value.empty()) continue;
            for (std::string_view a : split(value, ',')) {
                const auto parts = split(a, ':');
                if (parts.size() != 4) return bad("axis \"" + std::string(a) + "\"");
                std::string e;
                auto axis = sweep_axis_from_text(
                    std::string(parts[0]) + "=" + std::string(a.substr(parts[0].size() + 1)), e);
                if (!axis) return bad("axis \"" + std::string(a) + "\"");
                s.axes.push_back(*axis);
            }
        } else if (key == "preset") {
            s.preset = std::string(value);
        } else if (key == "base") {
            if (value.empty()) continue;
            for (std::string_view b : split(value, ',')) {
                const size_t dot = b.find('.'), colon = b.find(':');
                if (dot == b.npos || colon == b.npos || colon < dot)
                    return bad("base \"" + std::string(b) + "\"");
                const std::string_view table = b.substr(0, dot),
                                       name = b.substr(dot + 1, colon - dot - 1);
                const std::string_view v = b.substr(colon + 1);
                const ParamField* f = param_field(name);
                const Table* t = nullptr;
                for (const Table& tt : kTables)
                    if (table == tt.name) t = &tt;
                float x = 0;
                const auto r = read_number(v.data(), v.data() + v.size(), x);
                if (!f || !t || r.ec != std::errc() || r.ptr != v.data() + v.size())
                    return bad("base \"" + std::string(b) + "\"");
                (s.base.*t->member).*f->member = x;
            }
        } else if (key == "pattern") {
            const auto m = mode_named(std::string(value));
            if (!m) return bad("pattern \"" + std::string(value) + "\"");
            s.pattern = *m;
        } else if (key == "cycles" || key == "nodes" || key == "ticks") {
            const auto n = whole_of(value);
            if (!n) return bad(std::string(key) + " \"" + std::string(value) + "\"");
            if (key == "cycles") s.cycles = int(std::clamp(*n, -1LL, 1'000'000LL));
            if (key == "nodes") s.nodes = int(std::clamp(*n, -1LL, 1'000'000LL));
            if (key == "ticks") s.ticks = *n;
        } else if (key == "dt") {
            const auto v = number_of(value);
            if (!v) return bad("dt \"" + std::string(value) + "\"");
            s.dt = *v;
        } else if (key == "profile") {
            if (value == "preset") continue;
            optim::WindProfile p;
            if (!optim::profile_named(std::string(value), p))
                return bad("profile \"" + std::string(value) + "\"");
            s.profile = p;
        } else if (key == "loop") {
            if (value.empty()) continue;
            for (std::string_view l : split(value, ',')) {
                const size_t colon = l.find(':');
                const auto v = colon == l.npos ? std::nullopt : number_of(l.substr(colon + 1));
                if (!v) return bad("loop setting \"" + std::string(l) + "\"");
                s.loop_settings.emplace_back(std::string(l.substr(0, colon)), *v);
            }
        } else {
            return bad("unknown key \"" + std::string(key) + "\"");
        }
    }
    if (!what_given) return bad("no what=");
    if (const std::string e = sweep_error(s); !e.empty()) return bad(e);
    error.clear();
    return s;
}

std::string sweep_row_text(const SweepRow& r) {
    std::string t = std::to_string(r.point);
    for (double v : r.inputs) t.append(",").append(exact(v));
    for (double v : r.results) t.append(",").append(std::isnan(v) ? std::string() : exact(v));
    t += ",\"";
    for (char c : r.status) {
        if (c == '"') t += '"';  // a quote inside a quoted cell is doubled
        t += c;
    }
    char sec[40];
    std::snprintf(sec, sizeof sec, "\",%.3f\n", r.seconds);
    return t + sec;
}

std::optional<SweepRow> sweep_row_from_text(const SweepPlan& s, std::string_view line,
                                            std::string& error) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Cells split at commas outside quotes; a quoted cell's "" is one quote.
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cells.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cells.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    const size_t n_in = s.axes.size(), n_out = sweep_result_columns(s.what).size();
    if (quoted || cells.size() != 1 + n_in + n_out + 2) {
        error = "a row of " + std::to_string(cells.size()) + " cells, not " +
                std::to_string(1 + n_in + n_out + 2);
        return std::nullopt;
    }
    SweepRow r;
    const auto point = whole_of(cells[0]);
    if (!point || *point < 0 || *point >= sweep_size(s)) {
        error = "\"" + cells[0] + "\" is not a point of the sweep";
        return std::nullopt;
    }
    r.point = *point;
    const std::vector<double> want = sweep_inputs(s, r.point);
    for (size_t i = 0; i < n_in; ++i) {
        const auto v = number_of(cells[1 + i]);
        if (!v || *v != want[i]) {
            error = "point " + cells[0] + "'s " + s.axes[i].name + " is \"" + cells[1 + i] +
                    "\", not the sweep's " + exact(want[i]);
            return std::nullopt;
        }
        r.inputs.push_back(*v);
    }
    for (size_t i = 0; i < n_out; ++i) {
        const std::string& c = cells[1 + n_in + i];
        const auto v = c.empty() ? std::optional<double>(kNaN) : number_of(c);
        if (!v) {
            error = "\"" + c + "\" is not a number";
            return std::nullopt;
        }
        r.results.push_back(*v);
    }
    r.status = cells[1 + n_in + n_out];
    const auto sec = number_of(cells.back());
    r.seconds = sec ? *sec : kNaN;
    return r;
}

namespace {
constexpr std::string_view kFilePrefix = "# soarcalculus sweep: ";
}

std::optional<SweepFile> read_sweep_file(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    if (!std::getline(in, line) || line.rfind(kFilePrefix, 0) != 0) {
        error = path + ":1: not a sweep's file (its first line is not \"" +
                std::string(kFilePrefix) + "...\")";
        return std::nullopt;
    }
    SweepFile f;
    f.text = line.substr(kFilePrefix.size());
    if (!f.text.empty() && f.text.back() == '\r') f.text.pop_back();
    std::string e;
    auto plan = sweep_from_text(f.text, e);
    if (!plan) {
        error = path + ":1: " + e;
        return std::nullopt;
    }
    f.plan = *plan;
    if (!std::getline(in, line) ||
        (line != sweep_header(f.plan) && line != sweep_header(f.plan) + "\r")) {
        error = path + ":2: the header is not \"" + sweep_header(f.plan) + "\"";
        return std::nullopt;
    }
    for (long n = 3; std::getline(in, line); ++n) {
        if (line.empty() || line == "\r") continue;
        auto row = sweep_row_from_text(f.plan, line, e);
        if (!row) {
            error = path + ":" + std::to_string(n) + ": " + e;
            return std::nullopt;
        }
        f.rows.push_back(std::move(*row));
    }
    return f;
}

std::string sweep_file_text(const SweepPlan& s, std::vector<SweepRow> rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SweepRow& a, const SweepRow& b) { return a.point < b.point; });
    std::string out = std::string(kFilePrefix) + sweep_text(s) + "\n" + sweep_header(s) + "\n";
    long long last = -1;
    for (const SweepRow& r : rows) {
        if (r.point == last) continue;
        out += sweep_row_text(r);
        last = r.point;
    }
    return out;
}

// ------------------------------------------------------------ the runner

namespace {

// A worker process: reads point numbers (8 bytes each) from `tasks` and writes
// each point's row as its line of text to `results`, until `tasks` closes.
[[noreturn]] void worker_main(const SweepPlan& s, int tasks, int results) {
    // Ctrl-C at a terminal reaches the whole process group: the parent decides.
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_DFL);
    for (;;) {
        long long point = 0;
        size_t got = 0;
        while (got < sizeof point) {
            const ssize_t n =
                read(tasks, reinterpret_cast<char*>(&point) + got, sizeof point - got);
            if (n == 0) _exit(0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) _exit(3);
            got += size_t(n);
        }
        const auto row = sweep_point(s, point);
        const std::string text = row ? sweep_row_text(*row) : std::string("\n");
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = write(results, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(3);
            done += size_t(n);
        }
    }
}

struct Worker {
    pid_t pid = -1;
    int tasks = -1, results = -1;
    long long point = -1;  // under way, or -1
    std::string pending;   // text of the row so far
};

bool start_worker(const SweepPlan& s, Worker& w, const std::vector<Worker>& others,
                  std::string& error) {
    int to_child[2], from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0) {
        error = std::string("cannot start a worker: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(from_child, O_CLOEXEC) != 0) {
        error = std::string("cannot start a worker: ") + std::strerror(errno);
        close(to_child[0]), close(to_child[1]);
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start a worker: ") + std::strerror(errno);
        for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
        return false;
    }
    if (pid == 0) {
        // The other workers' pipes stay with the parent alone, so that each
        // worker sees the end of its own tasks.
        for (const Worker& o : others) {
            if (o.tasks >= 0) close(o.tasks);
            if (o.results >= 0) close(o.results);
        }
        close(to_child[1]);
        close(from_child[0]);
        worker_main(s, to_child[0], from_child[1]);
    }
    close(to_child[0]);
    close(from_child[1]);
    w = Worker{pid, to_child[1], from_child[0], -1, {}};
    return true;
}

void end_worker(Worker& w, bool kill_it) {
    if (w.tasks >= 0) close(w.tasks);
    if (w.results >= 0) close(w.results);
    if (w.pid > 0) {
        if (kill_it) kill(w.pid, SIGKILL);
        int status = 0;
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    w = Worker{};
}

bool give(Worker& w, long long point) {
    w.point = point;
    const char* p = reinterpret_cast<const char*>(&point);
    for (size_t done = 0; done < sizeof point;) {
        const ssize_t n = write(w.tasks, p + done, sizeof point - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string died_text(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return "ended";
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

bool run_sweep(const SweepPlan& s, const std::vector<long long>& points, int jobs,
               const std::function<void(const SweepRow&)>& on_row, const std::atomic<bool>* stop,
               std::string& error) {
    const auto stopped = [&] { return stop && stop->load(); };
    if (jobs <= 1 || points.size() <= 1) {
        for (long long k : points) {
            if (stopped()) return false;
            const auto row = sweep_point(s, k, stop);
            if (!row) return false;
            on_row(*row);
        }
        return !stopped();
    }
    // The kernel's SIGPIPE would end the parent when a worker has died.
    struct sigaction ignore {
    }, old_pipe{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old_pipe);

    std::vector<Worker> workers(size_t(std::min<size_t>(size_t(jobs), points.size())));
    size_t next = 0;
    bool ok = true;
    for (Worker& w : workers) {
        if (!start_worker(s, w, workers, error)) {
            ok = false;
            break;
        }
        if (next < points.size() && !give(w, points[next++])) ok = false;
    }
    while (ok && !stopped()) {
        std::vector<pollfd> fds;
        std::vector<Worker*> of;
        for (Worker& w : workers)
            if (w.point >= 0) {
                fds.push_back({w.results, POLLIN, 0});
                of.push_back(&w);
            }
        if (fds.empty()) break;  // every point done
        const int n = poll(fds.data(), fds.size(), 100);
        if (n < 0 && errno != EINTR) {
            error = std::string("poll: ") + std::strerror(errno);
            ok = false;
            break;
        }
        for (size_t i = 0; n > 0 && i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Worker& w = *of[i];
            char buf[4096];
            const ssize_t got = read(w.results, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                // The worker died during its point: that point is left out,
                // and a new worker takes the next ones.
                const long long lost = w.point;
                const std::string how = died_text(w.pid);
                w.pid = -1;
                end_worker(w, false);
                error += (error.empty() ? "" : "; ") + std::string("the worker for point ") +
                         std::to_string(lost) + " " + how;
                if (next < points.size()) {
                    if (!start_worker(s, w, workers, error) || !give(w, points[next++])) ok = false;
                }
                continue;
            }
            w.pending.append(buf, size_t(got));
            const size_t nl = w.pending.find('\n');
            if (nl == std::string::npos) continue;
            const std::string line = w.pending.substr(0, nl + 1);
            w.pending.erase(0, nl + 1);
            std::string e;
            const auto row = line.size() > 1 ? sweep_row_from_text(s, line, e) : std::nullopt;
            if (!row || row->point != w.point) {
                error += (error.empty() ? "" : "; ") + std::string("point ") +
                         std::to_string(w.point) + ": the worker's row is unreadable" +
                         (e.empty() ? "" : ": " + e);
            } else {
                on_row(*row);
            }
            w.point = -1;
            if (next < points.size() && !give(w, points[next++])) ok = false;
        }
    }
    const bool was_stopped = stopped();
    for (Worker& w : workers) end_worker(w, was_stopped || !ok || w.point >= 0);
    sigaction(SIGPIPE, &old_pipe, nullptr);
    return ok && !was_stopped;
}

}  // namespace soar
