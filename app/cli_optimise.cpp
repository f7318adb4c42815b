// optimise: the least-wind periodic loop for a bird and a wind profile, its
// figures on the terminal and the loop as CSV.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "app/loop_params.h"
#include "optim/loop_solver.h"
#include "platform/atomic_file.h"
#include "sim/param_fields.h"

namespace soar::cli {

namespace {

using namespace soar::optim;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

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

}  // namespace

int optimise_command(int argc, char** argv, bool parse_only) {
    LoopProblem p;
    SolveOptions options;
    std::string csv, preset = "design-albatross";
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
        const Args a = parse_args(int(rest.size()), rest.data(), {"profile", "nodes", "csv"}, {});
        const bool zhao = preset == "zhao-glider";
        WindProfile profile = zhao ? WindProfile::linear : WindProfile::exponential;
        if (a.values.count("profile") && !profile_named(a.values.at("profile"), profile))
            throw ArgError{"unknown profile \"" + a.values.at("profile") +
                           "\" (exponential, linear or log)"};
        p = loop_problem_for(set.upwind, profile, zhao);
        for (const std::string& s : loop_sets) {
            const auto eq = s.find('=');
            const std::string name = s.substr(0, eq);
            if (eq == std::string::npos) throw ArgError{"--set needs NAME=VALUE, not \"" + s + "\""};
            Args one;
            one.values["set " + name] = s.substr(eq + 1);
            set_loop_setting(p, name, number_arg(one, "set " + name, std::nullopt));
        }
        const std::string wrong = loop_problem_error(p);
        if (!wrong.empty()) throw ArgError{wrong};
        const long long nodes = count_arg(a, "nodes", 50);
        if (nodes < 5 || nodes > 2000) throw ArgError{"--nodes must be between 5 and 2000"};
        options.nodes = int(nodes);
        if (a.values.count("csv")) csv = output_arg(a, "csv");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n%s", e.message.c_str(), command_usage("optimise"));
        return 2;
    }
    if (parse_only) return 0;

    std::printf("least-wind loop: %s, %s profile, %d nodes\n", preset.c_str(),
                profile_name(p.profile), options.nodes);
    std::fflush(stdout);
    // The file is started before the solve, so that a file that cannot be made is
    // known before minutes of solving, not after.
    AtomicFile out;
    if (!csv.empty() && !out.open(csv)) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n", out.error().c_str());
        return 1;
    }
    const bool terminal = isatty(STDERR_FILENO);
    g_interrupted = false;
    // Ctrl-C, a closed terminal (SIGHUP) and SIGTERM all stop the solve at its next
    // iteration; the file started above is then removed.
    const int stops[] = {SIGINT, SIGTERM, SIGHUP};
    void (*old_handlers[3])(int);
    for (int i = 0; i < 3; ++i) old_handlers[i] = std::signal(stops[i], on_optimise_interrupt);
    const LoopSolution s = solve_loop(
        p, options,
        [&](const SolveProgress& q) {
            if (terminal)
                std::fprintf(stderr, "\riteration %4d  wind %.6g %s  infeasibility %.2e  %.1f s ",
                             q.iteration, q.wind, wind_unit(p.profile), q.infeasibility, q.seconds);
            return true;
        },
        &g_interrupted);
    for (int i = 0; i < 3; ++i) std::signal(stops[i], old_handlers[i]);
    if (terminal) std::fprintf(stderr, "\r%*s\r", 78, "");

    std::printf("solver: %s, %d iterations, %.2f s\n", s.status.c_str(), s.iterations, s.seconds);
    if (!s.converged) {
        std::fprintf(stderr, "soarcalculus optimise: no loop found: %s%s\n", s.status.c_str(),
                     csv.empty() ? "" : " (no CSV written)");
        stdout_written("optimise");
        return 1;
    }
    switch (p.profile) {
        case WindProfile::linear:
            std::printf("least wind gradient: %.6f 1/s\n", s.wind);
            break;
        case WindProfile::exponential: {
            double U10 = 0, Up = 0;
            wind_at(p, 10.0, s.wind, U10, Up);
            std::printf("least wind: reference wind U_ref %.4f m/s (Z_ref %g m, lam_U %g)\n",
                        s.wind, p.Z_ref, p.lam_U);
            std::printf("least wind at 10 m: %.4f m/s\n", U10);
            break;
        }
        case WindProfile::logarithmic:
            std::printf("least wind: reference wind (at 10 m) %.4f m/s (z0 %g m)\n", s.wind, p.z0);
            std::printf("least wind at 10 m: %.4f m/s\n", s.wind);
            break;
    }
    std::printf("loop period: %.3f s\n", s.period);
    std::printf("energy per cycle: %.1f J/kg (drag work, made good by the wind)\n",
                s.energy_per_cycle);
    if (!csv.empty()) {
        if (!out.write(csv_of(p, s)) || !out.commit()) {
            std::fprintf(stderr, "soarcalculus optimise: %s\n", out.error().c_str());
            stdout_written("optimise");
            return 1;
        }
        std::printf("loop written to %s (%zu rows)\n", csv.c_str(), s.x.size());
    }
    return stdout_written("optimise") ? 0 : 1;
}

}  // namespace soar::cli
