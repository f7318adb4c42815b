// A flight flown yourself: held keys steer the bird through the session's own
// tick path, and the record it leaves is the flight as flown.
#include <gtest/gtest.h>

#include <cmath>

#include "app/pilot.h"
#include "app_fixture.h"
#include "sim/energy.h"
#include "sim/flight.h"

namespace soar {
namespace {

using Flown = test::Run;

constexpr double kDt = 0.01;  // s between ticks

// "Fly it yourself" from the upwind pattern's start at clock reading 0, then
// ticks `kDt` apart with `keys(t, state)` held at flight time t, the bird at
// `state`. Returns when the flight ends or at `t_end`.
template <class Keys>
void fly_yourself(Flown& r, double t_end, Keys keys) {
    r.session.choose_pattern(Mode::upwind);
    r.clock.set(0.0f);
    r.session.fly_yourself();
    for (int k = 0; double(k) * kDt <= t_end; ++k) {
        r.session.set_pilot_keys(keys(double(k) * kDt, r.session.flight_state()));
        if (!r.tick(float(double(k) * kDt))) return;
    }
}

PilotKeys none() {
    return {};
}

TEST(FlyYourself, AHeldKeyRollsAtTheBirdsRateAndReleasedKeysLevelTheWingsAndTrimTheLift) {
    Flown r;
    // Pull 0.3 s into a climb, bank right 0.5 s from t = 1 s, let go.
    fly_yourself(r, 2.4, [](double t, const FlightState&) {
        PilotKeys k;
        k.more_lift = t < 0.3;
        k.bank_right = t >= 1.0 && t < 1.5;
        return k;
    });
    ASSERT_TRUE(r.session.flying()) << r.session.fault();
    ASSERT_TRUE(r.session.flown_by_you());
    const PilotLimits& lim = r.session.pilot_limits();
    const auto n = int64_t(r.session.record().history.size());
    ASSERT_GT(n, 230);
    const float CL_trim = r.session.recorded_state(1).CL;
    double bank_peak = 0, CL_peak = 0;
    for (int64_t i = 2; i <= n; ++i) {
        const FlightState a = r.session.recorded_state(i - 1), b = r.session.recorded_state(i);
        const double h = double(b.t) - double(a.t);
        EXPECT_LE(std::fabs(double(b.mu_deg) - double(a.mu_deg)),
                  double(lim.bank_rate_max) * h * 1.0001 + 1e-4)
            << "tick " << i;
        EXPECT_LE(std::fabs(double(b.CL) - double(a.CL)),
                  double(lim.CL_rate_max) * h * 1.0001 + 1e-6)
            << "tick " << i;
        bank_peak = std::max(bank_peak, double(b.mu_deg));
        CL_peak = std::max(CL_peak, double(b.CL));
        // Wings level before the key is pressed; back to level 0.5 s after it
        // is let go; the lift back to the trim 0.3 s after the pull.
        if (b.t < 1.0f || b.t > 2.02f) {
            EXPECT_EQ(b.mu_deg, 0.0f) << "t " << b.t;
        }
        if (b.t > 0.61f) {
            EXPECT_NEAR(b.CL, CL_trim, 1e-6) << "t " << b.t;
        }
    }
    // Half a second at 90 deg/s, then back; 0.3 s at 3 /s.
    EXPECT_NEAR(bank_peak, 0.5 * double(lim.bank_rate_max), 1.0);
    EXPECT_NEAR(CL_peak, double(CL_trim) + 0.3 * double(lim.CL_rate_max), 0.04);
    EXPECT_EQ(r.session.stick().mu_deg, 0.0f);
}

TEST(FlyYourself, AnUntouchedStickGlidesFromTheLevelStartForSecondsBeforeMeetingTheSea) {
    Flown r;
    fly_yourself(r, 60.0, [](double, const FlightState&) { return none(); });
    const FlightState first = r.session.recorded_state(1);
    const FlightState designed = pattern_start(r.session.record().params, Mode::upwind);
    // The pattern's place, speed and heading, higher up, level, wings level.
    EXPECT_EQ(first.X, designed.X);
    EXPECT_EQ(first.V, designed.V);
    EXPECT_EQ(first.psi_deg, designed.psi_deg);
    EXPECT_EQ(first.Z, kLevelStartHeight);
    EXPECT_EQ(first.gam_deg, 0.0f);
    EXPECT_EQ(first.mu_deg, 0.0f);
    // From the pattern's own start (1.02 m, descending) it met the sea in under 3 s.
    ASSERT_FALSE(r.session.flying());
    EXPECT_NE(r.session.fault().find("touched the sea"), std::string::npos) << r.session.fault();
    EXPECT_GT(r.session.flight_state().t, 10.0f);
}

TEST(FlyYourself, ADiveIntoTheSeaEndsTheFlightWithTheContactAndShowsTheLastTickFlown) {
    Flown r;
    PilotKeys push;
    push.less_lift = true;
    fly_yourself(r, 20.0, [&](double, const FlightState&) { return push; });
    ASSERT_FALSE(r.session.flying());
    EXPECT_EQ(r.session.state(), RunState::stopped);
    EXPECT_NE(r.session.fault().find("touched the sea"), std::string::npos) << r.session.fault();
    EXPECT_NE(r.session.window().message.find("touched the sea"), std::string::npos);
    EXPECT_FALSE(r.session.record().end_reason.empty());
    // The failed step is below the sea; the read-outs show the last one above it.
    const auto flown = int64_t(r.session.record().history.size());
    EXPECT_LT(r.session.flight_state().Z, 0.0f);
    const FlightState shown = r.session.shown_state();
    EXPECT_EQ(shown.t, r.session.recorded_state(flown).t);
    EXPECT_GE(shown.Z, 0.0f);
    EXPECT_LT(shown.t, r.session.flight_state().t);
    // Asking for less lift than nothing gives none: the bird falls.
    EXPECT_EQ(shown.CL, r.session.pilot_limits().CL_min);
}

TEST(FlyYourself, AHeldPullStallsTheWing) {
    Flown r;
    PilotKeys pull;
    pull.more_lift = true;
    fly_yourself(r, 5.0, [&](double, const FlightState&) { return pull; });
    ASSERT_FALSE(r.session.flying());
    // Pulled first into more load than the bird bears, or past the stall.
    const std::string& f = r.session.fault();
    EXPECT_TRUE(f.find("stalled") != std::string::npos ||
                f.find("load factor") != std::string::npos)
        << f;
}

TEST(FlyYourself, TheScoreIsTheEnergyGainedOverTheRecordAndItsCycles) {
    Flown r;
    // A climb, then the path held level with the lift and gentle turns left
    // and right: two cycles of the upwind pattern (8 s) and more.
    fly_yourself(r, 18.0, [](double t, const FlightState& s) {
        PilotKeys k;
        k.more_lift = t < 0.3 || (t > 2.5 && s.gam_deg < -1.0f);
        k.less_lift = t > 2.5 && s.gam_deg > 1.0f;
        const double phase = std::fmod(t, 6.0);
        k.bank_left = t > 3.0 && phase < 0.3;
        k.bank_right = t > 3.0 && phase >= 3.0 && phase < 3.3;
        return k;
    });
    const Session& s = r.session;
    const auto n = int64_t(s.record().history.size());
    ASSERT_GT(n, 100) << s.fault();
    const Params& p = s.record().params;
    const PilotScore score = s.score();
    const double E_first = double(energy_of(s.recorded_state(1), p).E);
    const double E_last = double(energy_of(s.recorded_state(n), p).E);
    EXPECT_NEAR(score.energy_gained_m, E_last - E_first, 1e-4);
    EXPECT_NEAR(score.time_aloft_s, double(s.recorded_state(n).t), 1e-6);
    // The cycles add up to the flight: those completed, then the one in
    // progress from its start to the last tick.
    ASSERT_EQ(int(score.cycles.size()), s.record().cycles.completed());
    const CycleRow now = s.record().cycles.current();
    double sum = E_last - now.E_start, time = now.period;
    for (const CycleScore& c : score.cycles) sum += c.energy_gained_m, time += c.time_s;
    ASSERT_TRUE(s.flying()) << s.fault();
    ASSERT_EQ(score.cycles.size(), 2u);
    EXPECT_NEAR(sum, score.energy_gained_m, 1e-3);
    EXPECT_NEAR(time, score.time_aloft_s, 1e-3);
    // Gliding without the wind's help loses energy to drag.
    EXPECT_LT(score.energy_gained_m, 0.0);
}

TEST(FlyYourself, OkAfterwardsFliesTheDesignedPatternAsAFreshWindowDoes) {
    Flown mine, fresh;
    fly_yourself(mine, 1.0, [](double t, const FlightState&) {
        PilotKeys k;
        k.bank_left = t > 0.5;
        return k;
    });
    ASSERT_TRUE(mine.session.flown_by_you());
    mine.session.set_up_flight();
    EXPECT_FALSE(mine.session.flown_by_you());
    EXPECT_EQ(mine.session.scene_mode(), Mode::upwind);
    mine.clock.set(0.0f);
    mine.session.start_flight();
    fresh.start(Mode::upwind, 0.0);
    for (int k = 0; k < 200; ++k) {
        // Keys still "held" do nothing to a designed flight.
        mine.session.set_pilot_keys({true, false, true, false});
        ASSERT_TRUE(mine.tick(float(k * kDt)));
        ASSERT_TRUE(fresh.tick(float(k * kDt)));
    }
    const FlightState a = mine.session.flight_state(), b = fresh.session.flight_state();
    EXPECT_EQ(a.X, b.X);
    EXPECT_EQ(a.Z, b.Z);
    EXPECT_EQ(a.mu_deg, b.mu_deg);
    EXPECT_EQ(a.CL, b.CL);
}

TEST(FlyYourself, APausedFlightHoldsTheStickAndLooksBackAtWhatWasFlown) {
    Flown r;
    PilotKeys right;
    right.bank_right = true;
    fly_yourself(r, 1.2, [&](double t, const FlightState&) {
        PilotKeys k = t > 1.0 ? right : none();
        k.more_lift = t < 0.3;
        return k;
    });
    r.session.pause_or_resume();
    ASSERT_EQ(r.session.state(), RunState::paused);
    const float bank = r.session.stick().mu_deg;
    r.session.set_pilot_keys(right);
    for (int k = 0; k < 50; ++k) r.tick(float(1.3 + k * kDt));
    EXPECT_EQ(r.session.stick().mu_deg, bank);
    const int64_t n = r.session.ticks_to_look_back();
    ASSERT_GT(n, 100);
    r.session.look_at(n / 2);
    EXPECT_EQ(r.session.shown_state().mu_deg, 0.0f);  // before the key was pressed
    r.session.look_at(n);
    EXPECT_GT(r.session.shown_state().mu_deg, 10.0f);
}

}  // namespace
}  // namespace soar
