#include "sim/initial_conditions.h"

#include <gtest/gtest.h>

#include "test_state.h"

namespace soar {
namespace {

TEST(InitialConditions, UpwindLoadsItsScheduleAndLeavesTheRadiiAlone) {
    State s = test::startup_air();
    s.R_0 = 11.0f, s.R_A = 12.0f, s.psi_A = 13.0f, s.psi_B = 14.0f;
    s.X = 5.0f, s.Y = 6.0f, s.t = 7.0f;
    math_start(s, Mode::upwind, {2.0, 30.0, -4.0});
    EXPECT_EQ(s.Z, 1.02f);
    EXPECT_EQ(s.Z_old, 1.02f);
    EXPECT_EQ(s.T_cyc, 8.0f);
    EXPECT_EQ(s.mu_max, 55.3f);
    EXPECT_EQ(s.mu_ph, 0.348f);
    EXPECT_EQ(s.c_warp, -0.2f);
    EXPECT_EQ(s.gam_A, 10.0f);
    EXPECT_EQ(s.gam_B, -3.2f);
    EXPECT_EQ(s.R_0, 11.0f);
    EXPECT_EQ(s.R_A, 12.0f);
    EXPECT_EQ(s.psi_A, 13.0f);
    EXPECT_EQ(s.psi_B, 14.0f);
    EXPECT_EQ(s.pitch_b, 2.0f);
    EXPECT_EQ(s.roll_b, -30.0f);
    EXPECT_EQ(s.yaw_b, 4.0f);
    EXPECT_EQ(s.X, 0.0f);
    EXPECT_EQ(s.Y, 0.0f);
    EXPECT_EQ(s.t, 0.0f);
}

TEST(InitialConditions, ProfileDemoFliesTheDownwindPath) {
    State a = test::startup_air(), b = test::startup_air();
    math_start(a, Mode::downwind, {});
    math_start(b, Mode::profile, {});
    EXPECT_EQ(a.Z, 1.7f);
    EXPECT_EQ(b.Z, a.Z);
    EXPECT_EQ(b.gam_A, a.gam_A);
    EXPECT_EQ(b.gam_B, a.gam_B);
    EXPECT_EQ(b.R_0, a.R_0);
    EXPECT_EQ(b.R_A, -15.0f);
}

TEST(InitialConditions, DragComesBackAfterACircleZoom) {
    // The circle zoom flies without drag; the next pattern must have its drag again.
    State s = test::startup_air();
    math_start(s, Mode::circlezoom, {});
    EXPECT_EQ(s.CD0, 0.0f);
    EXPECT_EQ(s.K_ind, 0.0f);
    EXPECT_EQ(s.Z, 1.8f);
    for (Mode next : {Mode::upwind, Mode::downwind, Mode::crosswind, Mode::profile}) {
        State t = s;
        math_start(t, next, {});
        EXPECT_EQ(t.CD0, 0.015f);
        EXPECT_EQ(t.K_ind, float(1.0 / 45.0));
    }
}

}  // namespace
}  // namespace soar
