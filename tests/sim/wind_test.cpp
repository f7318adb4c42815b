#include "sim/wind.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_state.h"

namespace soar {
namespace {

State with_wind(Mode mode = Mode::upwind) {
    State s = test::startup_air();
    wind_profile_setup(s, pattern_defaults(mode));
    return s;
}

const Params p = pattern_defaults(Mode::upwind);

TEST(WindProfile, ClampsBelowLowestHeight) {
    // At the sea and below it the profile is frozen at zeta_min = 0.001.
    const double e = std::exp(-7.0 * double(0.001f));
    for (float z : {0.0f, -3.0f, 0.02f * 0.5f}) {
        State s = with_wind();
        s.Z = z;
        s.V = 25.0f;
        U_V_Z_Up(s, p);
        EXPECT_EQ(s.U, float(7.0 * (1.0 - e))) << "Z = " << z;
        EXPECT_EQ(s.Up, float(7.0 * 7.0 * e / 20.0)) << "Z = " << z;
    }
}

TEST(WindProfile, FrozenAboveReferenceHeightWithSmallGradient) {
    State s = with_wind();
    s.V = 10.0f;
    s.Z = 20.0f;
    U_V_Z_Up(s, p);
    const float U20 = s.U, Up20 = s.Up;
    s.Z = 500.0f;
    U_V_Z_Up(s, p);
    EXPECT_EQ(s.U, U20);
    EXPECT_EQ(s.Up, Up20);
    EXPECT_GT(s.Up, 0.0f);  // small but not zero at zeta_max = 0.999
    EXPECT_EQ(s.Up, float(7.0 * 7.0 * std::exp(-7.0 * double(0.999f)) / 20.0));
}

TEST(WindProfile, GradientParameterUsesStoredGradient) {
    State s = with_wind();
    s.Z = 3.3f;
    s.V = 17.5f;
    U_V_Z_Up(s, p);
    EXPECT_EQ(s.Up_V_g, float(double(s.Up) * 17.5 / double(9.8f)));
    // Wind grows with height and its gradient shrinks.
    State hi = s;
    hi.Z = 10.0f;
    U_V_Z_Up(hi, p);
    EXPECT_GT(hi.U, s.U);
    EXPECT_LT(hi.Up, s.Up);
}

TEST(WindProfile, CircleZoomHasNoWindButKeepsTheFigure) {
    State calm = with_wind(Mode::circlezoom);
    State windy = with_wind(Mode::downwind);
    for (float z : {0.0f, 1.8f, 12.0f, 40.0f}) {
        calm.Z = z;
        calm.V = 25.0f;
        U_V_Z_Up(calm, pattern_defaults(Mode::circlezoom));
        EXPECT_EQ(calm.U, 0.0f);
        EXPECT_EQ(calm.Up, 0.0f);
        EXPECT_EQ(calm.Up_V_g, 0.0f);
    }
    ASSERT_EQ(calm.n_wp, 70);
    for (int i = 1; i <= 70; ++i) {
        EXPECT_EQ(calm.x_wp(i), windy.x_wp(i));
        EXPECT_EQ(calm.z_wp(i), windy.z_wp(i));
    }
}

TEST(WindFigure, TenClosedArrowsFromTheAxis) {
    State s = test::startup_air();
    s.y_wp_pos = 4.5f;
    wind_profile_setup(s, p);
    ASSERT_EQ(s.n_wp, 70);
    EXPECT_EQ(s.x_wp.lo(), 1);
    EXPECT_EQ(s.x_wp.hi(), 70);
    float previous_height = -1.0f, previous_length = -1.0f;
    for (int b = 1; b <= 10; ++b) {
        const int first = 7 * (b - 1) + 1;
        const float zz = s.z_wp(first);
        const float tip = s.x_wp(first + 3);
        EXPECT_EQ(s.x_wp(first), 0.0f);      // starts on the axis
        EXPECT_EQ(s.x_wp(first + 6), 0.0f);  // and returns to it
        EXPECT_EQ(s.z_wp(first + 3), zz);    // the tip at the shaft's height
        EXPECT_NEAR(s.x_wp(first + 1), tip - 0.75, 1e-5);
        EXPECT_NEAR(s.z_wp(first + 2), zz - 0.15, 1e-5);
        EXPECT_NEAR(s.z_wp(first + 4), zz + 0.15, 1e-5);
        EXPECT_GT(zz, previous_height);   // arrows climb
        EXPECT_GT(tip, previous_length);  // and lengthen with height
        previous_height = zz, previous_length = tip;
        for (int p = first; p < first + 7; ++p) EXPECT_EQ(s.y_wp(p), 4.5f);
    }
    EXPECT_NEAR(s.z_wp(1), 0.25 * 0.9, 1e-6);
    EXPECT_EQ(s.z_wp(64), 20.0f);
}

}  // namespace
}  // namespace soar
