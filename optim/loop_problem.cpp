#include "optim/loop_problem.h"

#include "sim/names.h"

namespace soar::optim {

const char* wind_unit(WindProfile p) {
    return p == WindProfile::linear ? "1/s" : "m/s";
}

const char* profile_name(WindProfile p) {
    return soar::profile_brief(p);
}

bool profile_named(const std::string& name, WindProfile& out) {
    const auto shape = soar::profile_named(name);
    if (!shape) return false;
    out = *shape;
    return true;
}

LoopProblem albatross(WindProfile profile) {
    LoopProblem p;
    p.g = 9.8;
    p.rho = 1.22;
    p.wing_loading = 107.8 * 16.0 / (3.5 * 3.5);
    p.CD0 = 0.015;
    p.K = 1.0 / (720.0 / 16.0);
    // In the flight model's lift curve (alpha = CL / (1.76/19) - 3 deg) CL = 1.5
    // is reached at 13 deg angle of attack, about where a thin cambered wing stalls.
    p.CL_min = 0.0;
    p.CL_max = 1.5;
    p.n_min = -2.0;
    p.n_max = 5.0;
    p.bank_max = 75.0 * k::exact_pi / 180.0;
    // A wandering albatross spans about 3.4 m: the lower wing tip stays 0.2 m
    // above the sea (wave tops), whatever the bank.
    p.half_span = 1.7;
    p.tip_min = 0.2;
    p.start_height_fixed = false;
    p.T_min = 4.0;
    p.T_max = 40.0;
    p.profile = profile;
    // Open-ocean roughness length under a strong wind (Charnock's relation gives
    // 0.1 to 1 mm for calm to moderate seas; 0.03 m allows for waves and swell).
    p.z0 = 0.03;
    p.wind_min = profile == WindProfile::linear ? 1e-4 : 0.1;
    p.wind_max = profile == WindProfile::linear ? 5.0 : 60.0;
    return p;
}

LoopProblem zhao_glider() {
    // Imperial figures of the benchmark, converted exactly.
    constexpr double slug = 14.5939029372;   // kg
    constexpr double ft = 0.3048;            // m
    const double mass = 5.6 * slug;          // kg
    const double area = 45.09703 * ft * ft;  // m^2
    const double g = 32.2 * ft;              // m/s^2

    LoopProblem p;
    p.g = g;
    p.rho = 0.002378 * slug / (ft * ft * ft);
    p.wing_loading = mass * g / area;
    p.CD0 = 0.00873;
    p.K = 0.045;
    p.CL_min = 0.0;
    p.CL_max = 1.5;
    p.n_min = -2.0;
    p.n_max = 5.0;
    p.bank_max = 75.0 * k::exact_pi / 180.0;
    p.half_span = 0.0;
    p.tip_min = 0.0;
    p.start_height_fixed = true;
    p.Z_start = 0.0;
    p.T_min = 10.0;
    p.T_max = 30.0;
    p.profile = WindProfile::linear;
    // The benchmark's wind grows from the sea itself and without limit: the
    // clamp lies far above any loop.
    p.Z_ref = 100.0;
    p.zeta_min = 0.0;
    p.zeta_max = 100.0;
    p.wind_min = 0.005;
    p.wind_max = 0.15;
    return p;
}

LoopProblem sachs_albatross() {
    LoopProblem p = albatross(WindProfile::logarithmic);
    constexpr double mass = 8.5, area = 0.65, span = 3.4;  // kg, m^2, m
    p.g = 9.81;
    p.rho = 1.225;
    p.wing_loading = mass * p.g / area;  // 128.3 N/m^2
    // Aspect ratio span^2/area = 17.8; K = 1/(pi e AR) with a span efficiency
    // of 0.94, and CD0 for a best glide ratio of 1/(2 sqrt(CD0 K)) = 20.
    p.K = 0.019;
    p.CD0 = 0.033;
    p.half_span = 0.5 * span;
    p.tip_min = 0.2;
    p.z0 = 0.03;
    // The wind given at 10 m, and growing far above any loop.
    p.Z_ref = 10.0;
    p.zeta_max = 100.0;
    // The bird on passage: its cycle repeats in the air and drifts over the
    // ground. Held to its start point it finds no loop below a glide ratio
    // of about 22.5 (see docs/validation.md).
    p.travel = true;
    return p;
}

}  // namespace soar::optim
