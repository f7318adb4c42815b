// min-wind: the least wind scale with which a pattern keeps flying its cycles.
#include <cstdio>
#include <string>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "sim/min_wind.h"

namespace soar::cli {

int min_wind_command(int argc, char** argv, bool parse_only) {
    MinWindSearch how;
    ParamSet set;
    try {
        std::vector<char*> rest;
        const ParamOptions po = take_param_options(argc, argv, rest);
        const Args a = parse_args(int(rest.size()), rest.data(), {"pattern", "cycles", "dt"}, {});
        how.mode = pattern_arg(a, false);
        how.cycles = int(count_arg(a, "cycles", 10));
        if (how.cycles > 1000) throw ArgError{"--cycles must be from 1 to 1000"};
        how.dt = number_arg(a, "dt", 0.01);
        if (!(how.dt >= 0.001 && how.dt <= 0.1)) throw ArgError{"--dt must be from 0.001 to 0.1"};
        set = resolve_param_options(po, how.mode);
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus min-wind: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    if (parse_only) return 0;
    const Params& p = set.of(how.mode);
    const MinWindResult r = min_wind(p, how);
    std::printf("# %d cycles at a fixed step of %g s; U_ref = %g m/s at factor 1\n", how.cycles,
                how.dt, double(p.U_ref));
    std::printf("%8s %10s %12s %7s  %s\n", "factor", "U_10m_m/s", "dE/cycle_m", "cycles", "result");
    for (const WindTrial& t : r.trials)
        std::printf("%8.4f %10.3f %12.4f %7d  %s\n", t.factor, t.U_10, t.dE_cycle, t.cycles,
                    t.sustained ? "sustained" : t.why.c_str());
    if (r.found) {
        std::printf("least wind: factor %.4f, %.3f m/s at 10 m, %.4f m of energy per cycle\n",
                    r.least.factor, r.least.U_10, r.least.dE_cycle);
    } else {
        std::printf("least wind: none found (%s)\n", r.message.c_str());
    }
    return stdout_written("min-wind") ? 0 : 1;
}

}  // namespace soar::cli
