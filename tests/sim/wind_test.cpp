#include "sim/wind.h"

#include <gtest/gtest.h>

#include <cmath>


namespace soar {
namespace {

const Params p = pattern_defaults(Mode::upwind);

TEST(WindProfile, ClampsBelowLowestHeight) {
    // At the sea and below it the profile is frozen at zeta_min = 0.001.
    const double e = std::exp(-7.0 * double(0.001f));
    for (float z : {0.0f, -3.0f, 0.02f * 0.5f}) {
        FlightState s;
        s.Z = z;
        s.V = 25.0f;
        update_wind_at_bird(s, p);
        EXPECT_EQ(s.U, float(7.0 * (1.0 - e))) << "Z = " << z;
        EXPECT_EQ(s.Up, float(7.0 * 7.0 * e / 20.0)) << "Z = " << z;
    }
}

TEST(WindProfile, FrozenAboveReferenceHeightWithSmallGradient) {
    FlightState s;
    s.V = 10.0f;
    s.Z = 20.0f;
    update_wind_at_bird(s, p);
    const float U20 = s.U, Up20 = s.Up;
    s.Z = 500.0f;
    update_wind_at_bird(s, p);
    EXPECT_EQ(s.U, U20);
    EXPECT_EQ(s.Up, Up20);
    EXPECT_GT(s.Up, 0.0f);  // small but not zero at zeta_max = 0.999
    EXPECT_EQ(s.Up, float(7.0 * 7.0 * std::exp(-7.0 * double(0.999f)) / 20.0));
}

TEST(WindProfile, GradientParameterUsesStoredGradient) {
    FlightState s;
    s.Z = 3.3f;
    s.V = 17.5f;
    update_wind_at_bird(s, p);
    EXPECT_EQ(s.Up_V_g, float(double(s.Up) * 17.5 / double(9.8f)));
    // Wind grows with height and its gradient shrinks.
    FlightState hi = s;
    hi.Z = 10.0f;
    update_wind_at_bird(hi, p);
    EXPECT_GT(hi.U, s.U);
    EXPECT_LT(hi.Up, s.Up);
}

TEST(WindProfile, CircleZoomHasNoWind) {
    FlightState calm;
    for (float z : {0.0f, 1.8f, 12.0f, 40.0f}) {
        calm.Z = z;
        calm.V = 25.0f;
        update_wind_at_bird(calm, pattern_defaults(Mode::circlezoom));
        EXPECT_EQ(calm.U, 0.0f);
        EXPECT_EQ(calm.Up, 0.0f);
        EXPECT_EQ(calm.Up_V_g, 0.0f);
        EXPECT_EQ(wind_at_height(pattern_defaults(Mode::circlezoom), z).U, 0.0f);
    }
}

}  // namespace
}  // namespace soar
