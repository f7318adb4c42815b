// The logistic shear layer the optimiser can solve in: its gradient is the
// slope of its wind and integrates to the wind gained across it, and a loop
// needs more wind above a thicker layer (the same step spread over more
// height). A travelling loop held to a drift heading keeps it.
#include <gtest/gtest.h>

#include <cmath>

#include "optim/loop_solver.h"

namespace soar::optim {
namespace {

LoopProblem layer(double delta, double height) {
    LoopProblem p = albatross(WindProfile::exponential);
    p.shear_delta = delta;
    p.shear_height = height;
    return p;
}

TEST(ShearLayer, ItsGradientIsTheSlopeOfItsWindAndAddsUpToTheWindAcross) {
    for (const double delta : {0.3, 2.0, 9.0}) {
        SCOPED_TRACE(delta);
        const LoopProblem p = layer(delta, 6.0);
        const double w = 8.0;
        double U_lo = 0, U_hi = 0, Up = 0, sum = 0;
        wind_at(p, -200.0, w, U_lo, Up);
        wind_at(p, 300.0, w, U_hi, Up);
        EXPECT_NEAR(U_lo, 0.0, 1e-9);  // calm below,
        EXPECT_NEAR(U_hi, w, 1e-9);    // the whole wind above
        // Simpson's rule over the gradient from -200 m to 300 m.
        const int n = 20000;
        const double h = 500.0 / n;
        double peak = 0, peak_at = 0;
        for (int i = 0; i <= n; ++i) {
            const double Z = -200.0 + i * h;
            double U = 0, G = 0;
            wind_at(p, Z, w, U, G);
            sum += (i == 0 || i == n ? 1.0 : i % 2 ? 4.0 : 2.0) * G;
            if (G > peak) peak = G, peak_at = Z;
            // The gradient is the slope of the wind (central difference).
            double Ua = 0, Ub = 0, unused = 0;
            wind_at(p, Z - 1e-4, w, Ua, unused);
            wind_at(p, Z + 1e-4, w, Ub, unused);
            EXPECT_NEAR(G, (Ub - Ua) / 2e-4, 1e-6 * w / delta + 1e-9) << Z;
        }
        EXPECT_NEAR(sum * h / 3.0, U_hi - U_lo, 1e-6 * w);
        EXPECT_NEAR(peak_at, p.shear_height, h);
    }
}

// A thicker layer spreads the same wind over more height, and the loop, which
// gains from the gradient, needs more of it (two solves of 50 nodes).
TEST(LoopSolver, AThickerShearLayerNeedsMoreWind) {
    SolveOptions o;
    o.nodes = 50;
    const LoopSolution thin = solve_loop(layer(1.0, 5.0), o);
    const LoopSolution thick = solve_loop(layer(4.0, 5.0), o);
    ASSERT_TRUE(thin.converged) << thin.status;
    ASSERT_TRUE(thick.converged) << thick.status;
    EXPECT_GT(thick.wind, 1.2 * thin.wind);
    // Each loop dips into its layer: its lowest point lies below the centre.
    for (const LoopSolution* s : {&thin, &thick}) {
        double lowest = 1e9;
        for (const LoopState& x : s->x) lowest = std::min(lowest, x[kZ]);
        EXPECT_LT(lowest, 5.0);
    }
}

// A travelling loop held to a heading over the ground and a mean ground speed
// ends along that heading at that speed or more (here straight across the wind).
TEST(LoopSolver, ALoopHeldToADriftHeadingEndsAlongIt) {
    LoopProblem p = albatross(WindProfile::exponential);
    p.travel = true;
    p.drift_heading_fixed = true;
    p.drift_heading = 0.5 * k::exact_pi;
    p.drift_speed = 5.0;
    SolveOptions o;
    o.nodes = 50;
    const LoopSolution s = solve_loop(p, o);
    ASSERT_TRUE(s.converged) << s.status;
    const LoopState& end = s.x.back();
    const double drift = std::hypot(end[kX], end[kY]);
    EXPECT_NEAR(std::atan2(end[kY], -end[kX]), p.drift_heading, 1e-6);
    EXPECT_GE(drift / s.period, p.drift_speed - 1e-6);
}

}  // namespace
}  // namespace soar::optim
