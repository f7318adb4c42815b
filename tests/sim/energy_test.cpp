#include "sim/energy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/wind.h"
#include "test_state.h"

namespace soar {
namespace {

using test::started;

// Largest gap, over `seconds` of flight at step dt, between the change of E over
// each step and the trapezoid of the two rates (wind + drag) at its ends.
struct Balance {
    double worst_gap = 0, wind_sum = 0, drag_sum = 0, held_sum = 0, E_first = 0, E_last = 0;
};
Balance balance(Mode mode, double dt, double seconds) {
    Flight f = started(mode);
    const FlightState& s = f.state();
    Balance b;
    Energy prev = energy_of(s, pattern_defaults(Mode::upwind));
    b.E_first = prev.E;
    const long long steps = std::llround(seconds / dt);
    for (long long k = 1; k <= steps; ++k) {
        test::step_to(f, float(double(k) * dt));
        const Energy now = energy_of(s, pattern_defaults(Mode::upwind));
        const double rate = 0.5 * (double(prev.dE_wind) + prev.dE_drag + prev.dE_held +
                                   now.dE_wind + now.dE_drag + now.dE_held);
        const double step_rate = (double(now.E) - prev.E) / double(s.dt);
        b.worst_gap = std::max(b.worst_gap, std::fabs(step_rate - rate));
        b.wind_sum += double(now.dE_wind) * s.dt;
        b.drag_sum += double(now.dE_drag) * s.dt;
        b.held_sum += double(now.dE_held) * s.dt;
        prev = now;
    }
    b.E_last = prev.E;
    return b;
}

TEST(Energy, PartsAddUpAndFollowTheState) {
    const Flight f = started(Mode::upwind);
    const FlightState& s = f.state();
    const Energy e = energy_of(s, pattern_defaults(Mode::upwind));
    EXPECT_FLOAT_EQ(e.E, e.E_kin + e.E_pot);
    EXPECT_FLOAT_EQ(e.E_pot, s.Z);
    EXPECT_NEAR(e.E_kin, 25.0 * 25.0 / (2 * 9.8), 1e-4);
    // Level flight at the start: no climb, so the gradient supplies nothing yet.
    EXPECT_EQ(e.dE_wind, 0.0f);
    EXPECT_LT(e.dE_drag, 0.0f);
}

TEST(Energy, WindAndDragRatesAddUpToTheChangeOfEnergyInEveryPattern) {
    for (Mode mode :
         {Mode::upwind, Mode::crosswind, Mode::downwind, Mode::circlezoom, Mode::profile}) {
        SCOPED_TRACE(int(mode));
        const Balance coarse = balance(mode, 0.01, 30.0);
        const Balance fine = balance(mode, 0.005, 30.0);
        // Rates of several m/s; the trapezoid's error and the float state's
        // rounding (a few 1e-6 m of E over a step, divided by the step) stay
        // far below, at either step.
        EXPECT_LT(coarse.worst_gap, 0.003);
        EXPECT_LT(fine.worst_gap, 0.003);
        // Summed over the flight, the rates give the energy actually gained.
        EXPECT_NEAR(coarse.wind_sum + coarse.drag_sum + coarse.held_sum,
                    coarse.E_last - coarse.E_first, 0.05);
        if (mode == Mode::circlezoom) {
            // No wind, no drag: the zoom trades height for speed and keeps E.
            EXPECT_EQ(coarse.wind_sum, 0.0);
            EXPECT_EQ(coarse.drag_sum, 0.0);
            EXPECT_NEAR(coarse.E_last, coarse.E_first, 0.01);
        } else {
            EXPECT_GT(coarse.wind_sum, 1.0);
            EXPECT_LT(coarse.drag_sum, -1.0);
        }
    }
}

// The downwind pattern climbs above the exponential profile's clamp (19.98 m),
// where the wind stands still: no gain is counted from the wind there, the
// equations' own term is dE_held, and looking back at a recorded row gives it
// to the bit. Below the clamp dE_held is 0.
TEST(Energy, AboveTheClampTheWindSuppliesNothing) {
    Flight f = started(Mode::downwind);
    const Params p = pattern_defaults(Mode::downwind);
    const FlightState& s = f.state();
    int held = 0, growing = 0;
    for (int k = 1; k <= 3000; ++k) {
        test::step_to(f, float(double(k) * 0.01));
        const Energy e = energy_of(s, p);
        EXPECT_EQ(held_energy_rate(p, s.Z, s.V, s.gam_deg, s.psi_deg, s.Up), e.dE_held) << k;
        if (s.Z > 19.98f * 1.0001f) {
            ++held;
            EXPECT_EQ(e.dE_wind, 0.0f) << "Z " << s.Z;
        } else if (s.Z < 19.98f * 0.9999f) {
            ++growing;
            EXPECT_EQ(e.dE_held, 0.0f) << "Z " << s.Z;
        }
    }
    EXPECT_GT(held, 10);
    EXPECT_GT(growing, 1000);
}

}  // namespace
}  // namespace soar
