#include "app/loop_params.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/number_text.h"
#include "sim/constants.h"
#include "sim/names.h"

namespace soar {

namespace {

using optim::LoopProblem;
using optim::WindProfile;

constexpr double kDeg = k::exact_d2r;

// The decimal a float was typed as (0.03 for the float nearest it): the
// roughness length as the loop has always taken it.
double decimal_of(float v) {
    char buf[32];
    char* end = put_shortest(buf, v);
    double d = 0;
    read_number(buf, end, d);
    return d;
}

struct LoopSetting {
    const char* name;
    const char* unit;
    double LoopProblem::*field;
    double factor;  // user unit to the field's unit
};
const LoopSetting kLoopSettings[] = {
    {"CL_min", "-", &LoopProblem::CL_min, 1.0},
    {"CL_max", "-", &LoopProblem::CL_max, 1.0},
    {"n_min", "-", &LoopProblem::n_min, 1.0},
    {"n_max", "-", &LoopProblem::n_max, 1.0},
    {"bank_max", "deg", &LoopProblem::bank_max, kDeg},
    {"half_span", "m", &LoopProblem::half_span, 1.0},
    {"tip_min", "m", &LoopProblem::tip_min, 1.0},
    {"T_min", "s", &LoopProblem::T_min, 1.0},
    {"T_max", "s", &LoopProblem::T_max, 1.0},
    {"z0", "m", &LoopProblem::z0, 1.0},
    {"shear_delta", "m", &LoopProblem::shear_delta, 1.0},
    {"shear_height", "m", &LoopProblem::shear_height, 1.0},
};

}  // namespace

LoopProblem loop_problem_for(const Params& f, WindProfile profile, bool zhao_bounds) {
    return loop_problem_for(f, profile, zhao_bounds ? LoopBounds::zhao : LoopBounds::albatross);
}

LoopBounds loop_bounds_of(const std::string& preset) {
    if (preset == "zhao-glider") return LoopBounds::zhao;
    if (preset == "sachs-2005-albatross") return LoopBounds::sachs;
    return LoopBounds::albatross;
}

WindProfile default_profile(LoopBounds bounds) {
    switch (bounds) {
        case LoopBounds::zhao:
            return WindProfile::linear;
        case LoopBounds::sachs:
            return WindProfile::logarithmic;
        case LoopBounds::albatross:
            break;
    }
    return WindProfile::exponential;
}

LoopProblem loop_problem_for(const Params& f, WindProfile profile, LoopBounds bounds) {
    LoopProblem p = bounds == LoopBounds::zhao    ? optim::zhao_glider()
                    : bounds == LoopBounds::sachs ? optim::sachs_albatross()
                                                  : optim::albatross(profile);
    if (bounds == LoopBounds::sachs && profile != WindProfile::logarithmic) {
        const LoopProblem shape = optim::albatross(profile);
        p.wind_min = shape.wind_min, p.wind_max = shape.wind_max;
    }
    p.profile = profile;
    if (profile != WindProfile::linear && p.wind_max < 1.0) {
        // Zhao's bounds are on a gradient (1/s); a speed scale needs its own.
        p.wind_min = 0.1;
        p.wind_max = 60.0;
    }
    p.g = double(f.g);
    p.rho = double(f.rho);
    p.wing_loading = double(f.W_S) * 16.0 / (3.5 * 3.5);
    p.CD0 = double(f.CD0);
    p.K = double(f.K_ind);
    p.Z_ref = double(f.Z_ref);
    p.lam_U = double(f.lam_U);
    p.zeta_min = double(f.zeta_min);
    p.zeta_max = double(f.zeta_max);
    p.z0 = decimal_of(f.z0);
    p.p_exp = double(f.p_exp);
    // The layer as it was typed (2.3 m, not the float nearest it).
    p.shear_delta = decimal_of(f.shear_delta);
    p.shear_height = decimal_of(f.shear_height);
    return p;
}

std::string loop_profile(const Params& flight, const Params& preset_flight,
                         std::optional<WindProfile> named, WindProfile& out) {
    out = wind_shape(flight);
    if (!named) return "";
    if (*named != out && out != wind_shape(preset_flight))
        return std::string("--profile ") + profile_name(*named) + " and the parameters' profile (" +
               profile_name(out) + ") disagree: give one of them";
    out = *named;
    return "";
}

std::optional<WindProfile> profile_arg(const std::string& name, std::string& error) {
    WindProfile p;
    if (optim::profile_named(name, p)) return p;
    error = "unknown profile \"" + name + "\" (" + profile_list() + ")";
    return std::nullopt;
}

bool set_loop_setting(LoopProblem& p, const std::string& name, double value) {
    if (name == "travel") {
        p.travel = value != 0.0;
        return true;
    }
    if (name == "midpoint_limits") {
        p.midpoint_limits = value != 0.0;
        return true;
    }
    // A travelling loop held to drift along one heading over the ground (deg,
    // as --travel takes it), and its least mean speed along it (m/s, as
    // --ground-speed): settings too, so that a sweep can step them.
    if (name == "travel_heading") {
        p.travel = true;
        p.drift_heading_fixed = true;
        p.drift_heading = value * kDeg;
        return true;
    }
    if (name == "ground_speed") {
        p.drift_speed = value;
        return true;
    }
    for (const LoopSetting& s : kLoopSettings) {
        if (name != s.name) continue;
        p.*(s.field) = value * s.factor;
        return true;
    }
    return false;
}

std::string loop_setting_names() {
    std::string out;
    for (const LoopSetting& s : kLoopSettings)
        out += (out.empty() ? "" : ", ") + std::string(s.name) + " (" + s.unit + ")";
    return out +
           ", travel (0 or 1), midpoint_limits (0 or 1), travel_heading (deg), ground_speed (m/s)";
}

std::string loop_setting_unit(const std::string& name) {
    for (const LoopSetting& s : kLoopSettings)
        if (name == s.name) return s.unit;
    if (name == "travel_heading") return "deg";
    if (name == "ground_speed") return "m/s";
    return name == "travel" || name == "midpoint_limits" ? "0/1" : "";
}

std::string loop_problem_error(const LoopProblem& p) {
    const auto finite = [](double v) { return std::isfinite(v); };
    for (const LoopSetting& s : kLoopSettings)
        if (!finite(p.*(s.field))) return std::string(s.name) + " must be a finite number";
    if (!(p.CL_min < p.CL_max && p.CL_max > 0)) return "CL_min must be below CL_max, CL_max > 0";
    if (!(p.n_min < p.n_max && p.n_max > 0)) return "n_min must be below n_max, n_max > 0";
    if (!(p.bank_max > 0 && p.bank_max < 89.0 * kDeg))
        return "bank_max must be between 0 and 89 deg";
    if (!(p.half_span >= 0 && p.half_span <= 50)) return "half_span must be from 0 to 50 m";
    if (!(p.tip_min >= 0 && p.tip_min <= 100)) return "tip_min must be from 0 to 100 m";
    if (!(p.T_min > 0 && p.T_min < p.T_max && p.T_max <= 600))
        return "T_min must be > 0 and below T_max, T_max at most 600 s";
    if (!(p.z0 > 0 && p.z0 < 10.0)) return "z0 must be between 0 and 10 m";
    if (!(p.shear_delta >= 0 && p.shear_delta <= 100))
        return "shear_delta must be from 0 (no shear layer) to 100 m";
    if (!(p.shear_height >= 0 && p.shear_height <= 500))
        return "shear_height must be from 0 to 500 m";
    if (p.shear_delta > 0 && p.profile == WindProfile::linear)
        return "a shear layer's scale is a wind speed: not with the linear profile, whose scale "
               "is a gradient (give --profile exponential or log with it)";
    if (p.drift_heading_fixed && !(std::fabs(p.drift_heading) <= 180.0 * kDeg))
        return "travel_heading must be from -180 to 180 deg";
    if (p.drift_heading_fixed && !p.travel)
        return "travel_heading is the heading of a travelling loop: not with travel=0";
    if (!(p.drift_speed >= 0 && p.drift_speed <= 50))
        return "ground_speed must be from 0 to 50 m/s";
    if (p.drift_speed > 0 && !p.drift_heading_fixed)
        return "ground_speed is along travel_heading: give both";
    if (!(p.g > 0 && p.rho > 0 && p.wing_loading > 0)) return "g, rho and W_S must be > 0";
    if (p.profile == WindProfile::exponential && !(p.lam_U > 0))
        return "lam_U must be > 0 for the exponential profile";
    if (p.profile == WindProfile::power && !(p.p_exp > 0))
        return "p_exp must be > 0 for the power-law profile";
    if (!(p.zeta_min * p.Z_ref < p.zeta_max * p.Z_ref))
        return "the wind must grow somewhere: zeta_min below zeta_max";
    const double lowest = p.start_height_fixed ? std::min(p.Z_start, p.tip_min) : p.tip_min;
    if (p.profile == WindProfile::logarithmic && !(lowest > p.z0))
        return "in the log profile the lowest height (tip_min) must lie above z0";
    return "";
}

}  // namespace soar
