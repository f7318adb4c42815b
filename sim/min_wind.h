// The energy-neutral wind of a pattern. For each factor of a fixed grid on
// the reference wind U_ref the pattern is flown headless at a fixed step: one
// settling cycle, then a window of N cycles over which the mean change of the
// specific energy E = Z + V^2/(2g) per cycle is taken, and the cycles the bird
// survives (a stall or the sea ends a flight). Where the mean gain changes
// sign between two neighbouring factors the bracket is halved a fixed number
// of times. The answer is the lowest factor of the table at which the pattern
// both gains on average and survives the window.
//
// The built-in patterns fly fixed schedules, not periodic loops: their cycles
// do not repeat exactly, so the mean gain depends on the window, and a pattern
// may gain over one band of winds, lose above it and gain again. The table
// shows all of it; no single "least wind" is claimed beyond the window stated.
//
// Every trial is a pure function of its factor; the trials of a round are a
// fixed list that any number of threads share, so the table does not depend on
// the thread count.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "sim/limits.h"
#include "sim/params.h"

namespace soar {

struct MinWindSearch {
    Mode mode = Mode::upwind;
    int settle = 1;           // cycles flown first and left out of the mean
    int cycles = 10;          // the window: cycles over which the mean gain is taken
    double dt = 0.01;         // fixed step, s
    double factor_max = 2.0;  // the grid: 0, step, ..., factor_max
    double factor_step = 0.025;
    int halvings = 6;  // of each bracket around a sign change (0.025 / 64 = 0.0004)
    // A mean loss per cycle below this share of E counts as holding the energy:
    // the integrator's own drift over a drag-free, windless cycle is far below it.
    double tolerance = 2e-6;
    int threads = 0;  // 0: the machine's cores
    // Limits each trial is checked against at every tick it flies (none by
    // default). With limits, a factor counts as sustained only when its
    // flight also stayed within them.
    FlightLimits limits;
    // Grid rows above the answer that must gain and survive too for it to be
    // called energy-neutral.
    int rows_above = 4;
};

struct WindTrial {
    double factor = 0;      // on the base reference wind
    float U_ref = 0;        // the reference wind flown, m/s (float(factor * base))
    double U_10 = 0;        // wind speed at 10 m height, m/s
    int cycles = 0;         // cycles completed, the settling one included
    bool survived = false;  // flew the settling cycle and the whole window
    bool measured = false;  // completed at least one cycle of the window
    double dE_cycle = 0;    // mean energy gained per completed window cycle, m
    double E_window = 0;    // E where the window begins, m
    double t_window = 0,
           t_end = 0;    // flight time at the window's start and at its last cycle's end, s
    std::string end;     // why the flight ended early; empty when it survived
    bool within = true;  // kept every limit of the search at every tick flown (true: none)
    LimitCheck limits;   // the flight's extremes against the limits

    // Holds or gains energy on average over the window (within the tolerance).
    bool gains(double tolerance) const;
    // Gains on average, survives the window and keeps the limits.
    bool sustained(double tolerance) const { return survived && within && gains(tolerance); }
};

// The mean gain changes sign between two neighbouring measured rows of the table.
struct WindCrossing {
    WindTrial below, above;
    bool rising = false;  // loses below, gains above
};

// What the answer is: the wind from which the mean gain, having been a loss
// just below, stays a gain (energy-neutral), or the lowest wind the pattern
// lives through while gaining, with no loss just below it or no gain that
// holds above it (a survival limit).
enum class LeastWindKind { energy_neutral, survival_limit };

struct MinWindResult {
    double base_U_ref =
        0;  // m/s: factor 1 (U_ref, or the other patterns' reference wind when U_ref is 0)
    std::vector<WindTrial> trials;  // the table, by factor
    std::vector<WindCrossing> crossings;
    bool found = false;
    WindTrial least;         // the lowest factor that gains and survives the window
    bool bracketed = false;  // a row below `least` fails: it is the bracket's lower end
    WindTrial below_least;
    LeastWindKind kind = LeastWindKind::survival_limit;
    std::string why;  // the reason for `kind`, a clause
    bool cancelled = false;
    std::string message;  // when nothing was found, or "cancelled"
};

// The reference wind that factor 1 stands for: U_ref, or when that is 0 (the
// circle zoom's own calm) the other patterns' reference wind.
double base_reference_wind(const Params& p);
// The wind at 10 m height of the profile in `p` with U_ref = factor * base, m/s.
double wind_at_10m(const Params& p, double factor);
// One trial: the settling cycle and the window at U_ref = factor * base. A set
// `cancel` ends the flight within a few thousand ticks ("cancelled").
WindTrial wind_trial(const Params& p, const MinWindSearch& how, double factor,
                     const std::atomic<bool>* cancel = nullptr);
// The grid, its refinement and the answer. progress(done, total) after each
// trial (from the trial threads, one call at a time); `cancel` stops the
// trials and the search with "cancelled".
MinWindResult min_wind(const Params& p, const MinWindSearch& how,
                       const std::atomic<bool>* cancel = nullptr,
                       const std::function<void(int, int)>& progress = {});

// The table as CSV: factor, U_ref, wind at 10 m, mean gain, cycles, survived, end.
std::string min_wind_csv(const MinWindResult& r, const MinWindSearch& how);

}  // namespace soar
