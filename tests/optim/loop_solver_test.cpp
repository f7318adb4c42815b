#include "optim/loop_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "tests/optim/shared_loops.h"

namespace soar::optim {
namespace {

double loop_size(const LoopSolution& s) {
    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (const auto& x : s.x)
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], x[size_t(i)]);
            hi[i] = std::max(hi[i], x[size_t(i)]);
        }
    return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
}

// Zhao's glider in a linear wind: the least gradient, refined from a coarse
// mesh (tests/optim/shared_loops.h, solved once per process). This
// transcription of the published problem converges to 0.063587 1/s (100 and
// 200 nodes), the value that an independent solution and an open-source
// optimal-control package's regression test give too; the published 0.0607
// is near what a looser load-factor limit, or the limit held at the nodes
// alone, gives (docs/validation.md). The band is 0.2 %.
class ZhaoBenchmark : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        problem_ = new LoopProblem(zhao_glider());
        coarse_ = &test::zhao_coarse();
        fine_ = &test::zhao_refined();
    }
    static void TearDownTestSuite() { delete problem_; }
    static LoopProblem* problem_;
    static const LoopSolution* coarse_;
    static const LoopSolution* fine_;
};
LoopProblem* ZhaoBenchmark::problem_ = nullptr;
const LoopSolution* ZhaoBenchmark::coarse_ = nullptr;
const LoopSolution* ZhaoBenchmark::fine_ = nullptr;

TEST_F(ZhaoBenchmark, LeastGradientOnTheRefinedMesh) {
    ASSERT_TRUE(coarse_->converged) << coarse_->status;
    ASSERT_TRUE(fine_->converged) << fine_->status;
    EXPECT_NEAR(fine_->wind, 0.063587, 0.002 * 0.063587);
    // Refining moves the value by little.
    EXPECT_NEAR(fine_->wind, coarse_->wind, 0.01 * fine_->wind);
    EXPECT_GT(fine_->period, problem_->T_min);
    EXPECT_LT(fine_->period, problem_->T_max);
    EXPECT_LT(fine_->max_violation, 1e-6);
    // Drag takes energy over the loop; the wind gives it back.
    EXPECT_GT(fine_->energy_per_cycle, 0.0);
}

// The load-factor limit of 5 holds the least gradient up: with the limit at
// 7 it is 0.060755, without one 0.06008 (+- 0.3 %). A solver that drops or
// weakens the limit fails the benchmark above; one that misreads it fails here.
TEST_F(ZhaoBenchmark, TheLoadFactorLimitIsPinned) {
    const LoopSolution seven = test::zhao_with_load_factors(-2.0, 7.0);
    ASSERT_TRUE(seven.converged) << seven.status;
    EXPECT_NEAR(seven.wind, 0.060755, 0.003 * 0.060755);
    const LoopSolution free = test::zhao_with_load_factors(-1e6, 1e6);
    ASSERT_TRUE(free.converged) << free.status;
    EXPECT_NEAR(free.wind, 0.06008, 0.003 * 0.06008);
    double highest = 0;
    for (size_t k = 0; k < free.x.size(); ++k)
        highest = std::max(highest, load_factor(*problem_, free.x[k][kV], free.u[k][kCL]));
    EXPECT_GT(highest, 7.0);  // the unlimited loop pulls far more than 5 g
}

TEST_F(ZhaoBenchmark, LoopRespectsItsBoundsAndTurnsOnce) {
    const LoopProblem& p = *problem_;
    const LoopSolution& s = *fine_;
    ASSERT_EQ(s.x.size(), 100u);
    ASSERT_EQ(s.u_mid.size(), 99u);
    for (size_t k = 0; k < s.x.size(); ++k) {
        const double n = load_factor(p, s.x[k][kV], s.u[k][kCL]);
        EXPECT_LE(n, p.n_max + 1e-6);
        EXPECT_GE(n, p.n_min - 1e-6);
        EXPECT_GE(s.x[k][kZ], -1e-6);
        EXPECT_LE(std::abs(s.u[k][kBank]), p.bank_max + 1e-9);
        EXPECT_LE(s.u[k][kCL], p.CL_max + 1e-9);
    }
    EXPECT_NEAR(s.x.back()[kPsi] - s.x.front()[kPsi], 2.0 * 3.14159265358979323846, 1e-6);
    EXPECT_NEAR(s.x.back()[kV], s.x.front()[kV], 1e-6);
    for (const int i : {int(kX), int(kY), int(kZ)}) {
        EXPECT_EQ(s.x.front()[size_t(i)], 0.0);
        EXPECT_EQ(s.x.back()[size_t(i)], 0.0);
    }
}

// The collocation defects integrate back: the solved controls flown through a
// fine fourth-order Runge-Kutta integration close the loop.
TEST_F(ZhaoBenchmark, SolvedControlsFlownByRungeKuttaCloseTheLoop) {
    const LoopSolution& s = *fine_;
    const LoopState end = fly_controls(*problem_, s, s.period, 20000);
    const double size = loop_size(s);
    const double miss =
        std::hypot(end[kX] - s.x.back()[kX], end[kY] - s.x.back()[kY], end[kZ] - s.x.back()[kZ]);
    EXPECT_LT(miss, 0.01 * size) << "missed by " << miss << " m of " << size << " m";
    EXPECT_NEAR(end[kV], s.x.front()[kV], 0.01 * s.x.front()[kV]);
    EXPECT_NEAR(end[kPsi], s.x.back()[kPsi], 0.01);
    // Between the nodes the interpolated loop follows the integration too.
    const double t = 0.37 * s.period;
    const LoopState flown = fly_controls(*problem_, s, t, 8000);
    const LoopState read = state_at(*problem_, s, t);
    EXPECT_LT(std::hypot(flown[kX] - read[kX], flown[kY] - read[kY], flown[kZ] - read[kZ]),
              0.01 * size);
}

// The limits the solver reports as active hold at their bounds, and the
// multiplier of the one that sets the least wind predicts how the wind moves
// when that limit moves: a load factor of 5.05 instead of 5, solved again on
// the coarse mesh, lowers the least gradient by the multiplier's rate.
TEST_F(ZhaoBenchmark, TheActiveLoadFactorLimitsMultiplierIsTheSlopeOfTheLeastWind) {
    const LoopSolution& s = *coarse_;
    ASSERT_FALSE(s.active_limits.empty());
    const ActiveLimit& top = s.active_limits.front();
    EXPECT_EQ(top.name, "n_max");
    EXPECT_LT(top.d_wind, 0.0);
    int at_limit = 0;
    for (size_t k = 0; k < s.x.size(); ++k)
        if (load_factor(*problem_, s.x[k][kV], s.u[k][kCL]) > problem_->n_max - 1e-4) ++at_limit;
    EXPECT_GE(at_limit, 1);
    EXPECT_LE(at_limit, top.points);

    LoopProblem looser = *problem_;
    looser.n_max = 5.05;
    SolveOptions o;
    o.nodes = int(s.x.size());
    o.start = &s;
    const LoopSolution moved = solve_loop(looser, o);
    ASSERT_TRUE(moved.converged) << moved.status;
    const double slope = (moved.wind - s.wind) / 0.05;
    EXPECT_LT(slope, 0.0);
    EXPECT_NEAR(top.d_wind, slope, 0.25 * std::fabs(slope));
}

// The flown loop that --flown-csv writes: the controls flown from the first
// node pass every node and midpoint of the refined loop within a hundredth of
// its size, and end where fly_controls ends; the closure the solve reports is
// that end's miss.
TEST_F(ZhaoBenchmark, TheFlownPathPassesTheNodesAndItsClosureIsReported) {
    const LoopSolution& s = *fine_;
    const std::vector<LoopState> flown = fly_controls_path(*problem_, s, 16);
    ASSERT_EQ(flown.size(), 2 * s.x.size() - 1);
    const double size = loop_size(s);
    const double h = s.period / double(s.x.size() - 1);
    double worst = 0;
    for (size_t i = 0; i < flown.size(); ++i) {
        const LoopState x = i % 2 == 0 ? s.x[i / 2] : state_at(*problem_, s, s.t[i / 2] + 0.5 * h);
        worst = std::max(
            worst, std::hypot(flown[i][kX] - x[kX], flown[i][kY] - x[kY], flown[i][kZ] - x[kZ]));
    }
    EXPECT_LT(worst, 0.01 * size);
    const LoopState end = fly_controls(*problem_, s, s.period, int(32 * (s.x.size() - 1)));
    for (size_t j = 0; j < end.size(); ++j) EXPECT_NEAR(flown.back()[j], end[j], 1e-9 * size);
    EXPECT_GT(s.closure_place, 0.0);
    EXPECT_LT(s.closure_place, 0.01);
    EXPECT_LT(s.closure_speed, 0.01);
}

TEST_F(ZhaoBenchmark, AStrongerWindKeepsTheLoopFeasible) {
    LoopProblem p = *problem_;
    p.wind_min = p.wind_max = 1.5 * fine_->wind;
    SolveOptions o;
    o.nodes = 40;
    o.start = fine_;
    const LoopSolution s = solve_loop(p, o);
    ASSERT_TRUE(s.converged) << s.status;
    EXPECT_DOUBLE_EQ(s.wind, 1.5 * fine_->wind);
    EXPECT_LT(s.max_violation, 1e-6);
    const LoopState end = fly_controls(p, s, s.period, 20000);
    EXPECT_LT(std::hypot(end[kX], end[kY], end[kZ]), 0.01 * loop_size(s));
}

TEST_F(ZhaoBenchmark, TooWeakAWindIsReportedNotConverged) {
    LoopProblem p = *problem_;
    p.wind_max = 0.5 * fine_->wind;
    SolveOptions o;
    o.nodes = 20;
    o.max_iterations = 300;
    const LoopSolution s = solve_loop(p, o);
    EXPECT_FALSE(s.converged);
    EXPECT_FALSE(s.status.empty());
    EXPECT_GT(s.max_violation, 1e-3);
}

TEST(LoopSolver, ProgressArrivesEachIterationAndCancelStops) {
    const LoopProblem p = zhao_glider();
    SolveOptions o;
    o.nodes = 20;
    std::atomic<bool> cancel{false};
    int calls = 0, last = -1;
    bool ordered = true;
    const LoopSolution s = solve_loop(
        p, o,
        [&](const SolveProgress& q) {
            ordered = ordered && q.iteration > last;
            last = q.iteration;
            if (++calls == 5) cancel = true;
            return true;
        },
        &cancel);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(calls, 5);
    EXPECT_FALSE(s.converged);
    EXPECT_EQ(s.status, "stopped on request");

    // A progress function that declines stops the solve the same way.
    const LoopSolution t = solve_loop(p, o, [](const SolveProgress&) { return false; });
    EXPECT_FALSE(t.converged);
    EXPECT_LE(t.iterations, 1);
}

// The program's albatross: both profiles give a loop whose lower wing tip
// stays above the sea, and the logarithmic wind at 10 m comes near the 8.6 m/s
// that Sachs (2005) found for a wandering albatross.
TEST(LoopSolver, AlbatrossLoopsKeepTheWingTipAboveTheSea) {
    for (const WindProfile profile : {WindProfile::exponential, WindProfile::logarithmic}) {
        const LoopProblem p = albatross(profile);
        SolveOptions o;
        o.nodes = 30;
        const LoopSolution s = solve_loop(p, o);
        ASSERT_TRUE(s.converged) << profile_name(profile) << ": " << s.status;
        for (size_t k = 0; k < s.x.size(); ++k)
            EXPECT_GE(s.x[k][kZ] - p.half_span * std::abs(std::sin(s.u[k][kBank])),
                      p.tip_min - 1e-4);
        EXPECT_NEAR(s.x.back()[kZ], s.x.front()[kZ], 1e-6);
        if (profile == WindProfile::logarithmic) {
            EXPECT_GT(s.wind, 6.0);
            EXPECT_LT(s.wind, 11.0);
        }
    }
}

// Twenty nodes over the albatross's loop satisfy the collocation equations
// with a 40-s "loop" at a third of the least wind that no bird could fly:
// flown by a fine integration its controls end far from where it began. Such
// a loop is refused, not reported as the least wind.
TEST(LoopSolver, ALoopTheCoarseMeshInventsIsRefused) {
    const LoopProblem p = albatross(WindProfile::exponential);
    SolveOptions o;
    o.nodes = 20;
    const LoopSolution s = solve_loop(p, o);
    EXPECT_FALSE(s.converged);
    EXPECT_NE(s.status.find("too coarse"), std::string::npos) << s.status;
}

}  // namespace
}  // namespace soar::optim

namespace soar::optim {
namespace {

// Sachs's albatross (best glide ratio 20, wing loading 128 N/m^2): from the
// circle alone the solver stops in a poorer local least wind or in a "loop"
// the coarse mesh invents; continuation in glide ratio from 30 finds the
// least wind of its travelling loop, 9.44 m/s at 10 m (50 nodes). The loop
// repeats in the air, keeps the wing tip above the sea and drifts downwind.
TEST(SachsAlbatross, TheTravellingLoopConvergesAtItsOwnGlideRatio) {
    const LoopProblem p = sachs_albatross();
    const LoopSolution& s = test::sachs_loop();
    ASSERT_TRUE(s.converged) << s.status;
    EXPECT_NEAR(glide_ratio(p), 20.0, 0.05);
    EXPECT_NEAR(s.wind, 9.443, 0.005 * 9.443);
    EXPECT_LT(s.max_violation, 1e-6);
    for (size_t k = 0; k < s.x.size(); ++k)
        EXPECT_GE(s.x[k][kZ] - p.half_span * std::abs(std::sin(s.u[k][kBank])), p.tip_min - 1e-4);
    const LoopState &a = s.x.front(), &b = s.x.back();
    EXPECT_NEAR(b[kV], a[kV], 1e-6);
    EXPECT_NEAR(b[kZ], a[kZ], 1e-6);
    EXPECT_NEAR(b[kPsi] - a[kPsi], 2.0 * 3.14159265358979323846, 1e-6);
    EXPECT_GT(b[kX], 30.0);  // carried downwind by more than 30 m a loop
    const LoopState flown = fly_controls(p, s, s.period, 20000);
    EXPECT_LT(std::hypot(flown[kX] - b[kX], flown[kY] - b[kY], flown[kZ] - b[kZ]),
              0.01 * loop_size(s));
}

// Down to a glide ratio of 15 in one continuation from that loop: each lower
// glide ratio needs more wind (15: 13.05 m/s).
TEST(SachsAlbatross, ContinuationReachesGlideRatioFifteen) {
    const LoopSolution& twenty = test::sachs_loop();
    ASSERT_TRUE(twenty.converged) << twenty.status;
    LoopProblem p = sachs_albatross();
    const double from = glide_ratio(p);
    p.CD0 = zero_lift_drag_for(p, 15.0);
    SolveOptions o;
    o.nodes = 50;
    const LoopSolution s = continue_in_glide_ratio(p, twenty, from, o);
    ASSERT_TRUE(s.converged) << s.status;
    EXPECT_NEAR(glide_ratio(p), 15.0, 1e-9);
    EXPECT_NEAR(s.wind, 13.05, 0.01 * 13.05);
    EXPECT_NE(s.route.find("continued from glide ratio 20.0 down to 15.00"), std::string::npos)
        << s.route;
    EXPECT_LT(s.max_violation, 1e-6);
}

// Continuation that cannot reach the glide ratio says how far it came and is
// not reported as a loop: here the wind is capped below what the loop needs.
TEST(SachsAlbatross, AStalledContinuationSaysWhereItStopped) {
    const LoopSolution& twenty = test::sachs_loop();
    ASSERT_TRUE(twenty.converged) << twenty.status;
    LoopProblem p = sachs_albatross();
    const double from = glide_ratio(p);
    p.CD0 = zero_lift_drag_for(p, 19.0);
    p.wind_max = 9.6;  // 19 needs 9.96 m/s
    SolveOptions o;
    o.nodes = 30;
    const LoopSolution s = continue_in_glide_ratio(p, twenty, from, o);
    EXPECT_FALSE(s.converged);
    EXPECT_EQ(s.status.rfind("no loop at glide ratio 19.00: lowering it from 20.0", 0), 0u)
        << s.status;
}

}  // namespace
}  // namespace soar::optim
