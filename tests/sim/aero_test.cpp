#include "sim/aero.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/constants.h"
#include "sim/fault.h"
#include "test_state.h"

namespace soar {
namespace {

const Params p = pattern_defaults(Mode::upwind);

TEST(LoadFactors, LevelFlightWithoutBankOrWindNeedsOneG) {
    FlightState s = test::level_air();
    s.V = 25.0f;
    test::load_factors(s, p);
    EXPECT_EQ(s.Nz, 1.0f);
    EXPECT_EQ(s.Nx, -s.D_L);
    // Lift coefficient of the wing loading 107.8 * 16 / 12.25 N/m^2 at 25 m/s.
    EXPECT_EQ(s.CL, float(1.0 * double(107.8f) * 16.0 / 12.25 / (0.5 * double(1.22f) * 625.0)));
    EXPECT_EQ(s.CD, float(double(s.CL) * double(s.CL) * double(p.K_ind) + double(p.CD0)));
}

TEST(LoadFactors, LevelTurnNeedsOneOverCosBank) {
    FlightState s = test::level_air();
    s.V = 20.0f;
    for (float mu_deg : {10.0f, 30.0f, 45.0f, 60.0f, 75.0f}) {
        s.mu_deg = mu_deg;
        test::load_factors(s, p);
        EXPECT_EQ(s.Nz, float(1.0 / std::cos(double(s.mu())))) << mu_deg;
        EXPECT_GT(s.Nz, 1.0f);
    }
}

TEST(LoadFactors, PullUpIsInDegreesPerSecond) {
    FlightState s = test::level_air();
    s.V = 9.8f;  // V/g = 1
    s.gam_dot = 1.0f;
    test::load_factors(s, p);
    EXPECT_EQ(s.Nz, float(1.0 * k::d2r + 1.0));
}

TEST(LoadFactors, WithoutDragOnlyGravityAndGradientAct) {
    FlightState s = test::level_air();
    Params p = soar::p;
    p.CD0 = 0.0f;
    p.K_ind = 0.0f;
    s.V = 25.0f;
    s.gam_deg = 11.5f;
    s.psi_deg = 17.2f;
    s.Up_V_g = 0.4f;
    test::load_factors(s, p);
    EXPECT_EQ(s.CD, 0.0f);
    EXPECT_EQ(s.D_L, 0.0f);
    const double sg = std::sin(s.gam()), cg = std::cos(s.gam()), cp = std::cos(s.psi());
    EXPECT_EQ(s.Nx, float(double(0.4f) * sg * cg * cp - 0.0 - sg));
    s.Up_V_g = 0.0f;
    test::load_factors(s, p);
    EXPECT_EQ(s.Nx, float(-sg));
}

TEST(LoadFactors, NegativeLiftStillDrags) {
    FlightState s = test::level_air();
    s.V = 25.0f;
    s.gam_dot = -2000.0f;  // a push-over hard enough for negative lift
    test::load_factors(s, p);
    ASSERT_LT(s.CL, 0.0f);
    EXPECT_LT(s.D_L, 0.0f);
    EXPECT_GT(double(s.D_L) * double(s.Nz), 0.0);
    EXPECT_LT(s.Nx, 0.0f);
}

TEST(LoadFactors, ZeroAirspeedIsAFaultNotAnInfinity) {
    FlightState s = test::level_air();
    s.V = 0.0f;
    EXPECT_THROW(test::load_factors(s, p), FlightFault);
}

}  // namespace
}  // namespace soar
