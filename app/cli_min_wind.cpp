// min-wind: the energy-neutral wind of a pattern. The table of the mean energy
// gained per cycle over a window of cycles against the wind, its zero
// crossings, and the lowest wind at which the pattern gains and survives.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "platform/atomic_file.h"
#include "sim/limits.h"
#include "sim/min_wind.h"
#include "sim/names.h"

namespace soar::cli {

namespace {

void print_row(const WindTrial& t, const MinWindSearch& how) {
    char gain[32] = "-";
    if (t.measured) std::snprintf(gain, sizeof gain, "%+.4f", t.dE_cycle);
    const char* verdict = t.sustained(how.tolerance) ? "gains, survives"
                          : !t.measured              ? ""
                          : t.gains(how.tolerance)   ? "gains"
                                                     : "loses";
    std::string limits;
    if (how.limits.any() && t.cycles > 0) limits = "; " + limit_brief(t.limits);
    std::printf("%8.4f %9.3f %11s %4d/%-4d %s%s%s%s\n", t.factor, t.U_10, gain, t.cycles,
                how.settle + how.cycles, verdict, *verdict && !t.end.empty() ? "; " : "",
                t.end.c_str(), limits.c_str());
}

std::string at(const WindTrial& t) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "factor %.4f (%.3f m/s at 10 m)", t.factor, t.U_10);
    return buf;
}

}  // namespace

int min_wind_command(int argc, char** argv, bool parse_only) {
    MinWindSearch how;
    ParamSet set;
    std::string csv;
    try {
        std::vector<char*> rest;
        const ParamOptions po = take_param_options(argc, argv, rest);
        const Args a = parse_args(int(rest.size()), rest.data(),
                                  {"pattern", "cycles", "dt", "threads", "csv", "limits"}, {});
        how.mode = pattern_arg(a, false);
        how.cycles = int(count_arg(a, "cycles", 10));
        if (how.cycles > 1000) throw ArgError{"--cycles must be from 1 to 1000"};
        how.dt = number_arg(a, "dt", 0.01);
        if (!(how.dt >= 0.001 && how.dt <= 0.1)) throw ArgError{"--dt must be from 0.001 to 0.1"};
        if (a.values.count("threads"))
            how.threads = int(count_arg(a, "threads", std::nullopt, 256));
        if (a.values.count("csv")) csv = output_arg(a, "csv");
        if (a.values.count("limits")) {
            std::string error;
            if (!parse_flight_limits(a.values.at("limits"), how.limits, error))
                throw ArgError{"--limits: " + error};
        }
        set = resolve_param_options(po, how.mode);
        refuse_one_file_twice({{"--csv", csv}, {"--params", po.file, false}});
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus min-wind: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    if (parse_only) return 0;
    const Params& p = set.of(how.mode);
    const int all = how.settle + how.cycles;

    std::printf("min-wind: the energy-neutral wind of the %s pattern\n", mode_words(how.mode));
    std::printf("wind: %s\n", profile_text(p).c_str());
    std::printf(
        "For each wind factor on the reference wind U_ref (factor 1: U_ref = %g m/s%s),\n"
        "the mean change of the specific energy E = Z + V^2/2g per cycle over cycles %d\n"
        "to %d (cycle 1 settles the flight), and the cycles survived of %d (a stall or\n"
        "the sea ends a flight). Grid 0 to %g in steps of %g, each sign change halved %d\n"
        "times; fixed step %g s.\n",
        base_reference_wind(p), p.U_ref > 0.0f ? "" : ", the reference wind of the other patterns",
        how.settle + 1, all, all, how.factor_max, how.factor_step, how.halvings, how.dt);
    if (how.limits.any())
        std::printf(
            "limits: %s, checked at every tick flown; a factor counts only where the flight\n"
            "kept them (the flight is not stopped by them)\n",
            flight_limits_text(how.limits).c_str());
    std::fflush(stdout);

    const bool terminal = isatty(STDERR_FILENO);
    const MinWindResult r = min_wind(p, how, nullptr, [&](int done, int total) {
        if (terminal) std::fprintf(stderr, "\rtrial %d of %d ", done, total);
    });
    if (terminal) std::fprintf(stderr, "\r%*s\r", 30, "");

    std::printf("%8s %9s %11s %9s %s\n", "factor", "U_10m", "dE/cycle", "cycles", "");
    std::printf("%8s %9s %11s %9s\n", "", "m/s", "m", "survived");
    for (const WindTrial& t : r.trials) print_row(t, how);

    if (r.crossings.empty()) {
        std::printf("zero crossings of the mean gain: none\n");
    } else {
        std::printf("zero crossings of the mean gain (%zu):\n", r.crossings.size());
        for (const WindCrossing& c : r.crossings)
            std::printf("  %s between %s and %s\n", c.rising ? "loses -> gains" : "gains -> loses",
                        at(c.below).c_str(), at(c.above).c_str());
    }
    if (r.found) {
        const bool neutral = r.kind == LeastWindKind::energy_neutral;
        std::printf(
            "%s: %s, U_ref %.4g m/s, %+.4f m per cycle: the lowest factor\n"
            "  of the table that gains on average and survives all %d cycles%s",
            neutral ? "energy-neutral wind" : "survival limit", at(r.least).c_str(),
            double(r.least.U_ref), r.least.dE_cycle, all,
            how.limits.any() ? " within the limits" : "");
        if (r.bracketed)
            std::printf("; below it %s %s", at(r.below_least).c_str(),
                        !r.below_least.measured   ? "does not complete the settling cycle"
                        : !r.below_least.survived ? "does not survive"
                        : !r.below_least.within   ? "exceeds the limits"
                                                  : "loses energy");
        std::printf("\n");
        std::printf("rule: %s, since %s\n",
                    neutral ? "energy-neutral (the mean gain crosses zero and stays positive above)"
                            : "survival limit (not an energy balance)",
                    r.why.c_str());
    } else {
        std::printf("energy-neutral wind: none (%s%s)\n", r.message.c_str(),
                    how.limits.any() ? " within the limits" : "");
    }
    if (!csv.empty()) {
        std::string error;
        if (!write_file_atomically(csv, min_wind_csv(r, how), error)) {
            std::fprintf(stderr, "soarcalculus min-wind: cannot write \"%s\": %s\n", csv.c_str(),
                         error.c_str());
            return 1;
        }
        std::printf("table written to %s (%zu rows)\n", csv.c_str(), r.trials.size());
    }
    return stdout_written("min-wind") ? 0 : 1;
}

}  // namespace soar::cli
