#include "sim/min_wind.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "sim/cycles.h"
#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/flight.h"
#include "sim/wind.h"

namespace soar {

namespace {

Params scaled(const Params& p, double factor) {
    Params q = p;
    q.U_ref = float(double(p.U_ref) * factor);
    return q;
}

}  // namespace

double wind_at_10m(const Params& p, double factor) {
    return wind_at_height(scaled(p, factor), 10.0f).U;
}

WindTrial wind_trial(const Params& p0, const MinWindSearch& how, double factor,
                     const std::atomic<bool>* cancel) {
    const Params p = scaled(p0, factor);
    WindTrial r;
    r.factor = factor;
    r.U_10 = wind_at_10m(p0, factor);
    CycleTable table;
    // No cycle of the patterns lasts two minutes; a flight that has not closed
    // its cycles by then is not flying them.
    const long long max_ticks = std::llround(double(how.cycles) * 120.0 / how.dt);
    try {
        Flight flight(p, how.mode);
        const FlightState& s = flight.state();
        table.start(how.mode, p);
        table.add(s);
        for (long long k = 1; table.completed() < how.cycles; ++k) {
            if (k > max_ticks) {
                r.why = "cycles not completed";
                break;
            }
            if (cancel && k % 4096 == 0 && cancel->load()) {
                r.why = "cancelled";
                break;
            }
            // Tick k at flight time k dt, as a clock read every dt from 0 gives it.
            const float t = float(double(k) * how.dt);
            flight.step(double(t) - double(s.t));
            if (s.Z < 0.0f) {
                r.why = "touched the sea";
                break;
            }
            table.add(s);
        }
    } catch (const FlightFault& f) {
        r.why = f.what();
    }
    const auto& rows = table.rows();
    r.cycles = int(rows.size());
    const int last = std::max(1, how.cycles / 2);
    const int from = std::max(0, r.cycles - last);
    double sum = 0;
    for (int i = from; i < r.cycles; ++i) sum += rows[size_t(i)].dE;
    r.dE_cycle = r.cycles > from ? sum / double(r.cycles - from) : 0.0;
    if (r.why.empty()) {
        const double E = rows.empty() ? 0.0 : rows[size_t(from)].E_start;
        if (sum < -how.tolerance * std::fabs(E))
            r.why = "loses energy";
        else
            r.sustained = true;
    }
    return r;
}

MinWindResult min_wind(const Params& p, const MinWindSearch& how, const std::atomic<bool>* cancel,
                       const std::function<void(int, int)>& progress) {
    MinWindResult out;
    const int threads =
        std::max(1, how.threads > 0 ? how.threads : int(std::thread::hardware_concurrency()));
    auto run = [&](const std::vector<double>& factors) {
        std::vector<WindTrial> got(factors.size());
        std::vector<std::thread> pool;
        for (size_t i = 1; i < factors.size(); ++i)
            pool.emplace_back([&, i] { got[i] = wind_trial(p, how, factors[i], cancel); });
        got[0] = wind_trial(p, how, factors[0], cancel);
        for (auto& t : pool) t.join();
        out.trials.insert(out.trials.end(), got.begin(), got.end());
        return got;
    };
    auto cancelled = [&] { return cancel && cancel->load(); };
    auto finish = [&] {
        std::sort(out.trials.begin(), out.trials.end(),
                  [](const WindTrial& a, const WindTrial& b) { return a.factor < b.factor; });
        return out;
    };
    // Rounds: one at no wind, a scan upwards in steps of kScanStep of reference
    // wind (threads trials a round) to the first sustained trial, then
    // bisection rounds that split the bracket into threads + 1 parts. A pattern
    // is sustained only within a window of winds (too much wind breaks its
    // fixed schedule as surely as too little), so doubling from the user's wind
    // could step over the window and report none.
    constexpr double kScanStep = 0.5;  // m/s of U_ref
    const double hi_limit = p.U_ref > 0 ? 40.0 / double(p.U_ref) : 0.0;
    const double step = p.U_ref > 0 ? kScanStep / double(p.U_ref) : 0.0;
    const int scan_trials = step > 0 ? int(std::ceil(hi_limit / step - 1e-9)) : 0;
    int bisections = 0;
    for (double w = step; w > how.resolution; w /= double(threads + 1)) ++bisections;
    const int total = 1 + (scan_trials + threads - 1) / threads + bisections;
    int round = 0;
    auto tick = [&] {
        if (progress) progress(std::min(++round, total), total);
    };
    const WindTrial calm = run({0.0})[0];
    tick();
    if (cancelled()) {  // the trials of a cancelled round say nothing
        out.message = "cancelled";
        return finish();
    }
    if (calm.sustained) {
        out.found = true, out.least = calm;
        return finish();
    }
    if (hi_limit <= 0) {
        out.message = "not sustained, and the reference wind is 0: no wind scale helps";
        return finish();
    }
    double lo = 0.0, hi = 0.0;
    WindTrial best;
    for (int next = 1; !best.sustained; next += threads) {
        if (next > scan_trials) {
            out.message = "not sustained at any reference wind up to 40 m/s";
            return finish();
        }
        if (cancelled()) {
            out.message = "cancelled";
            return finish();
        }
        std::vector<double> fs;
        for (int i = next; i < next + threads && i <= scan_trials; ++i)
            fs.push_back(std::min(double(i) * step, hi_limit));
        const std::vector<WindTrial> got = run(fs);
        tick();
        if (cancelled()) {
            out.message = "cancelled";
            return finish();
        }
        for (const WindTrial& t : got) {
            if (t.sustained) {
                hi = t.factor, best = t;
                break;
            }
            lo = t.factor;
        }
    }
    while (hi - lo > how.resolution) {
        if (cancelled()) {
            out.message = "cancelled";
            return finish();
        }
        std::vector<double> fs;
        for (int i = 1; i <= threads; ++i) fs.push_back(lo + (hi - lo) * i / (threads + 1));
        const std::vector<WindTrial> got = run(fs);
        tick();
        if (cancelled()) {
            out.message = "cancelled";
            return finish();
        }
        // The bracket closes on the first sustained factor; below it the last failure.
        double new_lo = lo, new_hi = hi;
        WindTrial new_best = best;
        for (size_t i = 0; i < got.size(); ++i) {
            if (got[i].sustained) {
                new_hi = got[i].factor, new_best = got[i];
                break;
            }
            new_lo = got[i].factor;
        }
        lo = new_lo, hi = new_hi, best = new_best;
    }
    if (progress) progress(total, total);
    out.found = true, out.least = best;
    return finish();
}

}  // namespace soar
