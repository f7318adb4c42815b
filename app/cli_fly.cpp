// fly: a flight of N timer ticks at fixed clock steps, one CSV row per tick.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "platform/headless/recording_surface.h"
#include "platform/number_text.h"

namespace soar::cli {

namespace {

void append_row(std::string& out, long long tick, const State& s) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, tick);
    out.append(buf, r.ptr);
    for (const float v : {s.t, s.dt, s.X, s.Y, s.Z, s.V, s.gam_deg, s.psi_deg, s.mu_deg, s.Nz, s.Nx,
                          s.CL, s.U, s.Up, s.alpha, s.roll_b, s.pitch_b, s.yaw_b}) {
        out += ',';
        r = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, r.ptr);
    }
    out += '\n';
}

}  // namespace

int fly_command(int argc, char** argv) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    std::string csv;
    bool redraw = true;
    ParamSet params;
    try {
        const ParamOptions po = take_param_options(argc, argv);
        const Args a =
            parse_args(argc, argv, {"pattern", "ticks", "dt", "clock-start", "csv"}, {"no-redraw"});
        redraw = a.flags.count("no-redraw") == 0;
        mode = pattern_arg(a, false);
        params = resolve_param_options(po, mode);
        ticks = count_arg(a, "ticks", std::nullopt);
        dt = number_arg(a, "dt", std::nullopt);
        if (!(dt > 0)) throw ArgError{"--dt must be greater than 0"};
        clock_start = number_arg(a, "clock-start", 0.0);
        if (a.values.count("csv")) csv = a.values.at("csv");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus fly: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }

    std::FILE* out = stdout;
    if (!csv.empty()) {
        out = std::fopen(csv.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "soarcalculus fly: cannot create \"%s\": %s\n", csv.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    Session run(std::make_unique<RecordingSurface>(833, 667, false));
    run.w.params = params;
    fly_setup(run, mode, clock_start);

    std::string buffer =
        "tick,t,dt,X,Y,Z,V,gam_deg,psi_deg,mu_deg,Nz,Nx,CL,U,Up,alpha,roll_b,pitch_b,yaw_b\n";
    buffer.reserve(1 << 20);
    Progress progress(ticks);
    int status = 0;
    long long done = 0;
    bool write_ok = true;
    for (long long k = 1; k <= ticks; ++k) {
        const float now = clock_at(clock_start, k, dt);
        if (!(redraw ? run.tick(now) : run.tick_flight_only(now))) {
            status = 1;
            break;
        }
        append_row(buffer, k, run.s);
        ++done;
        if (buffer.size() > (1 << 20) - 512) {
            write_ok =
                write_ok && std::fwrite(buffer.data(), 1, buffer.size(), out) == buffer.size();
            buffer.clear();
        }
        progress.update(k);
    }
    progress.done();
    write_ok = write_ok && std::fwrite(buffer.data(), 1, buffer.size(), out) == buffer.size();
    write_ok = (out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0) && write_ok;
    if (!write_ok) {
        std::fprintf(stderr, "soarcalculus fly: writing \"%s\" failed\n",
                     csv.empty() ? "standard output" : csv.c_str());
        return 1;
    }
    if (status != 0) std::fprintf(stderr, "soarcalculus fly: %s\n", run.w.message.c_str());
    const State& s = run.s;
    const double energy = double(s.Z) + double(s.V) * double(s.V) / (2.0 * double(run.w.flight.g));
    std::fprintf(
        stderr,
        "%lld ticks, flight time %s s, airspeed %s m/s, height %s m, specific energy %.4f m\n",
        done, float_text(s.t).c_str(), float_text(s.V).c_str(), float_text(s.Z).c_str(), energy);
    return status;
}

}  // namespace soar::cli
