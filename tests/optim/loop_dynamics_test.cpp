#include "optim/loop_dynamics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/aero.h"
#include "sim/wind.h"
#include "tests/sim/test_state.h"

namespace soar::optim {
namespace {

// The optimiser's equations against the flight model's own load factors: for
// a state and controls, the optimiser's flight-path-angle rate, fed to the
// flight model as a commanded pull-up, must need the same load factor, and the
// flight model's tangential load factor must give the optimiser's dV/dt.
TEST(LoopDynamics, AgreeWithTheFlightModelsLoadFactors) {
    const LoopProblem p = albatross(WindProfile::exponential);
    const double w = 7.0;  // the flight model's U_ref
    struct Case {
        double Z, V, gamma_deg, psi_deg, CL, bank_deg;
    };
    for (const Case c :
         {Case{3.0, 25.0, 20.0, -30.0, 0.6, 40.0}, Case{8.0, 18.0, -35.0, 150.0, 0.9, -55.0},
          Case{0.5, 30.0, 5.0, 80.0, 0.3, 10.0}}) {
        const double d2r = 3.14159265358979323846 / 180.0;
        double x[kStates] = {0, 0, c.Z, c.V, c.gamma_deg * d2r, c.psi_deg * d2r};
        double u[kControls] = {c.CL, c.bank_deg * d2r};
        double f[kStates];
        loop_rates(p, x, u, w, f);

        const Params fp = pattern_defaults(Mode::upwind);
        FlightState s = test::level_air();
        s.Z = float(c.Z);
        s.V = float(c.V);
        update_wind_at_bird(s, fp);
        s.gam_deg = float(c.gamma_deg);
        s.psi_deg = float(c.psi_deg);
        s.mu_deg = float(c.bank_deg);
        s.gam_dot = float(f[kGamma] / 0.017453277777777776);
        test::load_factors(s, fp);
        const double n = load_factor(p, c.V, c.CL);
        EXPECT_NEAR(s.Nz, n, 2e-3 * std::abs(n)) << c.Z;
        EXPECT_NEAR(s.CL, c.CL, 2e-3 * c.CL);
        EXPECT_NEAR(p.g * s.Nx, f[kV], 2e-3 * p.g);

        double U = 0, Up = 0;
        wind_at(p, c.Z, w, U, Up);
        EXPECT_NEAR(s.U, U, 1e-5);
        EXPECT_NEAR(s.Up, Up, 1e-5);
    }
}

// The flight model's start: level, heading -90 deg, no wind. The ground
// track runs along -Y and a positive bank turns the heading up.
TEST(LoopDynamics, PositiveBankTurnsTheHeadingUp) {
    LoopProblem p = albatross(WindProfile::linear);
    double x[kStates] = {0, 0, 5.0, 25.0, 0.0, -3.14159265358979323846 / 2};
    double u[kControls] = {0.5, 0.4};
    double f[kStates];
    loop_rates(p, x, u, 0.0, f);
    EXPECT_NEAR(f[kY], -25.0, 1e-9);
    EXPECT_NEAR(f[kX], 0.0, 1e-9);
    EXPECT_GT(f[kPsi], 0.0);
    // A level turn's radius: V^2 / (g n sin(bank)) with the horizontal lift.
    const double n = load_factor(p, 25.0, 0.5);
    EXPECT_NEAR(25.0 / f[kPsi], 25.0 * 25.0 / (p.g * n * std::sin(0.4)), 1e-9);
}

}  // namespace
}  // namespace soar::optim
