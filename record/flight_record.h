// What the program keeps of a flight while it flies: the full-rate history (in
// the window), the cycles, and how the flight ended; and the summary of it.
#pragma once

#include <ctime>
#include <string>

#include "record/flight_history.h"
#include "sim/cycles.h"
#include "sim/flight_state.h"

namespace soar {

struct FlightRecord {
    // The command line keeps only the cycles; the window keeps everything.
    bool keep_history = true;
    Mode mode = Mode::fixed;
    Params params;  // what the flight flies with (g for the energy, T_cyc for the cycles)
    FlightHistory history;
    CycleTable cycles;
    long long ticks = 0;
    double t_last = 0;          // flight time of the last completed tick, s
    std::time_t start_utc = 0;  // the machine's time when the flight began
    bool flying = false;
    std::string end_reason;
    // Gaps the flight paused over because the program was held up (a long save,
    // a stopped process, a suspended machine): how many, and their time, s.
    int holds = 0;
    double held_s = 0;

    // The first tick of a flight: forgets the last one and takes this tick.
    void begin(Mode m, const FlightState& s, const Params& p, std::time_t now_utc);
    // Every later tick.
    void add(const FlightState& s);
    // The flight paused over a gap of `seconds` the program was held up for.
    void held_up(double seconds) {
        ++holds;
        held_s += seconds;
    }
    // The flight ended (STOP, a fault, the last tick of a command-line run).
    // Only the first reason counts.
    void end(const std::string& why);
};

// "Flight time 60.00 s, 7 cycles completed, mean energy gained per cycle +0.19 m;
// ended: ..." (the reason only once the flight has ended). Without the time,
// "7 cycles completed, ...": for a window that shows the time on its own.
std::string flight_summary(const FlightRecord& r, bool with_time = true);

}  // namespace soar
