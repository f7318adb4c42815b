#include "sim/flight_step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/constants.h"
#include "sim/fault.h"
#include "sim/initial_conditions.h"
#include "sim/wind.h"
#include "test_state.h"

namespace soar {
namespace {

using test::started;

double energy(const State& s) {
    return double(s.Z) +
           double(s.V) * double(s.V) / (2.0 * double(pattern_defaults(Mode::upwind).g));
}

const Params down = pattern_defaults(Mode::downwind);
const Params zoom = pattern_defaults(Mode::circlezoom);

TEST(FirstTick, StartsLevelAcrossTheWindAtTwentyFiveMetresPerSecond) {
    for (Mode mode :
         {Mode::upwind, Mode::downwind, Mode::crosswind, Mode::circlezoom, Mode::profile}) {
        State before = test::startup_air();
        math_start(before, pattern_defaults(mode), mode, {});
        const State s = started(mode);
        EXPECT_EQ(s.t, 0.0f);
        EXPECT_EQ(s.V, 25.0f);
        EXPECT_EQ(s.psi_deg, -90.0f);
        EXPECT_EQ(s.gam_deg, 0.0f);
        EXPECT_EQ(s.X, 0.0f);
        EXPECT_EQ(s.Y, 0.0f);
        EXPECT_EQ(s.Z, before.Z);
    }
}

TEST(FirstTick, SetsTheGroundVelocityOfTheStartState) {
    // Heading -90: flying along -y at 25 m/s, drifting with the wind along +x.
    const State s = started(Mode::downwind);
    EXPECT_EQ(s.Xdot, float(double(s.Xdot_air) + double(s.U)));
    EXPECT_NEAR(s.Ydot, -25.0, 1e-6);
    EXPECT_NEAR(s.Xdot_air, 0.0, 1e-4);
    EXPECT_GT(s.U, 0.0f);
}

TEST(FirstTick, CircleZoomBanksForItsFortyMetreCircle) {
    const State s = started(Mode::circlezoom);
    EXPECT_EQ(s.R_turn, 40.0f);
    EXPECT_NEAR(s.psi_dot, 25.0 / (40.0 * k::d2r), 1e-4);  // about 35.810 deg/s
    EXPECT_NEAR(s.mu_deg, 57.904, 1e-3);
    EXPECT_NEAR(s.Nz, 1.0 / std::cos(double(s.mu)), 1e-6);
    EXPECT_NEAR(s.Nz, 1.882, 1e-3);
}

TEST(ControlLaws, PathAngleFollowsTheHeadingSchedule) {
    State s = started(Mode::downwind);
    struct Case {
        float psi_deg;
        double gam_deg;
    } cases[] = {
        {-90.0f, 0.0}, {30.0f, 18.0 + 6.7}, {90.0f, 0.0}, {150.0f, 6.7 - 18.0}, {270.0f, 0.0}};
    for (const Case& c : cases) {
        s.psi_deg = c.psi_deg;
        law_D_path_angle(s, down);
        EXPECT_NEAR(s.gam_deg, c.gam_deg, 2e-4) << "psi_deg = " << c.psi_deg;
    }
    s.psi_deg = -90.0f;
    law_D_path_angle(s, down);
    EXPECT_EQ(s.dgam_dpsi, 0.0f);
    // dgam_dpsi is the slope of gam_deg against psi_deg.
    for (float psi : {-40.0f, 10.0f, 75.0f, 200.0f}) {
        State a = s, b = s;
        a.psi_deg = psi - 0.01f, b.psi_deg = psi + 0.01f;
        law_D_path_angle(a, down), law_D_path_angle(b, down);
        s.psi_deg = psi;
        law_D_path_angle(s, down);
        const double slope =
            (double(b.gam_deg) - double(a.gam_deg)) / (double(b.psi_deg) - double(a.psi_deg));
        EXPECT_NEAR(s.dgam_dpsi, slope, 2e-3) << psi;
    }
}

TEST(ControlLaws, BankStaysInsideNinetyDegreesHoweverHardTheTurn) {
    State s = started(Mode::circlezoom);
    for (float rate : {1e2f, 1e4f, 1e7f, -1e7f}) {
        s.psi_dot = rate;
        FlightTrig trig;
        law_A_bank(s, zoom, trig);
        EXPECT_LT(std::fabs(s.mu_deg), 90.0f) << rate;
    }
}

TEST(Integration, CircleZoomWithoutWindOrDragConservesEnergy) {
    // With U = 0 and no drag, dV/dt = -g sin(gam) and dZ/dt = V sin(gam): the
    // specific energy Z + V^2/2g is constant; the discrete scheme keeps it closely.
    State s = started(Mode::circlezoom);
    const double e0 = energy(s);
    double low = s.Z, high = s.Z;
    for (int k = 2; k <= 2000; ++k) {  // 20 s, two full circles and more
        integration_step(s, pattern_defaults(Mode::circlezoom), Mode::circlezoom,
                         float(0.01 * (k - 1)));
        low = std::min(low, double(s.Z)), high = std::max(high, double(s.Z));
    }
    EXPECT_NEAR(energy(s), e0, 1e-3 * e0);
    EXPECT_GT(high - low, 5.0);  // it did zoom
}

TEST(Integration, HeadingWrapsOncePerTurnOnlyInHeadingScheduledPatterns) {
    State s = started(Mode::circlezoom);
    int wraps = 0;
    float previous = s.psi_deg;
    for (int k = 2; k <= 1500; ++k) {
        integration_step(s, pattern_defaults(Mode::circlezoom), Mode::circlezoom,
                         float(0.01 * (k - 1)));
        EXPECT_LE(s.psi_deg, 270.0f);
        if (s.psi_deg < previous) {
            ++wraps;
            EXPECT_GT(previous, 260.0f);
            EXPECT_LT(s.psi_deg, -80.0f);
        }
        previous = s.psi_deg;
    }
    EXPECT_GE(wraps, 1);

    State u = started(Mode::upwind);
    previous = u.psi_deg;
    for (int k = 2; k <= 2000; ++k) {
        integration_step(u, pattern_defaults(Mode::upwind), Mode::upwind, float(0.01 * (k - 1)));
        EXPECT_LT(std::fabs(double(u.psi_deg) - double(previous)), 5.0);  // never wraps
        previous = u.psi_deg;
    }
}

TEST(Integration, ZeroStepKeepsEveryIntegral) {
    State s = started(Mode::upwind);
    integration_step(s, pattern_defaults(Mode::upwind), Mode::upwind, 0.5f);
    const State before = s;
    integration_step(s, pattern_defaults(Mode::upwind), Mode::upwind, 0.5f);
    EXPECT_EQ(s.dt, 0.0f);
    EXPECT_EQ(s.V, before.V);
    EXPECT_EQ(s.Z, before.Z);
    EXPECT_EQ(s.X, before.X);
    EXPECT_EQ(s.Y, before.Y);
    EXPECT_EQ(s.psi_deg, before.psi_deg);
}

TEST(Integration, SecondStepAveragesTheStartVelocity) {
    // Without the start velocity, the first position step would average with zero
    // and the bird would cover half the distance.
    State s = started(Mode::crosswind);
    integration_step(s, pattern_defaults(Mode::crosswind), Mode::crosswind, 0.1f);
    EXPECT_NEAR(s.Y, -2.5, 0.05);  // about 25 m/s along -y for 0.1 s
}

TEST(Integration, ClockPassingMidnightKeepsTheStepPositive) {
    State s = started(Mode::upwind, 86399.9f);
    integration_step(s, pattern_defaults(Mode::upwind), Mode::upwind, 86399.95f);
    const float t1 = s.t;
    integration_step(s, pattern_defaults(Mode::upwind), Mode::upwind,
                     0.05f);  // the clock wrapped to the new day
    EXPECT_GT(s.dt, 0.0f);
    EXPECT_NEAR(s.dt, 0.1, 0.01);
    EXPECT_GT(s.t, t1);
}

TEST(Integration, CrosswindStallIsReportedAsAFault) {
    // The crosswind schedule loses airspeed over its cycles until the bird stalls.
    State s = started(Mode::crosswind);
    bool faulted = false;
    for (int k = 2; k <= 60000 && !faulted; ++k) {
        try {
            integration_step(s, pattern_defaults(Mode::crosswind), Mode::crosswind,
                             float(0.01 * (k - 1)));
        } catch (const FlightFault& f) {
            faulted = true;
            EXPECT_NE(std::string(f.what()).find("airspeed"), std::string::npos) << f.what();
            EXPECT_GT(s.t, 30.0f);
        }
    }
    EXPECT_TRUE(faulted);
}

TEST(Integration, UpwindCyclesKeepTheBirdAloft) {
    State s = started(Mode::upwind);
    for (int k = 2; k <= 6000; ++k)
        integration_step(s, pattern_defaults(Mode::upwind), Mode::upwind, float(0.01 * (k - 1)));
    EXPECT_GT(s.V, 5.0f);
    EXPECT_GT(s.Z, -5.0f);
    EXPECT_NEAR(s.t, 59.99, 1e-3);
}

}  // namespace
}  // namespace soar
