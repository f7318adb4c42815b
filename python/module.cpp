// soarcalculus._core: the program's engine for Python. Every call goes to the
// same libraries as the command line (the flight, the parameters and their
// files, the energy-neutral wind, the loop optimiser, the sweeps); nothing here
// computes a flight of its own. The package's Python half (soarcalculus/)
// wraps these calls in documented functions and result objects.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "app/loop_params.h"
#include "app/param_file.h"
#include "app/session.h"
#include "app/stepped_flight.h"
#include "app/sweep.h"
#include "optim/loop_solver.h"
#include "platform/atomic_file.h"
#include "python/gil.h"
#include "record/csv.h"
#include "record/flight_history.h"
#include "sim/min_wind.h"
#include "sim/names.h"
#include "sim/param_fields.h"

namespace soar::py {

namespace {

static_assert(std::is_trivially_copyable_v<ParamSet>);

// A parameter set as Python holds it, with the preset it was made from (which
// names the loop's bounds, as --preset does for optimise).
struct PyParams {
    ParamSet set;
    std::string preset = "design-albatross";
};

Mode pattern_of(const std::string& name, bool allow_fixed = false) {
    const auto m = mode_named(name);
    if (!m || (*m == Mode::fixed && !allow_fixed))
        throw pyb::value_error("unknown pattern \"" + name +
                               "\" (patterns: " + pattern_list(allow_fixed) + ")");
    return *m;
}

std::string all_names() {
    std::string out;
    for (const ParamField& f : param_fields())
        out += (out.empty() ? "" : ", ") + std::string(f.name);
    return out;
}

// A field by name as a flight of `mode` uses it; the key error names the
// fields there are.
const ParamField& field_of(const std::string& name, Mode mode) {
    const ParamField* f = param_field(name);
    if (!f)
        throw pyb::key_error("\"" + name + "\" is not a parameter (names: " + all_names() + ")");
    if (!param_used(*f, mode))
        throw pyb::key_error("\"" + name + "\" is not a parameter of this pattern (names: " +
                             param_names(mode) + ")");
    return *f;
}

void set_field(PyParams& p, const std::string& name, double value, const std::string& pattern) {
    const Mode mode = pattern.empty() ? Mode::upwind : pattern_of(pattern);
    const ParamField& f = field_of(name, mode);
    if (!param_in_range(f, value)) throw pyb::value_error(param_range_text(f));
    set_param(p.set, mode, f, float(value));
}

// A named choice (the wind profile's shape) set by its name.
void set_choice(PyParams& p, const std::string& name, const std::string& value,
                const std::string& pattern) {
    const Mode mode = pattern.empty() ? Mode::upwind : pattern_of(pattern);
    const ParamField& f = field_of(name, mode);
    const std::optional<double> v = param_value(f, value);
    if (!v || !param_in_range(f, *v)) throw pyb::value_error(param_range_text(f));
    set_param(p.set, mode, f, float(*v));
}

double get_field(const PyParams& p, const std::string& name, const std::string& pattern) {
    const Mode mode = pattern.empty() ? Mode::upwind : pattern_of(pattern);
    return double(p.set.of(mode).*field_of(name, mode).member);
}

PyParams params_arg(const pyb::object& o) {
    if (o.is_none()) return {};
    return o.cast<PyParams>();
}

pyb::bytes params_blob(const PyParams& p) {
    return pyb::bytes(reinterpret_cast<const char*>(&p.set), sizeof p.set);
}

PyParams params_from_blob(const pyb::bytes& b, const std::string& preset) {
    const std::string s = b;
    if (s.size() != sizeof(ParamSet)) throw pyb::value_error("not a parameter set");
    PyParams p;
    std::memcpy(&p.set, s.data(), sizeof p.set);
    p.preset = preset;
    return p;
}

// --------------------------------------------------------------------- fly

// The rows of `fly --csv`: the tick as int64, every other column the float the
// flight stored.
pyb::dtype row_dtype(bool energy) {
    std::string header = flight_csv_header(energy);
    header.pop_back();  // the newline
    pyb::list names, formats;
    size_t at = 0;
    for (;;) {
        const size_t comma = header.find(',', at);
        const std::string name = header.substr(at, comma == std::string::npos ? comma : comma - at);
        names.append(name);
        formats.append(name == "tick" ? "<i8" : "<f4");
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    pyb::dict fields;
    fields["names"] = names;
    fields["formats"] = formats;
    return pyb::dtype::from_args(fields);
}

// Returns (rows, rows flown, why the flight stopped or "").
pyb::tuple fly(const std::string& pattern, long long ticks, double dt, const pyb::object& params,
               double clock_start, bool energy) {
    const Mode mode = pattern_of(pattern);
    ticks = checked_count("ticks", ticks);
    dt = checked_number("dt", dt, cli::kDtRange);
    clock_start = checked_number("clock_start", clock_start, cli::kClockStartRange);
    const Params flown = params_arg(params).set.of(mode);
    const int columns = energy ? kColumnCount : kFlyColumnCount;
    pyb::array rows(row_dtype(energy), std::vector<pyb::ssize_t>{pyb::ssize_t(ticks)});
    char* out = static_cast<char*>(rows.mutable_data());
    const size_t stride = sizeof(long long) + sizeof(float) * size_t(columns);
    long long done = 0;
    std::string fault;
    bool interrupted = false;
    {
        pyb::gil_scoped_release release;
        SteppedFlight flight(flown, mode, clock_start);
        for (long long k = 1; k <= ticks; ++k) {
            if ((k & 0xFFFF) == 0) {
                pyb::gil_scoped_acquire acquire;
                if (!signals_pass()) {
                    interrupted = true;
                    break;
                }
            }
            if (!flight.tick(k, dt)) {
                fault = flight.fault();
                break;
            }
            const auto v = row_of(flight.state(), flown, energy);
            char* row = out + size_t(k - 1) * stride;
            std::memcpy(row, &k, sizeof k);
            std::memcpy(row + sizeof k, v.data(), sizeof(float) * size_t(columns));
            done = k;
        }
    }
    if (interrupted) throw pyb::error_already_set();
    // A flight stopped early keeps only its rows (a copy: not the whole request).
    if (done < ticks) rows = rows.attr("__getitem__")(pyb::slice(0, done, 1)).attr("copy")();
    return pyb::make_tuple(rows, done, fault);
}

// ---------------------------------------------------- energy-neutral wind

pyb::dict trial_dict(const WindTrial& t, double tolerance) {
    pyb::dict d;
    d["factor"] = t.factor;
    d["U_ref"] = double(t.U_ref);
    d["U_10m"] = t.U_10;
    d["dE_per_cycle"] = t.measured ? t.dE_cycle : std::nan("");
    d["cycles"] = t.cycles;
    d["survived"] = t.survived;
    d["gains"] = t.measured && t.gains(tolerance);
    d["end"] = t.end;
    return d;
}

pyb::dict energy_neutral_wind(const std::string& pattern, const pyb::object& params, int cycles,
                              double dt, int threads, const pyb::object& progress) {
    MinWindSearch how;
    how.mode = pattern_of(pattern);
    if (cycles < 1 || cycles > 1000) throw pyb::value_error("cycles must be from 1 to 1000");
    if (!(dt >= 0.001 && dt <= 0.1)) throw pyb::value_error("dt must be from 0.001 to 0.1");
    if (threads < 0 || threads > 256) throw pyb::value_error("threads must be from 0 to 256");
    how.cycles = cycles;
    how.dt = dt;
    how.threads = threads;
    const Params p = params_arg(params).set.of(how.mode);
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0}, total{0};
    const MinWindResult r = run_interruptibly<MinWindResult>(
        [&] {
            return min_wind(p, how, &cancel, [&](int d, int t) {
                done = d;
                total = t;
            });
        },
        cancel,
        [&] {
            if (!progress.is_none() && total > 0) progress(done.load(), total.load());
        });
    pyb::dict d;
    d["pattern"] = pattern;
    d["base_U_ref"] = r.base_U_ref;
    d["found"] = r.found;
    d["message"] = r.message;
    d["least"] = r.found ? pyb::object(trial_dict(r.least, how.tolerance)) : pyb::none();
    d["below_least"] =
        r.bracketed ? pyb::object(trial_dict(r.below_least, how.tolerance)) : pyb::none();
    pyb::list table, crossings;
    for (const WindTrial& t : r.trials) table.append(trial_dict(t, how.tolerance));
    for (const WindCrossing& c : r.crossings)
        crossings.append(pyb::make_tuple(trial_dict(c.below, how.tolerance),
                                         trial_dict(c.above, how.tolerance), c.rising));
    d["table"] = table;
    d["crossings"] = crossings;
    d["window"] = pyb::make_tuple(how.settle + 1, how.settle + how.cycles);
    d["csv"] = min_wind_csv(r, how);
    return d;
}

// ---------------------------------------------------------------- optimise

std::optional<optim::WindProfile> profile_arg(const pyb::object& o) {
    if (o.is_none()) return std::nullopt;
    std::string error;
    const auto p = soar::profile_arg(o.cast<std::string>(), error);
    if (!p) throw pyb::value_error(error);
    return p;
}

std::vector<std::pair<std::string, double>> settings_arg(const pyb::object& o) {
    std::vector<std::pair<std::string, double>> out;
    if (o.is_none()) return out;
    for (auto item : o.cast<pyb::dict>())
        out.emplace_back(item.first.cast<std::string>(), item.second.cast<double>());
    return out;
}

pyb::dict optimise(const pyb::object& params, const pyb::object& profile, int nodes,
                   const pyb::object& settings, const pyb::object& progress) {
    const PyParams pp = params_arg(params);
    LoopRequest req;
    req.params = pp.set;
    req.preset = pp.preset;
    req.profile = profile_arg(profile);
    req.nodes = nodes;
    req.settings = settings_arg(settings);
    std::string error;
    const auto problem = loop_problem_of(req, error);
    if (!problem) throw pyb::value_error(error);
    const optim::LoopProblem& p = *problem;
    optim::SolveOptions options;
    options.nodes = nodes;
    std::atomic<bool> cancel{false};
    std::mutex last_lock;
    optim::SolveProgress last;
    bool fresh = false;
    const optim::LoopSolution s = run_interruptibly<optim::LoopSolution>(
        [&] {
            std::lock_guard solving(loop_solver_lock());
            return optim::solve_least_wind_loop(
                p, options,
                [&](const optim::SolveProgress& q) {
                    std::lock_guard lock(last_lock);
                    last = q;
                    fresh = true;
                    return !cancel.load();
                },
                &cancel);
        },
        cancel,
        [&] {
            if (progress.is_none()) return;
            optim::SolveProgress q;
            {
                std::lock_guard lock(last_lock);
                if (!fresh) return;
                q = last;
                fresh = false;
            }
            progress(q.iteration, q.wind, q.infeasibility, q.seconds);
        });
    pyb::dict d;
    d["converged"] = s.converged;
    d["status"] = s.status;
    d["route"] = s.route;
    d["iterations"] = s.iterations;
    d["seconds"] = s.seconds;
    d["profile"] = std::string(optim::profile_name(p.profile));
    d["wind_unit"] = std::string(optim::wind_unit(p.profile));
    d["travel"] = p.travel;
    const size_t n = s.x.size();
    pyb::array_t<double> t(n), states({n, size_t(optim::kStates)}),
        controls({n, size_t(optim::kControls)}),
        controls_mid({s.u_mid.size(), size_t(optim::kControls)});
    pyb::array_t<double> table({n, size_t(12)});
    auto tv = t.mutable_unchecked<1>();
    auto xv = states.mutable_unchecked<2>();
    auto uv = controls.mutable_unchecked<2>();
    auto mv = controls_mid.mutable_unchecked<2>();
    auto cv = table.mutable_unchecked<2>();
    constexpr double kDeg = k::exact_d2r;
    for (size_t i = 0; i < n; ++i) {
        const optim::LoopState& x = s.x[i];
        const optim::LoopControl& u = s.u[i];
        tv(i) = s.t[i];
        for (int j = 0; j < optim::kStates; ++j) xv(i, j) = x[j];
        for (int j = 0; j < optim::kControls; ++j) uv(i, j) = u[j];
        double U = 0, Up = 0;
        optim::wind_at(p, x[optim::kZ], s.wind, U, Up);
        const double row[12] = {s.t[i],
                                x[optim::kX],
                                x[optim::kY],
                                x[optim::kZ],
                                x[optim::kV],
                                x[optim::kGamma] / kDeg,
                                x[optim::kPsi] / kDeg,
                                u[optim::kCL],
                                u[optim::kBank] / kDeg,
                                optim::load_factor(p, x[optim::kV], u[optim::kCL]),
                                U,
                                optim::energy_height(p, x)};
        for (int j = 0; j < 12; ++j) cv(i, j) = row[j];
    }
    for (size_t i = 0; i < s.u_mid.size(); ++i)
        for (int j = 0; j < optim::kControls; ++j) mv(i, j) = s.u_mid[i][j];
    d["t"] = t;
    d["states"] = states;
    d["controls"] = controls;
    d["controls_mid"] = controls_mid;
    d["table"] = table;
    if (s.converged) {
        d["wind"] = s.wind;
        d["wind_10m"] = loop_wind_at_10m(p, s.wind);
        d["period"] = s.period;
        d["energy_per_cycle"] = s.energy_per_cycle;
        d["drift"] = std::hypot(s.x.back()[optim::kX], s.x.back()[optim::kY]);
        d["closure_place"] = s.closure_place;
        d["closure_speed"] = s.closure_speed;
        pyb::list active;
        for (const optim::ActiveLimit& a : s.active_limits) {
            pyb::dict one;
            one["name"] = a.name;
            one["unit"] = a.unit;
            one["points"] = a.points;
            one["value"] = a.value;
            one["d_wind"] = a.d_wind;
            one["relative"] = a.relative;
            active.append(one);
        }
        d["active_limits"] = active;
    }
    return d;
}

// ------------------------------------------------------------------ sweeps

SweepPlan plan_of(const std::string& text) {
    std::string error;
    const auto s = sweep_from_text(text, error);
    if (!s) throw pyb::value_error(error);
    return *s;
}

pyb::tuple row_tuple(const SweepRow& r) {
    return pyb::make_tuple(r.point, r.inputs, r.results, r.status, r.seconds);
}

SweepRow row_of_tuple(const pyb::handle& h) {
    const auto t = h.cast<pyb::tuple>();
    SweepRow r;
    r.point = t[0].cast<long long>();
    r.inputs = t[1].cast<std::vector<double>>();
    r.results = t[2].cast<std::vector<double>>();
    r.status = t[3].cast<std::string>();
    r.seconds = t[4].cast<double>();
    return r;
}

std::string sweep_plan(const std::string& what, const std::vector<pyb::tuple>& over,
                       const pyb::object& params, const std::string& pattern, int cycles, double dt,
                       long long ticks, const pyb::object& profile, int nodes,
                       const pyb::object& settings, double seconds, double wind_factor,
                       double gusts, double seed) {
    SweepPlan s;
    const auto w = sweep_what_named(what);
    if (!w)
        throw pyb::value_error("unknown what \"" + what +
                               "\" (energy-neutral-wind, optimise, fly-summary or track)");
    s.what = *w;
    for (const pyb::tuple& a : over) {
        // (name, start, stop, count), or (name, [values]) for the values listed.
        if (a.size() == 2) {
            SweepAxis axis(a[0].cast<std::string>(), a[1].cast<std::vector<double>>());
            if (axis.values.empty() || axis.values.size() > size_t(kMaxAxisValues))
                throw pyb::value_error(axis.name + ": an axis lists from 1 to 1000000 values");
            for (double v : axis.values)
                if (!std::isfinite(v))
                    throw pyb::value_error(axis.name + ": each value must be a finite number");
            s.axes.push_back(axis);
            continue;
        }
        if (a.size() != 4) throw pyb::value_error("each axis is (name, start, stop, count)");
        const long long count = a[3].cast<long long>();
        if (count < 1 || count > 1'000'000)
            throw pyb::value_error("an axis's count must be from 1 to 1000000");
        s.axes.emplace_back(a[0].cast<std::string>(), a[1].cast<double>(), a[2].cast<double>(),
                            int(count));
        if (!std::isfinite(s.axes.back().start) || !std::isfinite(s.axes.back().stop))
            throw pyb::value_error("an axis's start and stop must be finite numbers");
    }
    const PyParams pp = params_arg(params);
    s.base = pp.set;
    s.preset = pp.preset;
    const bool loop = s.what == SweepWhat::optimise || s.what == SweepWhat::track;
    if (!loop) s.pattern = pattern_of(pattern);
    s.cycles = cycles;
    s.dt = dt;
    s.ticks = ticks;
    s.profile = profile_arg(profile);
    s.nodes = nodes;
    s.loop_settings = settings_arg(settings);
    if (s.what == SweepWhat::track) {
        if (!(seed >= 0.0 && seed <= 9007199254740992.0 && seed == std::floor(seed)))
            throw pyb::value_error("seed must be a whole number from 0 to 9007199254740992");
        s.seconds = seconds, s.wind_factor = wind_factor, s.sigma_w = gusts;
        s.seed = (long long)seed;
    }
    if (loop)
        for (const auto& [name, v] : s.loop_settings) {
            (void)v;
            // The shear layer is both: a flight parameter the loop's settings also take.
            optim::LoopProblem probe;
            if (param_field(name) && !set_loop_setting(probe, name, 0.0))
                throw pyb::value_error("\"" + name +
                                       "\" is a parameter: set it in params, not in settings");
        }
    if (const std::string e = sweep_error(s); !e.empty()) throw pyb::value_error(without_dashes(e));
    return sweep_text(s);
}

pyb::tuple sweep_point_of(const std::string& text, long long point, int retry_nodes) {
    // A worker computes many points of one sweep: its text is read and
    // checked once (the GIL guards the cache).
    static std::string last_text;
    static SweepPlan last;
    if (text != last_text) {
        last = plan_of(text);
        last_text = text;
    }
    if (retry_nodes > 0)
        if (const std::string e = retry_nodes_error(last, retry_nodes); !e.empty())
            throw pyb::value_error("retry_nodes: " + e);
    const SweepPlan s = retry_nodes > 0 ? sweep_at_nodes(last, retry_nodes) : last;
    if (point < 0 || point >= sweep_size(s)) throw pyb::index_error("no such point");
    std::atomic<bool> cancel{false};
    auto row = run_interruptibly<std::optional<SweepRow>>(
        [&] { return sweep_point(s, point, &cancel); }, cancel);
    if (retry_nodes > 0) mark_nodes(*row, retry_nodes);
    return row_tuple(*row);
}

// Runs the points, keeping `csv` (when given) up to date: every 30 s and at
// the end, also when Ctrl-C ends the run, the file holds `kept` and every row
// done so far.
pyb::list run_sweep_points(const std::string& text, const std::vector<long long>& points, int jobs,
                           const std::string& csv, const pyb::list& kept,
                           const pyb::object& progress, const std::vector<std::string>& worker,
                           const std::vector<long long>& again, int retry_nodes) {
    const SweepPlan s = plan_of(text);
    if (retry_nodes > 0)
        if (const std::string e = retry_nodes_error(s, retry_nodes); !e.empty())
            throw pyb::value_error("retry_nodes: " + e);
    const size_t total = points.size() + again.size();
    // One writer per sweep file, as for the command line's sweeps.
    SweepFileLock file_lock;
    struct stat csv_st {};
    if (!csv.empty() && (stat(csv.c_str(), &csv_st) != 0 || S_ISREG(csv_st.st_mode))) {
        std::string lock_error;
        if (!file_lock.take(csv, lock_error)) throw pyb::value_error(lock_error);
    }
    std::vector<SweepRow> rows;
    for (const auto& h : kept) rows.push_back(row_of_tuple(h));
    const size_t before = rows.size();
    std::mutex lock;
    std::atomic<bool> stop{false};
    std::string error;
    auto saved = std::chrono::steady_clock::now();
    std::string save_error;
    const auto save = [&] {
        if (csv.empty()) return;
        if (!write_file_atomically(csv, sweep_file_text(s, rows), save_error)) stop = true;
        saved = std::chrono::steady_clock::now();
    };
    size_t reported = 0;
    bool complete = false;
    try {
        complete = run_interruptibly<bool>(
            [&] {
                return run_sweep_retrying(
                    s, points, again, retry_nodes, jobs,
                    [&](const SweepRow& r) {
                        std::lock_guard l(lock);
                        rows.push_back(r);
                        if (std::chrono::steady_clock::now() - saved > std::chrono::seconds(30))
                            save();
                    },
                    &stop, error, worker);
            },
            stop,
            [&] {
                size_t n;
                {
                    std::lock_guard l(lock);
                    n = rows.size() - before;
                }
                if (!progress.is_none() && n != reported) {
                    reported = n;
                    progress(int(n), int(total));
                }
            });
    } catch (pyb::error_already_set&) {
        save();  // the points done so far are kept for the next run
        throw;
    }
    save();
    if (!progress.is_none() && rows.size() - before != reported)
        progress(int(rows.size() - before), int(total));
    if (!save_error.empty()) throw pyb::value_error(save_error);
    (void)complete;  // without a signal, an incomplete run has its reason in `error`
    if (!error.empty()) throw std::runtime_error(error);
    pyb::list out;
    for (size_t i = before; i < rows.size(); ++i) out.append(row_tuple(rows[i]));
    return out;
}

pyb::tuple read_sweep(const std::string& path) {
    std::string error;
    const auto f = read_sweep_file(path, error);
    if (!f) throw pyb::value_error(error);
    pyb::list rows;
    for (const SweepRow& r : f->rows) rows.append(row_tuple(r));
    return pyb::make_tuple(f->text, rows);
}

void write_sweep(const std::string& path, const std::string& text, const pyb::list& rows) {
    const SweepPlan s = plan_of(text);
    std::vector<SweepRow> all;
    for (const auto& h : rows) all.push_back(row_of_tuple(h));
    std::string error;
    if (!write_file_atomically(path, sweep_file_text(s, all), error))
        throw std::runtime_error(error);
}

pyb::dict sweep_layout(const std::string& text) {
    const SweepPlan s = plan_of(text);
    pyb::dict d;
    pyb::list axes;
    pyb::list values, axis_units;
    for (const SweepAxis& a : s.axes) {
        axis_units.append(sweep_axis_unit(a.name));
        axes.append(pyb::make_tuple(a.name, a.start, a.stop, a.count));
        std::vector<double> v(size_t(a.count));
        for (int k = 0; k < a.count; ++k) v[size_t(k)] = a.value(k);
        values.append(pyb::cast(v));
    }
    d["what"] = std::string(sweep_what_name(s.what));
    d["axes"] = axes;
    d["values"] = values;
    d["results"] = sweep_result_columns(s.what);
    d["units"] = sweep_result_units(s.what);
    d["axis_units"] = axis_units;
    d["size"] = sweep_size(s);
    return d;
}

}  // namespace

void bind_params(pyb::module_& m) {
    pyb::class_<PyParams>(m, "Params")
        .def(pyb::init([](const std::string& preset) {
                 PyParams p;
                 const std::string name = preset == "albatross" ? "design-albatross" : preset;
                 if (!apply_preset(p.set, name))
                     throw pyb::value_error("unknown preset \"" + preset +
                                            "\" (presets: " + preset_names() + ")");
                 p.preset = name;
                 return p;
             }),
             pyb::arg("preset") = "design-albatross")
        .def_readonly("preset", &PyParams::preset,
                      "The preset these parameters started from; it picks the loop's bounds "
                      "and profile for optimise (zhao-glider, sachs-2005-albatross).")
        .def("get", &get_field, pyb::arg("name"), pyb::arg("pattern") = "",
             "The value of a field as the pattern flies it (the upwind pattern's when no "
             "pattern is given), in the field's unit (fields()).")
        .def("set", &set_field, pyb::arg("name"), pyb::arg("value"), pyb::arg("pattern") = "",
             "Sets a field as --set does with that pattern selected: air, bird and wind for "
             "every pattern (CD0, K_ind and U_ref leave the circle zoom's own unless pattern is "
             "circlezoom), a schedule field for that pattern alone. ValueError with the "
             "field's range when the value is outside it; KeyError for an unknown name or a "
             "field the pattern does not fly with.")
        .def("__repr__",
             [](const PyParams& p) {
                 const std::string note = params_note(p.set);
                 return "<soarcalculus.Params: " + (note.empty() ? "default albatross" : note) +
                        ">";
             })
        .def("__getitem__",
             [](const PyParams& p, const std::string& key) {
                 const size_t dot = key.find('.');
                 if (dot == std::string::npos) return get_field(p, key, "");
                 return get_field(p, key.substr(dot + 1), key.substr(0, dot));
             })
        .def("__setitem__",
             [](PyParams& p, const std::string& key, double value) {
                 const size_t dot = key.find('.');
                 if (dot == std::string::npos) return set_field(p, key, value, "");
                 set_field(p, key.substr(dot + 1), value, key.substr(0, dot));
             })
        .def(
            "__setitem__",
            [](PyParams& p, const std::string& key, const std::string& value) {
                const size_t dot = key.find('.');
                if (dot == std::string::npos) return set_choice(p, key, value, "");
                set_choice(p, key.substr(dot + 1), value, key.substr(0, dot));
            },
            "A named choice by its name: p['profile'] = 'logarithmic'.")
        .def(
            "toml", [](const PyParams& p) { return param_file_text(p.set); },
            "The parameter file's text (TOML), as `soarcalculus params` prints it: every key "
            "with its meaning, unit and range.")
        .def_static(
            "from_toml",
            [](const std::string& text, const std::string& source) {
                const ParamFileRead r = parse_param_file(text, source);
                if (!r.set) throw pyb::value_error(r.error);
                return PyParams{*r.set, "design-albatross"};
            },
            pyb::arg("text"), pyb::arg("source") = "<text>",
            "Parameters from a parameter file's text; ValueError naming source:line and the "
            "reason when any line is bad (nothing is taken).")
        .def_static(
            "load",
            [](const std::string& path) {
                const ParamFileRead r = load_param_file(path);
                if (!r.set) throw pyb::value_error(r.error);
                return PyParams{*r.set, "design-albatross"};
            },
            pyb::arg("path"),
            "Parameters from a parameter file (TOML, at most 1 MiB); ValueError naming "
            "file:line and the reason when anything in it is bad (nothing is taken).")
        .def(
            "save",
            [](const PyParams& p, const std::string& path) {
                const std::string error = save_param_file(path, p.set);
                if (!error.empty()) throw std::runtime_error(error);
            },
            pyb::arg("path"),
            "Writes the parameter file whole or not at all (RuntimeError with the file and "
            "the system's reason).")
        .def(
            "note", [](const PyParams& p) { return params_note(p.set); },
            "\"\" for the defaults, the preset's label for a preset's values, \"own values\" "
            "otherwise (as the window's title says).")
        .def("copy", [](const PyParams& p) { return p; })
        .def("__eq__", [](const PyParams& a, const PyParams& b) { return a.set == b.set; })
        .def("_blob", &params_blob)
        .def_static("_from_blob", &params_from_blob)
        .def(pyb::pickle(
            [](const PyParams& p) { return pyb::make_tuple(params_blob(p), p.preset); },
            [](const pyb::tuple& t) {
                return params_from_blob(t[0].cast<pyb::bytes>(), t[1].cast<std::string>());
            }));

    m.def("param_fields", [] {
        pyb::list out;
        for (const ParamField& f : param_fields()) {
            pyb::list patterns;
            for (const PatternName& p : flying_pattern_names())
                if (param_used(f, p.mode)) patterns.append(p.name);
            const char* groups[] = {"air", "bird", "wind", "pattern"};
            out.append(pyb::make_tuple(f.name, groups[int(f.group)], f.unit, f.meaning,
                                       double(f.lo), double(f.hi), patterns));
        }
        return out;
    });
    m.def("presets", [] {
        pyb::list out;
        for (const Preset& p : presets()) out.append(pyb::make_tuple(p.name, p.label));
        return out;
    });
}

// The commanded flight stepped from Python (flight_binding.cpp).
void bind_flight(pybind11::module_& m);

}  // namespace soar::py

PYBIND11_MODULE(_core, m) {
    namespace pyb = pybind11;
    using namespace soar::py;
    m.doc() = "The Soarcalculus engine (see the soarcalculus package for the documented API).";
    bind_params(m);
    bind_flight(m);
    m.def("fly", &fly, pyb::arg("pattern"), pyb::arg("ticks"), pyb::arg("dt"),
          pyb::arg("params") = pyb::none(), pyb::arg("clock_start") = 0.0,
          pyb::arg("energy") = false);
    m.def("energy_neutral_wind", &energy_neutral_wind, pyb::arg("pattern"),
          pyb::arg("params") = pyb::none(), pyb::arg("cycles") = 10, pyb::arg("dt") = 0.01,
          pyb::arg("threads") = 0, pyb::arg("progress") = pyb::none());
    m.def("optimise", &optimise, pyb::arg("params") = pyb::none(),
          pyb::arg("profile") = pyb::none(), pyb::arg("nodes") = 50,
          pyb::arg("settings") = pyb::none(), pyb::arg("progress") = pyb::none());
    m.def("sweep_plan", &sweep_plan);
    m.def("sweep_layout", &sweep_layout);
    m.def("sweep_point", &sweep_point_of, pyb::arg("plan"), pyb::arg("point"),
          pyb::arg("retry_nodes") = 0);
    m.def("check_retry_nodes", [](const std::string& text, int nodes) {
        if (const std::string e = retry_nodes_error(plan_of(text), nodes); !e.empty())
            throw pyb::value_error("retry_nodes: " + e);
    });
    m.def("run_sweep", &run_sweep_points, pyb::arg("plan"), pyb::arg("points"), pyb::arg("jobs"),
          pyb::arg("csv"), pyb::arg("kept"), pyb::arg("progress"), pyb::arg("worker"),
          pyb::arg("again") = std::vector<long long>{}, pyb::arg("retry_nodes") = 0);
    m.def("read_sweep", &read_sweep);
    m.def("failed_points", [](const std::string& text, const pyb::list& rows) {
        const soar::SweepPlan s = plan_of(text);
        std::vector<long long> out;
        for (const auto& h : rows) {
            const soar::SweepRow r = row_of_tuple(h);
            if (soar::sweep_row_failed(s, r)) out.push_back(r.point);
        }
        return out;
    });
    // A worker process of sweep(jobs=...): its sweep and points on standard
    // input, its rows on standard output (the sweep starts it).
    m.def("sweep_worker", [] {
        pyb::gil_scoped_release release;
        return soar::sweep_worker_main(0, 1);
    });
    m.attr("__version__") = SOAR_VERSION;
    m.def("write_sweep", &write_sweep);
    m.def("write_file", [](const std::string& path, const std::string& text) {
        std::string error;
        if (!soar::write_file_atomically(path, text, error)) throw std::runtime_error(error);
    });
    m.def("check_render", [](const std::string& pattern, long long ticks, double dt,
                             double clock_start, int width, int height) {
        pattern_of(pattern, true);
        checked_count("ticks", ticks);
        checked_number("dt", dt, soar::cli::kDtRange);
        checked_number("clock_start", clock_start, soar::cli::kClockStartRange);
        if (width < soar::cli::kMinSide || width > soar::cli::kMaxSide ||
            height < soar::cli::kMinSide || height > soar::cli::kMaxSide)
            throw pyb::value_error("size needs WIDTHxHEIGHT with each side from 16 to 8192 pixels");
    });
}
