// optimise: the least-wind periodic loop for a bird and a wind profile, its
// figures on the terminal and the loop as CSV.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "app/loop_cache.h"
#include "app/loop_params.h"
#include "optim/loop_solver.h"
#include "platform/atomic_file.h"
#include "sim/constants.h"
#include "sim/param_fields.h"

namespace soar::cli {

namespace {

using namespace soar::optim;

constexpr double kDeg = k::exact_d2r;

std::atomic<bool> g_interrupted{false};
extern "C" void on_optimise_interrupt(int) {
    g_interrupted = true;
}

std::string csv_of(const LoopProblem& p, const LoopSolution& s) {
    std::string out = "t,X,Y,Z,V,gamma_deg,psi_deg,CL,bank_deg,n,U,E\n";
    char line[512];
    for (size_t k = 0; k < s.x.size(); ++k) {
        const LoopState& x = s.x[k];
        double U = 0, Up = 0;
        wind_at(p, x[kZ], s.wind, U, Up);
        std::snprintf(
            line, sizeof line, "%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n",
            s.t[k], x[kX], x[kY], x[kZ], x[kV], x[kGamma] / kDeg, x[kPsi] / kDeg, s.u[k][kCL],
            s.u[k][kBank] / kDeg, load_factor(p, x[kV], s.u[k][kCL]), U, energy_height(p, x));
        out += line;
    }
    return out;
}

// The --set names that are the optimiser's own settings go to the loop; the
// rest are the flight's parameters.
bool is_loop_setting(const std::string& text) {
    LoopProblem probe;
    return set_loop_setting(probe, text.substr(0, text.find('=')), 0.0);
}

double wind_at_10m(const LoopProblem& p, double w) {
    double U10 = 0, Up = 0;
    wind_at(p, 10.0, w, U10, Up);
    return U10;
}

// How far a travelling loop ends from its start, and toward which heading
// (0 straight into the wind, +-180 downwind), as text.
std::string drift_text(const LoopSolution& s) {
    const LoopState& end = s.x.back();
    const double d = std::hypot(end[kX], end[kY]);
    char buf[120];
    std::snprintf(buf, sizeof buf, "%.1f m toward heading %.0f deg", d,
                  d > 0 ? std::atan2(end[kY], -end[kX]) / kDeg : 0.0);
    return buf;
}

void clear_progress(bool terminal) {
    if (terminal) std::fprintf(stderr, "\r%*s\r", 78, "");
}

// What a bound is, for the line that names the one setting the least wind.
const char* limit_words(const std::string& name) {
    if (name == "n_max") return "the largest load factor";
    if (name == "n_min") return "the least load factor";
    if (name == "tip_min") return "the wing tip's clearance over the sea";
    if (name == "CL_max") return "the largest lift coefficient";
    if (name == "CL_min") return "the least lift coefficient";
    if (name == "bank_max") return "the bank limit";
    if (name == "T_max") return "the longest period";
    if (name == "T_min") return "the shortest period";
    return "";
}

// The loop checked: its controls flown from the first node, and the bounds
// that hold with what each costs in wind.
void print_checks(const LoopProblem& p, const LoopSolution& s) {
    std::printf(
        "closure: the controls flown from the first node (Runge-Kutta) end %.3g %% of the loop's "
        "size and %.3g %% of the airspeed from the last node\n",
        100.0 * s.closure_place, 100.0 * s.closure_speed);
    if (s.active_limits.empty()) {
        std::printf("active limits: none\n");
        return;
    }
    std::printf(
        "active limits (the solver's multipliers: the change of the least wind per unit "
        "the limit moves):\n");
    for (const ActiveLimit& a : s.active_limits)
        std::printf("  %-8s = %-8g at %3d points: d(wind)/d(%s) %+.4g %s per %s, relative %+.4f\n",
                    a.name.c_str(), a.value, a.points, a.name.c_str(), a.d_wind,
                    wind_unit(p.profile), a.unit == "-" ? "unit" : a.unit.c_str(), a.relative);
    // A bound whose relative rate is below a thousandth holds the wind up by
    // nothing that matters: the loop's own balance of drag and gradient sets it.
    const ActiveLimit& top = s.active_limits.front();
    if (std::fabs(top.relative) >= 1e-3)
        std::printf("the least wind is set most by %s (%s)\n", top.name.c_str(),
                    limit_words(top.name));
    else
        std::printf(
            "no limit holds the least wind up (every relative rate below 0.001): the loop's own "
            "balance of drag and wind gradient sets it\n");
}

// Every node and segment midpoint: the controls there, the collocation's
// state and the state the controls give when flown from the first node.
std::string flown_csv_of(const LoopProblem& p, const LoopSolution& s) {
    std::string out =
        "t,point,CL,bank_deg,n,Z,V,gamma_deg,psi_deg,X_flown,Y_flown,Z_flown,V_flown,"
        "gamma_flown_deg,psi_flown_deg\n";
    const std::vector<LoopState> flown = fly_controls_path(p, s, 16);
    const double h = s.period / double(s.x.size() - 1);
    char line[600];
    for (size_t i = 0; i < flown.size(); ++i) {
        const bool node = i % 2 == 0;
        const size_t k = i / 2;
        const double t = node ? s.t[k] : s.t[k] + 0.5 * h;
        const LoopControl u = node ? s.u[k] : s.u_mid[k];
        const LoopState x = node ? s.x[k] : state_at(p, s, t);
        const LoopState& f = flown[i];
        std::snprintf(line, sizeof line,
                      "%.6f,%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n",
                      t, node ? "node" : "mid", u[kCL], u[kBank] / kDeg,
                      load_factor(p, x[kV], u[kCL]), x[kZ], x[kV], x[kGamma] / kDeg, x[kPsi] / kDeg,
                      f[kX], f[kY], f[kZ], f[kV], f[kGamma] / kDeg, f[kPsi] / kDeg);
        out += line;
    }
    return out;
}

// `out`, open when `csv` names a file, takes the CSV whole or not at all.
// `loop_out`, open when `loop_file` names a file, takes the loop exactly: the
// window's cache text, keyed by the problem (app/loop_cache.h).
int one_loop(const LoopProblem& p, const SolveOptions& options, const std::string& csv,
             AtomicFile& out, const std::string& flown_csv, AtomicFile& flown_out,
             const std::string& loop_file, AtomicFile& loop_out, const ProgressFn& progress,
             bool terminal) {
    const LoopSolution s = solve_least_wind_loop(p, options, progress, &g_interrupted);
    clear_progress(terminal);
    std::printf("solver: %s, %d iterations, %.2f s\n", s.status.c_str(), s.iterations, s.seconds);
    if (!s.converged) {
        std::fprintf(stderr, "soarcalculus optimise: no loop found: %s%s\n", s.status.c_str(),
                     csv.empty() ? "" : " (no CSV written)");
        if (!p.travel && s.status.rfind("no loop at glide ratio", 0) == 0)
            std::fprintf(stderr,
                         "soarcalculus optimise: a loop held to its start point needs ever more "
                         "wind as the glide ratio falls, and the stronger wind drifts it away "
                         "faster than the bird can make up; a loop that may travel over the "
                         "ground: --set travel=1\n");
        stdout_written("optimise");
        return 1;
    }
    if (!s.route.empty()) std::printf("route: %s\n", s.route.c_str());
    if (p.shear_delta > 0) {
        std::printf(
            "least wind: above the shear layer %.4f m/s (layer centred at %g m, thickness %g m, "
            "steepest gradient %.4f 1/s)\n",
            s.wind, p.shear_height, p.shear_delta, s.wind / (4.0 * p.shear_delta));
        std::printf("least wind at 10 m: %.4f m/s\n", wind_at_10m(p, s.wind));
    } else
        switch (p.profile) {
            case WindProfile::linear:
                std::printf("least wind gradient: %.6f 1/s\n", s.wind);
                break;
            case WindProfile::exponential: {
                std::printf("least wind: reference wind U_ref %.4f m/s (Z_ref %g m, lam_U %g)\n",
                            s.wind, p.Z_ref, p.lam_U);
                std::printf("least wind at 10 m: %.4f m/s\n", wind_at_10m(p, s.wind));
                break;
            }
            case WindProfile::logarithmic:
                std::printf("least wind: reference wind (at %g m) %.4f m/s (z0 %g m)\n", p.Z_ref,
                            s.wind, p.z0);
                std::printf("least wind at 10 m: %.4f m/s\n", wind_at_10m(p, s.wind));
                break;
            case WindProfile::power:
                std::printf("least wind: reference wind (at %g m) %.4f m/s (exponent %g)\n",
                            p.Z_ref, s.wind, p.p_exp);
                std::printf("least wind at 10 m: %.4f m/s\n", wind_at_10m(p, s.wind));
                break;
        }
    // Above the clamp the flight's wind stands still: say so when the loop
    // gets there.
    double top = 0;
    for (const LoopState& x : s.x) top = std::max(top, x[kZ]);
    double lo = 0, hi = 0;
    growing_range(flight_profile_shape(p), lo, hi);
    if (top > hi && p.shear_delta == 0)
        std::printf(
            "the loop climbs to %.1f m; above %g m the flight's wind stands still%s\n", top, hi,
            p.profile == WindProfile::exponential ? " (its gradient kept there, as in the loop)"
                                                  : ", the loop's goes on growing");
    std::printf("loop period: %.3f s\n", s.period);
    if (p.travel) {
        std::printf("drift per loop: %s\n", drift_text(s).c_str());
        // Over the ground, per loop: the mean ground speed and its downwind
        // part (the leeway), beside the wind at 5 m.
        const LoopState& end = s.x.back();
        double U5 = 0, Up5 = 0;
        wind_at(p, 5.0, s.wind, U5, Up5);
        std::printf(
            "mean ground speed: %.3f m/s (drift / period), downwind %.3f m/s = %.3f U(5 m) "
            "(U(5 m) %.3f m/s)\n",
            std::hypot(end[kX], end[kY]) / s.period, end[kX] / s.period,
            U5 > 0 ? end[kX] / s.period / U5 : 0.0, U5);
    }
    std::printf("energy per cycle: %.1f J/kg (drag work, made good by the wind)\n",
                s.energy_per_cycle);
    print_checks(p, s);
    if (!flown_csv.empty()) {
        if (!flown_out.write(flown_csv_of(p, s)) || !flown_out.commit()) {
            std::fprintf(stderr, "soarcalculus optimise: %s\n", flown_out.error().c_str());
            stdout_written("optimise");
            return 1;
        }
        std::printf("nodes, midpoints and the flown loop written to %s (%zu rows)\n",
                    flown_csv.c_str(), 2 * s.x.size() - 1);
    }
    if (!csv.empty()) {
        if (!out.write(csv_of(p, s)) || !out.commit()) {
            std::fprintf(stderr, "soarcalculus optimise: %s\n", out.error().c_str());
            stdout_written("optimise");
            return 1;
        }
        std::printf("loop written to %s (%zu rows)\n", csv.c_str(), s.x.size());
    }
    if (!loop_file.empty()) {
        if (!loop_out.write(loop_cache_text(loop_cache_key(p, options.nodes), s)) ||
            !loop_out.commit()) {
            std::fprintf(stderr, "soarcalculus optimise: %s\n", loop_out.error().c_str());
            stdout_written("optimise");
            return 1;
        }
        std::printf("the loop's every bit written to %s (%zu nodes)\n", loop_file.c_str(),
                    s.x.size());
    }
    return stdout_written("optimise") ? 0 : 1;
}

// The least wind for each glide ratio in turn, from the highest down: the
// first solved as one loop is, each next one continued from the last loop
// found. Stops at the first glide ratio without a loop.
int glide_ratio_sweep(const LoopProblem& p, const SolveOptions& options,
                      const std::vector<double>& ratios, const std::string& csv, AtomicFile& out,
                      const ProgressFn& progress, bool terminal) {
    std::printf("%9s %8s %12s %9s %10s  %s\n", "L/D max", "CD0", "wind_10m_m/s", "period_s",
                "iterations", p.travel ? "drift per loop" : "");
    std::fflush(stdout);
    std::string table = "glide_ratio,CD0,converged,wind_scale,wind_10m,period,drift_m,iterations\n";
    LoopSolution last;
    double last_ld = 0;
    bool complete = true;
    for (const double ld : ratios) {
        LoopProblem q = p;
        q.CD0 = zero_lift_drag_for(p, ld);
        const LoopSolution s =
            last.x.empty()
                ? solve_least_wind_loop(q, options, progress, &g_interrupted)
                : continue_in_glide_ratio(q, last, last_ld, options, progress, &g_interrupted);
        clear_progress(terminal);
        char row[256];
        if (!s.converged) {
            std::printf("%9.2f %8.5f  no loop: %s\n", ld, q.CD0, s.status.c_str());
            std::snprintf(row, sizeof row, "%.4f,%.6f,0,,,,,%d\n", ld, q.CD0, s.iterations);
            table += row;
            complete = false;
            break;
        }
        const double drift = std::hypot(s.x.back()[kX], s.x.back()[kY]);
        std::printf("%9.2f %8.5f %12.4f %9.3f %10d  %s\n", ld, q.CD0, wind_at_10m(q, s.wind),
                    s.period, s.iterations, p.travel ? drift_text(s).c_str() : "");
        std::fflush(stdout);
        std::snprintf(row, sizeof row, "%.4f,%.6f,1,%.6f,%.6f,%.6f,%.3f,%d\n", ld, q.CD0, s.wind,
                      wind_at_10m(q, s.wind), s.period, drift, s.iterations);
        table += row;
        last = s;
        last_ld = ld;
    }
    if (!csv.empty()) {
        if (!out.write(table) || !out.commit()) {
            std::fprintf(stderr, "soarcalculus optimise: %s\n", out.error().c_str());
            stdout_written("optimise");
            return 1;
        }
        std::printf("table written to %s\n", csv.c_str());
    }
    return stdout_written("optimise") && complete ? 0 : 1;
}

// "20,18,15": glide ratios from the highest down, each above 1.
std::vector<double> glide_ratio_list(const std::string& text) {
    std::vector<double> out;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        Args one;
        one.values["glide-ratios"] = text.substr(at, comma - at);
        const double ld = number_arg(one, "glide-ratios", std::nullopt);
        if (!(ld > 1.0 && ld <= 100.0))
            throw ArgError{"--glide-ratios: each glide ratio must be above 1 and at most 100"};
        if (!out.empty() && !(ld < out.back()))
            throw ArgError{"--glide-ratios: list them from the highest down"};
        out.push_back(ld);
        at = comma + 1;
    }
    if (out.size() > 100) throw ArgError{"--glide-ratios: at most 100 of them"};
    return out;
}

}  // namespace

int optimise_command(int argc, char** argv, bool parse_only) {
    LoopProblem p;
    SolveOptions options;
    std::vector<double> glide_ratios;
    std::string csv, flown_csv, loop_file, preset = "design-albatross";
    try {
        std::vector<char*> rest;
        ParamOptions po = take_param_options(argc, argv, rest);
        std::vector<std::string> loop_sets;
        std::erase_if(po.sets, [&](const std::string& s) {
            if (!is_loop_setting(s)) return false;
            loop_sets.push_back(s);
            return true;
        });
        // "albatross" is the older name of the default bird, kept for old command lines.
        if (po.preset == "albatross") po.preset = "design-albatross";
        if (!po.preset.empty()) preset = po.preset;
        for (const std::string& s : po.sets) {
            const ParamField* f = param_field(s.substr(0, s.find('=')));
            if (f && f->group == ParamGroup::pattern)
                throw ArgError{"--set: \"" + std::string(f->name) +
                               "\" belongs to a pattern's schedule, not to the loop"};
        }
        const ParamSet set = resolve_param_options(po, Mode::upwind);
        const Args a = parse_args(int(rest.size()), rest.data(),
                                  {"profile", "nodes", "csv", "glide-ratios", "flown-csv", "travel",
                                   "ground-speed", "loop-file"},
                                  {});
        const LoopBounds bounds = loop_bounds_of(preset);
        // The loop is solved in the flight's own profile (--params, --preset,
        // --set profile), which --profile names the older way.
        std::optional<WindProfile> named;
        std::string error;
        if (a.values.count("profile") && !(named = profile_arg(a.values.at("profile"), error)))
            throw ArgError{error};
        const std::optional<ParamSet> preset_params = preset_set(preset);
        WindProfile profile = WindProfile::exponential;
        error = loop_profile(set.upwind, preset_params ? preset_params->upwind : Params{}, named,
                             profile);
        if (!error.empty()) throw ArgError{error};
        p = loop_problem_for(set.upwind, profile, bounds);
        for (const std::string& s : loop_sets) {
            const auto eq = s.find('=');
            const std::string name = s.substr(0, eq);
            if (eq == std::string::npos)
                throw ArgError{"--set needs NAME=VALUE, not \"" + s + "\""};
            Args one;
            one.values["set " + name] = s.substr(eq + 1);
            const double value = number_arg(one, "set " + name, std::nullopt);
            if (name == "travel" && value != 0.0 && value != 1.0)
                throw ArgError{
                    "--set travel takes 0 (the loop returns to its start over the "
                    "ground) or 1 (it may travel)"};
            set_loop_setting(p, name, value);
        }
        if (a.values.count("travel")) {
            const double heading =
                number_arg(a, "travel", std::nullopt, {-180.0, 180.0, true, "deg"});
            p.travel = true;
            p.drift_heading_fixed = true;
            p.drift_heading = heading * kDeg;
        }
        if (a.values.count("ground-speed")) {
            if (!p.drift_heading_fixed)
                throw ArgError{"--ground-speed is along the heading --travel gives: give both"};
            p.drift_speed = number_arg(a, "ground-speed", std::nullopt, {0.0, 50.0, false, "m/s"});
        }
        if (a.values.count("glide-ratios"))
            glide_ratios = glide_ratio_list(a.values.at("glide-ratios"));
        if (!glide_ratios.empty() && !(p.K > 0))
            throw ArgError{"--glide-ratios needs induced drag (K_ind > 0)"};
        const std::string wrong = loop_problem_error(p);
        if (!wrong.empty()) throw ArgError{wrong};
        const long long nodes = count_arg(a, "nodes", 50);
        if (nodes < 5 || nodes > 2000) throw ArgError{"--nodes must be between 5 and 2000"};
        options.nodes = int(nodes);
        if (a.values.count("csv")) csv = output_arg(a, "csv");
        if (a.values.count("flown-csv")) flown_csv = output_arg(a, "flown-csv");
        if (a.values.count("loop-file")) loop_file = output_arg(a, "loop-file");
        if (!flown_csv.empty() && !glide_ratios.empty())
            throw ArgError{"--flown-csv is of one loop: not with --glide-ratios"};
        if (!loop_file.empty() && !glide_ratios.empty())
            throw ArgError{"--loop-file is of one loop: not with --glide-ratios"};
        refuse_one_file_twice({{"--csv", csv},
                               {"--flown-csv", flown_csv},
                               {"--loop-file", loop_file},
                               {"--params", po.file, false}});
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n%s", e.message.c_str(),
                     command_usage("optimise"));
        return 2;
    }
    if (parse_only) return 0;

    std::printf("least-wind loop: %s, %s, %d nodes%s\n", preset.c_str(),
                p.shear_delta > 0 ? "a logistic shear layer"
                                  : (std::string(profile_name(p.profile)) + " profile").c_str(),
                options.nodes,
                p.travel ? ", a travelling loop (it may drift over the ground)" : "");
    std::fflush(stdout);
    // The file is started before the solve, so that a file that cannot be made is
    // known before minutes of solving, not after.
    AtomicFile out;
    if (!csv.empty() && !out.open(csv)) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n", out.error().c_str());
        return 1;
    }
    AtomicFile flown_out;
    if (!flown_csv.empty() && !flown_out.open(flown_csv)) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n", flown_out.error().c_str());
        return 1;
    }
    AtomicFile loop_out;
    if (!loop_file.empty() && !loop_out.open(loop_file)) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n", loop_out.error().c_str());
        return 1;
    }
    const bool terminal = isatty(STDERR_FILENO);
    g_interrupted = false;
    // Ctrl-C, a closed terminal (SIGHUP) and SIGTERM all stop the solve at its next
    // iteration; the file started above is then removed.
    const int stops[] = {SIGINT, SIGTERM, SIGHUP};
    void (*old_handlers[3])(int);
    for (int i = 0; i < 3; ++i) old_handlers[i] = std::signal(stops[i], on_optimise_interrupt);
    const ProgressFn progress = [&](const SolveProgress& q) {
        if (terminal)
            std::fprintf(stderr, "\riteration %4d  wind %.6g %s  infeasibility %.2e  %.1f s ",
                         q.iteration, q.wind, wind_unit(p.profile), q.infeasibility, q.seconds);
        return true;
    };
    const int status = glide_ratios.empty() ? one_loop(p, options, csv, out, flown_csv, flown_out,
                                                       loop_file, loop_out, progress, terminal)
                                            : glide_ratio_sweep(p, options, glide_ratios, csv, out,
                                                                progress, terminal);
    for (int i = 0; i < 3; ++i) std::signal(stops[i], old_handlers[i]);
    return status;
}

}  // namespace soar::cli
