// The Flight data window's recorded history over a long flight, without a
// window and without waiting a day: the window's flight ticked by a 1 ms timer
// on the machine's clock as the window reads it (seconds since midnight as a
// 32-bit float, wrapping at midnight), the timer's intervals jittering around
// the 1.14 ms the real window's timer gives (about 880 ticks a second). Every
// hour of flight it prints the ticks, those that advanced the flight time, the
// samples kept, the history's bytes (per tick and per tick that advanced the
// time) and the process's resident memory. With a file name it then saves the
// flight's CSV there as the Flight data window does (from a snapshot, row by
// row) and prints the peak resident memory before and after.
//   soar_history_memory [hours=24] [clock_start_s=0] [pattern=circlezoom] [csv]
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/cli_args.h"
#include "app/session.h"
#include "headless/recording_surface.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "record/csv.h"
#include "view/frame.h"

namespace {

double resident_mb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

double peak_mb() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 24.0;
    const double clock_start = argc > 2 ? std::atof(argv[2]) : 0.0;
    const auto mode = soar::mode_named(argc > 3 ? argv[3] : "circlezoom");
    if (!mode || *mode == soar::Mode::fixed) {
        std::fprintf(stderr, "unknown pattern\n");
        return 2;
    }
    soar::RecordingSurface pic(833, 667, false);
    soar::ManualClock machine;
    soar::MemoryTextFiles files;
    soar::Session run(pic, machine, files);
    run.start_up();
    // Tracks off: the window's track arrays are the picture's, not the history.
    run.set_check(soar::Id::ground_track_box, 0);
    run.set_check(soar::Id::air_track_box, 0);
    run.choose_pattern(*mode);
    run.set_up_flight();
    machine.set(float(clock_start));
    run.start_flight();
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> interval(0.8e-3, 1.48e-3);
    const soar::FlightHistory& h = run.record().history;
    soar::Frame frame;
    double elapsed = 0;
    long long ticks = 0, flown = 0;
    std::printf("%6s %12s %12s %12s %10s %8s %9s %8s\n", "hour", "ticks", "flown", "samples",
                "history MB", "B/tick", "B/flown", "RSS MB");
    for (int hour = 1; hour <= int(std::ceil(hours)); ++hour) {
        for (; elapsed < 3600.0 * hour; elapsed += interval(rng)) {
            const float clock = float(std::fmod(clock_start + elapsed, 86400.0));
            machine.set(clock);
            run.advance_tick(frame);
            if (!run.flying()) {
                std::printf("the flight stopped at %.1f s: %s\n", elapsed, run.fault().c_str());
                return 1;
            }
            ++ticks;
            flown += run.flight_state().dt != 0.0f;
        }
        const double bytes = double(h.memory_bytes());
        std::printf("%6d %12lld %12lld %12zu %10.1f %8.2f %9.2f %8.1f\n", hour, ticks, flown,
                    h.samples(), bytes / (1 << 20), bytes / double(ticks), bytes / double(flown),
                    resident_mb());
        std::fflush(stdout);
    }
    if (argc > 4) {
        const double peak_before = peak_mb();
        soar::AtomicFile out;
        const bool ok =
            out.open(argv[4]) && soar::write_history_csv(h.snapshot(), out) && out.commit();
        std::printf(
            "CSV of %lld ticks to %s: %s; peak resident memory %.1f MB before the save, "
            "%.1f MB after\n",
            ticks, argv[4], ok ? "saved" : out.error().c_str(), peak_before, peak_mb());
    }
    return 0;
}
