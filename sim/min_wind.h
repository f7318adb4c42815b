// The least wind a pattern needs: a bisection on a factor on the reference
// wind U_ref for the smallest factor with which the pattern flies N cycles
// without a fault (a stall among them), without touching the sea (Z < 0), and
// without a net loss of specific energy E = Z + V^2/(2g) over the last N/2
// cycles. Trial flights are fixed-step and headless; the flight model is pure
// over its Params, so the trials of a round run on threads of their own.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "sim/params.h"

namespace soar {

struct WindTrial {
    double factor = 0;  // on U_ref
    double U_10 = 0;    // wind speed at 10 m height, m/s
    bool sustained = false;
    int cycles = 0;       // cycles completed
    double dE_cycle = 0;  // mean energy gained per cycle over the last N/2, m
    std::string why;      // why it is not sustained
};

struct MinWindSearch {
    Mode mode = Mode::upwind;
    int cycles = 10;
    double dt = 0.01;  // fixed step, s
    // A loss smaller than this share of the energy counts as none: the
    // integrator's own error over a drag-free, windless cycle is below it.
    double tolerance = 1e-3;
    double resolution = 0.005;  // of the factor
    int threads = 0;            // 0: the machine's cores
};

struct MinWindResult {
    bool found = false;
    WindTrial least;                // the smallest sustained factor
    std::vector<WindTrial> trials;  // every trial flown, by factor
    std::string message;            // when nothing was found, or the search was cancelled
};

// The wind at 10 m height of the profile in `p` with U_ref scaled by `factor`, m/s.
double wind_at_10m(const Params& p, double factor);
// A set `cancel` ends the trial within a few thousand ticks, not sustained.
WindTrial wind_trial(const Params& p, const MinWindSearch& how, double factor,
                     const std::atomic<bool>* cancel = nullptr);
// progress(done, total) after each round; `cancel` stops the trials flying and
// the search with "cancelled".
MinWindResult min_wind(const Params& p, const MinWindSearch& how,
                       const std::atomic<bool>* cancel = nullptr,
                       const std::function<void(int, int)>& progress = {});

}  // namespace soar
