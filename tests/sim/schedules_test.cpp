#include "sim/schedules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace soar {
namespace {

// A state of `mode` before its schedules are evaluated.
FlightState pattern(Mode mode) {
    FlightState s;
    s.Z = pattern_defaults(mode).Z_start;
    return s;
}

const Params up = pattern_defaults(Mode::upwind);

TEST(Schedules, UpwindStartsLevelWithBankBelowItsAmplitude) {
    FlightState s = pattern(Mode::upwind);
    s.t = 0.0f;
    update_time_schedules(s, up, Mode::upwind);
    EXPECT_EQ(s.gam_deg, 0.0f);
    EXPECT_EQ(s.gam_dot, 0.0f);
    EXPECT_LT(s.mu_deg, 55.3f);
    EXPECT_GT(s.mu_deg, -55.3f);
    EXPECT_NE(s.mu_deg, 0.0f);
}

TEST(Schedules, PathAngleRepeatsEveryCycleAndBankEveryTwo) {
    for (Mode mode : {Mode::upwind, Mode::crosswind}) {
        FlightState a = pattern(mode);
        a.t = 1.25f;
        const Params p = pattern_defaults(mode);
        update_time_schedules(a, p, mode);
        FlightState b = a;
        b.t = float(1.25 + 2.0 * double(p.T_cyc));
        update_time_schedules(b, p, mode);
        EXPECT_NEAR(a.gam_deg, b.gam_deg, 1e-4);
        EXPECT_NEAR(a.gam_dot, b.gam_dot, 1e-3);
        if (mode == Mode::upwind) {
            EXPECT_NEAR(a.mu_deg, b.mu_deg, 1e-3);
            FlightState c = a;
            c.t = float(1.25 + double(p.T_cyc));  // half the bank period: opposite bank
            update_time_schedules(c, p, mode);
            EXPECT_NEAR(c.mu_deg, -a.mu_deg, 1e-3);
        } else {
            EXPECT_NEAR(a.psi_deg, b.psi_deg, 1e-3);
        }
    }
}

TEST(Schedules, NegativeTimeStillGivesPhaseInsideTheCycle) {
    FlightState s = pattern(Mode::upwind);
    s.t = -3.0f;  // the clock behind the flight time
    update_time_schedules(s, up, Mode::upwind);
    FlightState t = s;
    t.t = 5.0f;  // -3 + 8
    update_time_schedules(t, up, Mode::upwind);
    EXPECT_NEAR(s.gam_deg, t.gam_deg, 1e-5);
}

TEST(Schedules, CrosswindStartsAcrossTheWind) {
    FlightState s = pattern(Mode::crosswind);
    s.t = 0.0f;
    update_time_schedules(s, pattern_defaults(Mode::crosswind), Mode::crosswind);
    EXPECT_EQ(s.psi_deg, -90.0f);
    EXPECT_EQ(s.psi_dot, float(6.28318 * 55.0 * (1.0 / 13.0) * 1.0));
    EXPECT_NEAR(s.psi_dot, 6.28318 * 55.0 / 13.0, 1e-4);
}

TEST(Schedules, UpwindPathAngleRateIsTheDerivativeOfItsSineTerm) {
    // With the sin^2 coefficient at 0, the upwind rate is the exact time derivative
    // of the path angle (its warp factor is the derivative of the upwind warp).
    // The sin^2 term's rate and the crosswind warp are kept as the schedule was
    // tuned, and are not derivatives.
    for (double t : {0.7, 2.9, 5.1, 7.6}) {
        FlightState a = pattern(Mode::upwind), b = a, c = a;
        Params p = up;
        p.gam_B = 0.0f;
        const double h = 1e-3;
        a.t = float(t - h), b.t = float(t), c.t = float(t + h);
        update_time_schedules(a, p, Mode::upwind), update_time_schedules(b, p, Mode::upwind),
            update_time_schedules(c, p, Mode::upwind);
        const double slope = (double(c.gam_deg) - double(a.gam_deg)) / (double(c.t) - double(a.t));
        EXPECT_NEAR(b.gam_dot, slope, 0.01 * std::fabs(slope) + 0.02) << "t = " << t;
    }
}

TEST(Schedules, OtherPatternsGetLevelPathAndKeepBankAndHeading) {
    FlightState s = pattern(Mode::downwind);
    s.t = 2.0f;
    s.mu_deg = 12.0f;
    s.psi_deg = 33.0f;
    update_time_schedules(s, up, Mode::downwind);
    EXPECT_EQ(s.gam_deg, 0.0f);
    EXPECT_EQ(s.gam_dot, 0.0f);
    EXPECT_EQ(s.mu_deg, 12.0f);
    EXPECT_EQ(s.psi_deg, 33.0f);
}

}  // namespace
}  // namespace soar
