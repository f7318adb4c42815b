#include "sim/initial_conditions.h"

#include <gtest/gtest.h>

#include "sim/param_set.h"
#include "test_state.h"

namespace soar {
namespace {

TEST(InitialConditions, StartsAtThePatternsHeightWithTheTypedAttitude) {
    State s = test::startup_air();
    s.X = 5.0f, s.Y = 6.0f, s.t = 7.0f;
    math_start(s, pattern_defaults(Mode::upwind), Mode::upwind, {2.0, 30.0, -4.0});
    EXPECT_EQ(s.Z, 1.02f);
    EXPECT_EQ(s.Z_old, 1.02f);
    EXPECT_EQ(s.pitch_b, 2.0f);
    EXPECT_EQ(s.roll_b, -30.0f);
    EXPECT_EQ(s.yaw_b, 4.0f);
    EXPECT_EQ(s.X, 0.0f);
    EXPECT_EQ(s.Y, 0.0f);
    EXPECT_EQ(s.t, 0.0f);

    Params own = pattern_defaults(Mode::crosswind);
    own.Z_start = 4.5f;
    math_start(s, own, Mode::crosswind, {});
    EXPECT_EQ(s.Z, 4.5f);
}

TEST(PatternDefaults, ProfileDemoFliesTheDownwindPath) {
    EXPECT_EQ(pattern_defaults(Mode::profile), pattern_defaults(Mode::downwind));
    EXPECT_EQ(pattern_defaults(Mode::downwind).R_A, -15.0f);
    const ParamSet set;
    EXPECT_EQ(&set.of(Mode::profile), &set.of(Mode::downwind));
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
