// The logistic shear layer the optimiser solves in and the flight model
// flies: its gradient is the slope of its wind and integrates to the wind
// gained across it, a bird flown through it meets the loop's wind and gains
// from it what the wind it crosses gives, and a loop needs more wind above a
// thicker layer (the same step spread over more height). A travelling loop
// held to a drift heading keeps it.
#include <gtest/gtest.h>

#include <cmath>

#include "app/loop_params.h"
#include "optim/loop_solver.h"
#include "sim/energy.h"
#include "sim/flight.h"

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

// The upwind pattern flown through a layer 2 m thick at 6 m. At every tick the
// bird's wind and gradient are the loop's wind at its height (the one formula,
// rounded to the stored floats), the wind never stands still in it, and the
// energy the gradient supplies, V Up_V_g sin gam cos gam cos psi over time, is
// the wind crossed, (V cos gam cos psi / g) dU over the climbs and dives
// through the layer, summed step by step from the loop's wind alone.
TEST(ShearLayer, AFlightThroughItMeetsTheLoopsWindAndGainsWhatItCrosses) {
    Params f = pattern_defaults(Mode::upwind);
    f.shear_delta = 2.0f;
    f.shear_height = 6.0f;
    const LoopProblem loop = loop_problem_for(f, wind_shape(f), LoopBounds::albatross);
    Flight flight(f, Mode::upwind, {-0.0f, 2.0f, -0.0f});
    const FlightState& s = flight.state();
    const double dt = 0.01, g = double(f.g);
    const auto crossing_weight = [g](const FlightState& x) {
        return double(x.V) * std::cos(x.gam()) * std::cos(x.psi()) / g;
    };
    const auto loop_wind = [&](double Z) {
        double U = 0, Up = 0;
        wind_at(loop, Z, double(f.U_ref), U, Up);
        return std::pair{U, Up};
    };
    FlightState before = s;
    Energy e_before = energy_of(s, f);
    const double E_first = e_before.E;
    double supplied = 0, crossed = 0, drag = 0;
    int in_layer = 0;
    for (int k = 1; k <= 3000; ++k) {
        flight.step(dt);
        const auto [U, Up] = loop_wind(double(s.Z));
        ASSERT_NEAR(s.U, U, 1e-6 * double(f.U_ref)) << "Z " << s.Z;
        ASSERT_NEAR(s.Up, Up, 1e-6 * double(f.U_ref)) << "Z " << s.Z;
        const Energy e = energy_of(s, f);
        ASSERT_EQ(e.dE_held, 0.0f);
        supplied += 0.5 * (double(e_before.dE_wind) + e.dE_wind) * dt;
        drag += 0.5 * (double(e_before.dE_drag) + e.dE_drag) * dt;
        crossed += 0.5 * (crossing_weight(before) + crossing_weight(s)) *
                   (U - loop_wind(double(before.Z)).first);
        if (std::fabs(s.Z - f.shear_height) < f.shear_delta) ++in_layer;
        before = s;
        e_before = e;
    }
    EXPECT_GT(in_layer, 300);  // the bird does fly through the layer
    EXPECT_GT(supplied, 1.0);  // and gains from it, metres of energy height
    EXPECT_NEAR(supplied, crossed, 1e-3 * supplied);
    // What the wind gives and drag takes is what the bird's energy did.
    EXPECT_NEAR(supplied + drag, double(e_before.E) - E_first, 0.05);
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
