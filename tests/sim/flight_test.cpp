#include "sim/flight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/constants.h"
#include "sim/control_laws.h"
#include "sim/fault.h"
#include "sim/param_set.h"
#include "sim/wind.h"
#include "test_state.h"

namespace soar {
namespace {

using test::started;
using test::step_to;

double energy(const FlightState& s) {
    return double(s.Z) +
           double(s.V) * double(s.V) / (2.0 * double(pattern_defaults(Mode::upwind).g));
}

const Params down = pattern_defaults(Mode::downwind);
const Params zoom = pattern_defaults(Mode::circlezoom);

TEST(FlightStart, StartsLevelAcrossTheWindAtTwentyFiveMetresPerSecond) {
    for (Mode mode :
         {Mode::upwind, Mode::downwind, Mode::crosswind, Mode::circlezoom, Mode::profile}) {
        const Flight f = started(mode);
        const FlightState& s = f.state();
        EXPECT_EQ(s.t, 0.0f);
        EXPECT_EQ(s.dt, 0.0f);
        EXPECT_EQ(s.V, 25.0f);
        EXPECT_EQ(s.psi_deg, -90.0f);
        EXPECT_EQ(s.gam_deg, 0.0f);
        EXPECT_EQ(s.X, 0.0f);
        EXPECT_EQ(s.Y, 0.0f);
        EXPECT_EQ(s.Z, pattern_defaults(mode).Z_start);
        // Drawn at the attitude it was given until the first step.
        EXPECT_EQ(s.attitude.pitch, 2.0f);
    }
    Params own = pattern_defaults(Mode::crosswind);
    own.Z_start = 4.5f;
    EXPECT_EQ(Flight(own, Mode::crosswind).state().Z, 4.5f);
}

TEST(FlightStart, ProfileDemoFliesTheDownwindPath) {
    EXPECT_EQ(pattern_defaults(Mode::profile), pattern_defaults(Mode::downwind));
    const ParamSet set;
    EXPECT_EQ(&set.of(Mode::profile), &set.of(Mode::downwind));
    Flight down = started(Mode::downwind), profile = started(Mode::profile);
    for (int k = 1; k <= 500; ++k) {
        step_to(down, float(0.01 * k));
        step_to(profile, float(0.01 * k));
    }
    EXPECT_EQ(down.state().X, profile.state().X);
    EXPECT_EQ(down.state().Z, profile.state().Z);
}

TEST(FlightStart, SetsTheGroundVelocityOfTheStartState) {
    // Heading -90: flying along -y at 25 m/s, drifting with the wind along +x.
    const Flight f = started(Mode::downwind);
    const FlightState& s = f.state();
    EXPECT_EQ(s.Xdot, float(double(s.Xdot_air) + double(s.U)));
    EXPECT_NEAR(s.Ydot, -25.0, 1e-6);
    EXPECT_NEAR(s.Xdot_air, 0.0, 1e-4);
    EXPECT_GT(s.U, 0.0f);
}

TEST(FlightStart, CircleZoomBanksForItsFortyMetreCircle) {
    const Flight f = started(Mode::circlezoom);
    const FlightState& s = f.state();
    EXPECT_EQ(s.R_turn, 40.0f);
    EXPECT_NEAR(s.psi_dot, 25.0 / (40.0 * k::d2r), 1e-4);  // about 35.810 deg/s
    EXPECT_NEAR(s.mu_deg, 57.904, 1e-3);
    EXPECT_NEAR(s.Nz, 1.0 / std::cos(double(s.mu())), 1e-6);
    EXPECT_NEAR(s.Nz, 1.882, 1e-3);
}

TEST(ControlLaws, PathAngleFollowsTheHeadingSchedule) {
    FlightState s = started(Mode::downwind).state();
    struct Case {
        float psi_deg;
        double gam_deg;
    } cases[] = {
        {-90.0f, 0.0}, {30.0f, 18.0 + 6.7}, {90.0f, 0.0}, {150.0f, 6.7 - 18.0}, {270.0f, 0.0}};
    for (const Case& c : cases) {
        s.psi_deg = c.psi_deg;
        path_angle_for_heading(s, down);
        EXPECT_NEAR(s.gam_deg, c.gam_deg, 2e-4) << "psi_deg = " << c.psi_deg;
    }
    s.psi_deg = -90.0f;
    path_angle_for_heading(s, down);
    EXPECT_EQ(s.dgam_dpsi, 0.0f);
    // dgam_dpsi is the slope of gam_deg against psi_deg.
    for (float psi : {-40.0f, 10.0f, 75.0f, 200.0f}) {
        FlightState a = s, b = s;
        a.psi_deg = psi - 0.01f, b.psi_deg = psi + 0.01f;
        path_angle_for_heading(a, down), path_angle_for_heading(b, down);
        s.psi_deg = psi;
        path_angle_for_heading(s, down);
        const double slope =
            (double(b.gam_deg) - double(a.gam_deg)) / (double(b.psi_deg) - double(a.psi_deg));
        EXPECT_NEAR(s.dgam_dpsi, slope, 2e-3) << psi;
    }
}

TEST(ControlLaws, BankStaysInsideNinetyDegreesHoweverHardTheTurn) {
    FlightState s = started(Mode::circlezoom).state();
    for (float rate : {1e2f, 1e4f, 1e7f, -1e7f}) {
        s.psi_dot = rate;
        FlightTrig trig;
        bank_for_path_rates(s, zoom, trig);
        EXPECT_LT(std::fabs(s.mu_deg), 90.0f) << rate;
    }
}

TEST(Integration, CircleZoomWithoutWindOrDragConservesEnergy) {
    // With U = 0 and no drag, dV/dt = -g sin(gam) and dZ/dt = V sin(gam): the
    // specific energy Z + V^2/2g is constant; the discrete scheme keeps it closely.
    Flight f = started(Mode::circlezoom);
    const FlightState& s = f.state();
    const double e0 = energy(s);
    double low = s.Z, high = s.Z;
    for (int k = 2; k <= 2000; ++k) {  // 20 s, two full circles and more
        step_to(f, float(0.01 * (k - 1)));
        low = std::min(low, double(s.Z)), high = std::max(high, double(s.Z));
    }
    EXPECT_NEAR(energy(s), e0, 1e-3 * e0);
    EXPECT_GT(high - low, 5.0);  // it did zoom
}

TEST(Integration, HeadingWrapsOncePerTurnOnlyInHeadingScheduledPatterns) {
    Flight f = started(Mode::circlezoom);
    const FlightState& s = f.state();
    int wraps = 0;
    float previous = s.psi_deg;
    for (int k = 2; k <= 1500; ++k) {
        step_to(f, float(0.01 * (k - 1)));
        EXPECT_LE(s.psi_deg, 270.0f);
        if (s.psi_deg < previous) {
            ++wraps;
            EXPECT_GT(previous, 260.0f);
            EXPECT_LT(s.psi_deg, -80.0f);
        }
        previous = s.psi_deg;
    }
    EXPECT_GE(wraps, 1);

    Flight fu = started(Mode::upwind);
    const FlightState& u = fu.state();
    previous = u.psi_deg;
    for (int k = 2; k <= 2000; ++k) {
        step_to(fu, float(0.01 * (k - 1)));
        EXPECT_LT(std::fabs(double(u.psi_deg) - double(previous)), 5.0);  // never wraps
        previous = u.psi_deg;
    }
}

TEST(Integration, ZeroStepKeepsEveryIntegral) {
    Flight f = started(Mode::upwind);
    const FlightState& s = f.state();
    step_to(f, 0.5f);
    const FlightState before = s;
    f.step(0.0);
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
    Flight f = started(Mode::crosswind);
    const FlightState& s = f.state();
    step_to(f, 0.1f);
    EXPECT_NEAR(s.Y, -2.5, 0.05);  // about 25 m/s along -y for 0.1 s
}

TEST(Integration, StepAdvancesTheFlightTimeByTheStepRoundedToFloat) {
    Flight f = started(Mode::upwind);
    f.step(0.01);
    EXPECT_EQ(f.state().t, 0.01f);
    EXPECT_EQ(f.state().dt, 0.01f);
    f.step(0.02);
    EXPECT_EQ(f.state().t, float(double(0.01f) + 0.02));
    EXPECT_EQ(f.state().dt, float(double(f.state().t) - double(0.01f)));
}

TEST(Integration, CrosswindStallIsReportedAsAFault) {
    // The crosswind schedule loses airspeed over its cycles until the bird stalls.
    Flight f = started(Mode::crosswind);
    const FlightState& s = f.state();
    bool faulted = false;
    for (int k = 2; k <= 60000 && !faulted; ++k) {
        try {
            step_to(f, float(0.01 * (k - 1)));
        } catch (const FlightFault& f) {
            faulted = true;
            EXPECT_NE(std::string(f.what()).find("airspeed"), std::string::npos) << f.what();
            EXPECT_GT(s.t, 30.0f);
        }
    }
    EXPECT_TRUE(faulted);
}

TEST(Integration, UpwindCyclesKeepTheBirdAloft) {
    Flight f = started(Mode::upwind);
    const FlightState& s = f.state();
    for (int k = 2; k <= 6000; ++k) step_to(f, float(0.01 * (k - 1)));
    EXPECT_GT(s.V, 5.0f);
    EXPECT_GT(s.Z, -5.0f);
    EXPECT_NEAR(s.t, 59.99, 1e-3);
}

TEST(PatternDefaults, OnlyTheCircleZoomFliesWithoutDragAndWind) {
    const Params zoom = pattern_defaults(Mode::circlezoom);
    EXPECT_EQ(zoom.CD0, 0.0f);
    EXPECT_EQ(zoom.K_ind, 0.0f);
    EXPECT_EQ(zoom.U_ref, 0.0f);
    EXPECT_EQ(zoom.Z_start, 1.8f);
    for (Mode m : {Mode::upwind, Mode::downwind, Mode::crosswind, Mode::profile, Mode::fixed}) {
        const Params p = pattern_defaults(m);
        EXPECT_EQ(p.CD0, 0.015f);
        EXPECT_EQ(p.K_ind, float(1.0 / 45.0));
        EXPECT_EQ(p.U_ref, 7.0f);
        // Everything but the pattern block is the same bird in the same air.
        Params common = p;
        common.Z_start = common.T_cyc = common.c_warp = common.gam_A = common.gam_B = 0;
        common.mu_max = common.mu_ph = common.psi_A = common.psi_B = 0;
        common.R_0 = common.R_A = common.R_ph = 0;
        EXPECT_EQ(common, Params{});
    }
}

}  // namespace
}  // namespace soar
