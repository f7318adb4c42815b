#include "sim/min_wind.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "sim/cycles.h"
#include "sim/fault.h"
#include "sim/flight.h"
#include "sim/wind.h"

namespace soar {

namespace {

Params scaled(const Params& p, double factor) {
    Params q = p;
    q.U_ref = float(base_reference_wind(p) * factor);
    return q;
}

// The one place that flies the flight model: a fresh flight of `mode` with
// `p`, stepped at `dt` until `cycles` cycles are complete or the flight ends.
// Returns why it ended early (empty when all were flown); `table` holds the
// completed cycles.
std::string fly_cycles(const Params& p, Mode mode, int cycles, double dt, CycleTable& table,
                       const std::atomic<bool>* cancel, const FlightLimits& limits,
                       LimitCheck& check) {
    // No cycle of the patterns lasts two minutes; a flight that has not closed
    // its cycles by then is not flying them.
    const long long max_ticks = std::llround(double(cycles) * 120.0 / dt);
    try {
        Flight flight(p, mode);
        const FlightState& s = flight.state();
        table.start(mode, p);
        table.add(s);
        if (limits.any()) check.add(s, limits);
        for (long long k = 1; table.completed() < cycles; ++k) {
            if (k > max_ticks) return "cycles not completed";
            if (cancel && k % 4096 == 0 && cancel->load()) return "cancelled";
            // Step k at flight time k dt, as a clock read every dt from 0 gives
            // it: tick k + 1 of `fly --dt dt`.
            const float t = float(double(k) * dt);
            flight.step(double(t) - double(s.t));
            table.add(s);
            if (limits.any()) check.add(s, limits);
        }
    } catch (const SeaContact&) {
        return "touched the sea";
    } catch (const FlightFault& f) {
        return f.what();
    }
    return "";
}

// Runs the trials of `factors` on `threads` threads that take the next
// untried factor in turn; the results come back in the order of `factors`.
std::vector<WindTrial> run_trials(const Params& p, const MinWindSearch& how,
                                  const std::vector<double>& factors, int threads,
                                  const std::atomic<bool>* cancel,
                                  const std::function<void()>& one_done) {
    std::vector<WindTrial> got(factors.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < factors.size();) {
            got[i] = wind_trial(p, how, factors[i], cancel);
            if (one_done) one_done();
        }
    };
    std::vector<std::thread> pool;
    const int extra = std::min(threads, int(factors.size())) - 1;
    for (int t = 0; t < extra; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    return got;
}

// A bracket being halved: the predicate (gains, or sustained) differs between its ends.
struct Bracket {
    double lo, hi;
    bool sustain;  // the predicate is "sustained", else "gains"
    bool open = true;
};

// Energy-neutral: the row just below the answer flew its whole window and lost
// (or the answer is no wind at all), and the next rows_above rows of the grid
// above it gain and survive as well. Otherwise a survival limit.
void classify_least(MinWindResult& out, const std::map<double, WindTrial>& table,
                    const MinWindSearch& how) {
    const double tol = how.tolerance;
    const WindTrial& least = out.least;
    char buf[200];
    bool crossing = false;
    if (least.factor == 0.0) {
        crossing = true;
    } else if (out.bracketed) {
        const WindTrial& b = out.below_least;
        crossing = b.survived && b.within && !b.gains(tol);
    }
    if (!crossing) {
        const WindTrial& b = out.below_least;
        std::snprintf(buf, sizeof buf, "just below it (factor %.4f) the bird %s", b.factor,
                      !b.measured   ? "does not complete the settling cycle"
                      : !b.survived ? "does not survive the window"
                      : !b.within   ? "exceeds the limits"
                                    : "gains");
        out.why = buf;
        return;
    }
    int checked = 0;
    const int steps = int(std::floor(how.factor_max / how.factor_step + 1e-9));
    for (int i = 0; i <= steps && checked < how.rows_above; ++i) {
        const double f = double(i) * how.factor_step;
        if (!(f > least.factor)) continue;
        const WindTrial& t = table.at(f);
        ++checked;
        if (!t.sustained(tol)) {
            std::snprintf(buf, sizeof buf,
                          "the mean gain crosses zero there but at factor %.4f above it the "
                          "bird %s",
                          t.factor,
                          !t.survived ? "does not survive"
                          : !t.within ? "exceeds the limits"
                                      : "loses again");
            out.why = buf;
            return;
        }
    }
    out.kind = LeastWindKind::energy_neutral;
    std::snprintf(
        buf, sizeof buf, "%s, and the %d grid rows above it gain and survive",
        least.factor == 0.0 ? "no wind is needed" : "the mean gain crosses zero from a loss below",
        checked);
    out.why = buf;
}

}  // namespace

bool WindTrial::gains(double tolerance) const {
    return measured && dE_cycle >= -tolerance * std::fabs(E_window);
}

double base_reference_wind(const Params& p) {
    return p.U_ref > 0.0f ? double(p.U_ref) : double(pattern_defaults(Mode::upwind).U_ref);
}

double wind_at_10m(const Params& p, double factor) {
    return wind_at_height(scaled(p, factor), 10.0f).U;
}

WindTrial wind_trial(const Params& p0, const MinWindSearch& how, double factor,
                     const std::atomic<bool>* cancel) {
    const Params p = scaled(p0, factor);
    WindTrial r;
    r.factor = factor;
    r.U_ref = p.U_ref;
    r.U_10 = wind_at_10m(p0, factor);
    CycleTable table;
    const int all = how.settle + how.cycles;
    r.end = fly_cycles(p, how.mode, all, how.dt, table, cancel, how.limits, r.limits);
    r.within = r.limits.within();
    const auto& rows = table.rows();
    r.cycles = int(rows.size());
    r.survived = r.end.empty() && r.cycles >= all;
    if (r.cycles > how.settle) {
        r.measured = true;
        const CycleRow& first = rows[size_t(how.settle)];
        const CycleRow& last = rows[size_t(r.cycles - 1)];
        double sum = 0;
        for (int i = how.settle; i < r.cycles; ++i) sum += rows[size_t(i)].dE;
        r.dE_cycle = sum / double(r.cycles - how.settle);
        r.E_window = first.E_start;
        r.t_window = first.t_start;
        r.t_end = last.t_start + last.period;
    }
    return r;
}

MinWindResult min_wind(const Params& p, const MinWindSearch& how, const std::atomic<bool>* cancel,
                       const std::function<void(int, int)>& progress) {
    MinWindResult out;
    out.base_U_ref = base_reference_wind(p);
    const int threads =
        std::max(1, how.threads > 0 ? how.threads : int(std::thread::hardware_concurrency()));
    const double tol = how.tolerance;
    std::map<double, WindTrial> table;  // every trial flown, by factor

    std::mutex progress_lock;
    int done = 0, total = 0;
    auto one_done = [&] {
        if (!progress) return;
        const std::lock_guard<std::mutex> hold(progress_lock);
        ++done;
        progress(std::min(done, total), total);
    };
    auto cancelled = [&] { return cancel && cancel->load(); };
    auto fly = [&](std::vector<double> factors) {
        std::vector<double> fresh;
        for (double f : factors)
            if (!table.count(f) && std::find(fresh.begin(), fresh.end(), f) == fresh.end())
                fresh.push_back(f);
        const std::vector<WindTrial> got = run_trials(p, how, fresh, threads, cancel, one_done);
        for (const WindTrial& t : got) table[t.factor] = t;
    };
    auto finish = [&] {
        for (const auto& [f, t] : table) out.trials.push_back(t);
        if (out.cancelled) out.message = "cancelled";
        return out;
    };

    // The grid, in whole steps: the factors are the same numbers on every run.
    std::vector<double> grid;
    const int steps = int(std::floor(how.factor_max / how.factor_step + 1e-9));
    for (int i = 0; i <= steps; ++i) grid.push_back(double(i) * how.factor_step);
    total = int(grid.size()) + how.halvings;
    fly(grid);
    if (cancelled()) {  // the trials of a cancelled round say nothing
        out.cancelled = true;
        return finish();
    }

    // Brackets: each sign change of the mean gain between neighbouring
    // measured grid rows, and the step up to the lowest sustained grid row.
    std::vector<Bracket> brackets;
    const WindTrial* prev = nullptr;
    for (double f : grid) {
        const WindTrial& t = table.at(f);
        if (!t.measured) continue;
        if (prev && prev->gains(tol) != t.gains(tol))
            brackets.push_back({prev->factor, t.factor, false});
        prev = &t;
    }
    for (size_t i = 0; i < grid.size(); ++i) {
        if (!table.at(grid[i]).sustained(tol)) continue;
        if (i > 0) brackets.push_back({grid[i - 1], grid[i], true});
        break;
    }
    total = int(grid.size()) + how.halvings * int(brackets.size());
    if (progress) progress(std::min(done, total), total);

    for (int round = 0; round < how.halvings; ++round) {
        std::vector<double> mids;
        for (const Bracket& b : brackets)
            if (b.open) mids.push_back(0.5 * (b.lo + b.hi));
        if (mids.empty()) break;
        fly(mids);
        if (cancelled()) {
            out.cancelled = true;
            return finish();
        }
        for (Bracket& b : brackets) {
            if (!b.open) continue;
            const WindTrial& lo = table.at(b.lo);
            const WindTrial& mid = table.at(0.5 * (b.lo + b.hi));
            if (!b.sustain && !mid.measured) {
                b.open = false;  // the bird did not live through the settling cycle there
                continue;
            }
            const bool same = b.sustain ? mid.sustained(tol) == lo.sustained(tol)
                                        : mid.gains(tol) == lo.gains(tol);
            (same ? b.lo : b.hi) = mid.factor;
        }
    }
    if (progress) progress(total, total);

    // The answer, read off the whole table.
    const WindTrial* last_measured = nullptr;
    const WindTrial* before = nullptr;
    for (const auto& [f, t] : table) {
        if (t.measured) {
            if (last_measured && last_measured->gains(tol) != t.gains(tol))
                out.crossings.push_back({*last_measured, t, t.gains(tol)});
            last_measured = &t;
        }
        if (!out.found && t.sustained(tol)) {
            out.found = true;
            out.least = t;
            if (before) out.bracketed = true, out.below_least = *before;
        }
        before = &t;
    }
    if (out.found) classify_least(out, table, how);
    if (!out.found) {
        char why[160];
        std::snprintf(why, sizeof why,
                      "no factor up to %g (U_ref %.2f m/s) gains on average and survives %d cycles",
                      how.factor_max, how.factor_max * out.base_U_ref, how.settle + how.cycles);
        out.message = why;
    }
    return finish();
}

std::string min_wind_csv(const MinWindResult& r, const MinWindSearch& how) {
    // With limits, a column says whether each row's flight kept them.
    const bool limits = how.limits.any();
    std::string out =
        limits ? "factor,U_ref,U_10m,dE_per_cycle,cycles,survived,gains,within_limits,end\n"
               : "factor,U_ref,U_10m,dE_per_cycle,cycles,survived,gains,end\n";
    char line[256];
    for (const WindTrial& t : r.trials) {
        char gain[40] = "";
        if (t.measured) std::snprintf(gain, sizeof gain, "%.6f", t.dE_cycle);
        std::string end = t.end;
        std::replace(end.begin(), end.end(), ',', ';');
        std::snprintf(line, sizeof line, "%.6f,%.9g,%.4f,%s,%d,%d,%d,%s%s\n", t.factor,
                      double(t.U_ref), t.U_10, gain, t.cycles, t.survived ? 1 : 0,
                      t.gains(how.tolerance) ? 1 : 0, limits ? (t.within ? "1," : "0,") : "",
                      end.c_str());
        out += line;
    }
    return out;
}

}  // namespace soar
