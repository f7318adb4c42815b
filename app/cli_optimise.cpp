// optimise: the least-wind periodic loop for a bird and a wind profile, its
// figures on the terminal and the loop as CSV.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "optim/loop_solver.h"

namespace soar::cli {

namespace {

using namespace soar::optim;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

std::atomic<bool> g_interrupted{false};
extern "C" void on_optimise_interrupt(int) {
    g_interrupted = true;
}

// The problem fields a user may set, each with its unit.
struct Setting {
    const char* name;
    const char* unit;
    double LoopProblem::*field;
    double factor;  // user unit to the field's unit
};
const Setting kSettings[] = {
    {"g", "m/s^2", &LoopProblem::g, 1.0},
    {"rho", "kg/m^3", &LoopProblem::rho, 1.0},
    {"W_S", "N/m^2 (wing loading W_S*16/3.5^2)", &LoopProblem::wing_loading, 16.0 / 12.25},
    {"wing_loading", "N/m^2", &LoopProblem::wing_loading, 1.0},
    {"CD0", "-", &LoopProblem::CD0, 1.0},
    {"K_ind", "-", &LoopProblem::K, 1.0},
    {"CL_min", "-", &LoopProblem::CL_min, 1.0},
    {"CL_max", "-", &LoopProblem::CL_max, 1.0},
    {"n_min", "-", &LoopProblem::n_min, 1.0},
    {"n_max", "-", &LoopProblem::n_max, 1.0},
    {"bank_max", "deg", &LoopProblem::bank_max, kDeg},
    {"half_span", "m", &LoopProblem::half_span, 1.0},
    {"tip_min", "m", &LoopProblem::tip_min, 1.0},
    {"T_min", "s", &LoopProblem::T_min, 1.0},
    {"T_max", "s", &LoopProblem::T_max, 1.0},
    {"Z_ref", "m", &LoopProblem::Z_ref, 1.0},
    {"lam_U", "-", &LoopProblem::lam_U, 1.0},
    {"z0", "m", &LoopProblem::z0, 1.0},
};

void apply_setting(LoopProblem& p, const std::string& text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) throw ArgError{"--set needs NAME=VALUE, not \"" + text + "\""};
    const std::string name = text.substr(0, eq);
    Args one;
    one.values["set " + name] = text.substr(eq + 1);
    for (const Setting& s : kSettings) {
        if (name != s.name) continue;
        p.*(s.field) = number_arg(one, "set " + name, std::nullopt) * s.factor;
        return;
    }
    std::string known;
    for (const Setting& s : kSettings) known += std::string(" ") + s.name;
    throw ArgError{"unknown setting \"" + name + "\"; known:" + known};
}

void check_problem(const LoopProblem& p) {
    auto need = [](bool ok, const char* what) {
        if (!ok) throw ArgError{what};
    };
    need(p.g > 0 && p.rho > 0 && p.wing_loading > 0, "g, rho and the wing loading must be > 0");
    need(p.CD0 >= 0 && p.K >= 0, "CD0 and K_ind must be >= 0");
    need(p.CL_min < p.CL_max && p.CL_max > 0, "CL_min must be below CL_max, CL_max > 0");
    need(p.n_min < p.n_max && p.n_max > 0, "n_min must be below n_max, n_max > 0");
    need(p.bank_max > 0 && p.bank_max < 89.0 * kDeg, "bank_max must be between 0 and 89 deg");
    need(p.half_span >= 0, "half_span must be >= 0");
    need(p.T_min > 0 && p.T_min < p.T_max, "T_min must be > 0 and below T_max");
    need(p.Z_ref > 0 && p.lam_U > 0, "Z_ref and lam_U must be > 0");
    need(p.z0 > 0 && p.z0 < 10.0, "z0 must be between 0 and 10 m");
    const double lowest = p.start_height_fixed ? std::min(p.Z_start, p.tip_min) : p.tip_min;
    if (p.profile == WindProfile::logarithmic)
        need(lowest > p.z0, "in the log profile the lowest height (tip_min) must lie above z0");
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

// Written to a temporary file beside the target and renamed over it: the
// target is either the whole loop or untouched.
bool write_whole(const std::string& path, const std::string& text, std::string& error) {
    std::string tmp = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    const int saved = errno;
    if (::close(fd) != 0 || !ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = std::strerror(ok ? errno : saved);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

int optimise_command(int argc, char** argv, bool parse_only) {
    LoopProblem p;
    SolveOptions options;
    std::string csv, preset = "albatross";
    try {
        // --set may repeat; the other names take one value each.
        std::vector<std::string> sets;
        std::vector<char*> rest = {argv[0], argv[1]};
        for (int i = 2; i < argc; ++i) {
            if (std::string(argv[i]) == "--set") {
                if (i + 1 >= argc) throw ArgError{"--set needs a value"};
                sets.push_back(argv[++i]);
            } else {
                rest.push_back(argv[i]);
            }
        }
        const Args a =
            parse_args(int(rest.size()), rest.data(), {"preset", "profile", "nodes", "csv"}, {});
        if (a.values.count("preset")) preset = a.values.at("preset");
        WindProfile profile = WindProfile::exponential;
        if (a.values.count("profile") && !profile_named(a.values.at("profile"), profile))
            throw ArgError{"unknown profile \"" + a.values.at("profile") +
                           "\" (exponential, linear or log)"};
        if (preset == "albatross") {
            p = albatross(profile);
        } else if (preset == "zhao-glider") {
            p = zhao_glider();
            if (a.values.count("profile")) p.profile = profile;
        } else {
            throw ArgError{"unknown preset \"" + preset + "\" (albatross or zhao-glider)"};
        }
        if (p.profile != WindProfile::linear && p.wind_max < 1.0) {
            p.wind_min = 0.1;
            p.wind_max = 60.0;
        }
        for (const auto& s : sets) apply_setting(p, s);
        check_problem(p);
        const long long nodes = count_arg(a, "nodes", 50);
        if (nodes < 5 || nodes > 2000) throw ArgError{"--nodes must be between 5 and 2000"};
        options.nodes = int(nodes);
        if (a.values.count("csv")) csv = a.values.at("csv");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus optimise: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    if (parse_only) return 0;

    std::printf("least-wind loop: %s, %s profile, %d nodes\n", preset.c_str(),
                profile_name(p.profile), options.nodes);
    std::fflush(stdout);
    const bool terminal = isatty(STDERR_FILENO);
    g_interrupted = false;
    auto old_handler = std::signal(SIGINT, on_optimise_interrupt);
    const LoopSolution s = solve_loop(
        p, options,
        [&](const SolveProgress& q) {
            if (terminal)
                std::fprintf(stderr, "\riteration %4d  wind %.6g %s  infeasibility %.2e  %.1f s ",
                             q.iteration, q.wind, wind_unit(p.profile), q.infeasibility, q.seconds);
            return true;
        },
        &g_interrupted);
    std::signal(SIGINT, old_handler);
    if (terminal) std::fprintf(stderr, "\r%*s\r", 78, "");

    std::printf("solver: %s, %d iterations, %.2f s\n", s.status.c_str(), s.iterations, s.seconds);
    if (!s.converged) {
        std::fprintf(stderr, "soarcalculus optimise: no loop found: %s%s\n", s.status.c_str(),
                     csv.empty() ? "" : " (no CSV written)");
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
        std::string error;
        if (!write_whole(csv, csv_of(p, s), error)) {
            std::fprintf(stderr, "soarcalculus optimise: cannot write \"%s\": %s\n", csv.c_str(),
                         error.c_str());
            return 1;
        }
        std::printf("loop written to %s (%zu rows)\n", csv.c_str(), s.x.size());
    }
    return 0;
}

}  // namespace soar::cli
