// fly: a flight of N timer ticks at fixed clock steps, one CSV row per tick.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli_args.h"
#include "platform/headless/recording_surface.h"
#include "platform/number_text.h"
#include "record/csv.h"
#include "record/kml.h"
#include "record/save_file.h"

namespace soar::cli {

int fly_command(int argc, char** argv) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    std::string csv, kml;
    KmlPlace place;
    bool redraw = true, energy = false;
    try {
        const Args a =
            parse_args(argc, argv,
                       {"pattern", "ticks", "dt", "clock-start", "csv", "kml", "lat", "lon",
                        "wind-from"},
                       {"no-redraw", "energy"});
        redraw = a.flags.count("no-redraw") == 0;
        energy = a.flags.count("energy") != 0;
        if (a.values.count("kml")) kml = a.values.at("kml");
        place.lat_deg = number_arg(a, "lat", place.lat_deg);
        place.lon_deg = number_arg(a, "lon", place.lon_deg);
        place.wind_from_deg = number_arg(a, "wind-from", place.wind_from_deg);
        if (place.lat_deg < -89.0 || place.lat_deg > 89.0)
            throw ArgError{"--lat must lie between -89 and 89 degrees"};
        if (place.lon_deg < -180.0 || place.lon_deg > 180.0)
            throw ArgError{"--lon must lie between -180 and 180 degrees"};
        mode = pattern_arg(a, false);
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
    // The cycles always (for the summary); the whole flight only for the track.
    run.record.keep_history = !kml.empty();
    fly_setup(run, mode, clock_start);

    std::string buffer = flight_csv_header(energy);
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
        append_flight_row(buffer, k, run.s, energy);
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
    run.record.end("all " + std::to_string(ticks) + " ticks flown");
    if (!kml.empty()) {
        // A command-line flight has no date: its clock starts on 1 January 2000
        // (UTC) at --clock-start seconds after midnight.
        const std::time_t start = std::time_t(946684800) + std::time_t(std::floor(clock_start));
        std::string error;
        if (!save_file(kml,
                       track_kml(track_points(run.record.history), place, start,
                                 "Soarcalculus flight"),
                       error)) {
            std::fprintf(stderr, "soarcalculus fly: cannot write \"%s\": %s\n", kml.c_str(),
                         error.c_str());
            status = 1;
        }
    }
    const State& s = run.s;
    const double E = double(s.Z) + double(s.V) * double(s.V) / (2.0 * double(s.g));
    std::fprintf(
        stderr,
        "%lld ticks, flight time %s s, airspeed %s m/s, height %s m, specific energy %.4f m\n",
        done, float_text(s.t).c_str(), float_text(s.V).c_str(), float_text(s.Z).c_str(), E);
    std::fprintf(stderr, "%s\n", flight_summary(run.record).c_str());
    return status;
}

}  // namespace soar::cli
