#include "sim/wind.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/flight.h"

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

namespace soar {
namespace {

Params shaped(WindShape shape, Mode mode = Mode::upwind) {
    Params p = pattern_defaults(mode);
    p.profile = float(int(shape));
    return p;
}

// Each shape gives the reference wind at the reference height, and its
// gradient is the slope of its wind inside the clamp and nothing outside it,
// where the wind stands still.
TEST(WindProfile, EveryShapeHasTheSlopeOfItsWindAndStandsStillOutsideTheClamp) {
    for (WindShape shape : {WindShape::logarithmic, WindShape::power, WindShape::linear}) {
        SCOPED_TRACE(int(shape));
        const Params p = shaped(shape);
        // The reference wind at the reference height (the clamp ends 0.1 % short of it).
        EXPECT_NEAR(wind_at_height(p, p.Z_ref).U, p.U_ref, 2e-3 * p.U_ref);
        EXPECT_NEAR(wind_shape_at(p, 7.0), wind_at_height(p, 7.0f).U / double(p.U_ref), 1e-6);
        for (float Z : {0.5f, 2.0f, 6.5f, 15.0f}) {
            const double h = 1e-3;
            const double slope =
                (double(wind_at_height(p, float(Z + h)).U) - wind_at_height(p, float(Z - h)).U) /
                (2 * h);
            EXPECT_NEAR(wind_at_height(p, Z).Up, slope, 2e-3 * std::fabs(slope) + 1e-3) << Z;
            EXPECT_GT(wind_at_height(p, Z).U, 0.0f) << Z;
        }
        // Above the clamp (zeta_max Z_ref) and at the sea.
        for (float Z : {25.0f, 400.0f}) {
            EXPECT_EQ(wind_at_height(p, Z).U, wind_at_height(p, 30.0f).U);
            EXPECT_EQ(wind_at_height(p, Z).Up, 0.0f);
        }
        EXPECT_EQ(wind_at_height(p, -1.0f).Up, 0.0f);
    }
}

// The bird flies each shape with the energy split of that very wind: the wind
// and drag rates add up to the change of E, tick by tick.
TEST(WindProfile, TheEnergySplitIsThatOfTheWindFlown) {
    for (WindShape shape : {WindShape::logarithmic, WindShape::power, WindShape::linear}) {
        SCOPED_TRACE(int(shape));
        Params p = shaped(shape, Mode::downwind);
        p.U_ref = 9.0f;
        Flight f(p, Mode::downwind);
        Energy before = energy_of(f.state(), p);
        double worst = 0, wind = 0;
        for (int k = 1; k <= 2000; ++k) {
            const float t = float(0.01 * k);
            try {
                f.step(double(t) - double(f.state().t));
            } catch (const FlightFault&) {
                break;
            }
            const Energy now = energy_of(f.state(), p);
            const double rate =
                0.5 * (double(before.dE_wind) + before.dE_drag + now.dE_wind + now.dE_drag);
            worst = std::max(worst, std::fabs((double(now.E) - before.E) / f.state().dt - rate));
            wind += double(now.dE_wind) * f.state().dt;
            before = now;
        }
        EXPECT_LT(worst, 0.005);
        EXPECT_GT(wind, 0.5);  // the gradient did supply energy
    }
}

}  // namespace
}  // namespace soar
