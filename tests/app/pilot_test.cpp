// Controllers flying the optimal loop in the flight model: its own controls
// close the loop in calm air, and the tracker holds it in gusts.
#include <gtest/gtest.h>

#include <cmath>

#include "app/loop_flight.h"
#include "app/loop_params.h"
#include "optim/loop_solver.h"
#include "sim/controller.h"
#include "sim/energy.h"
#include "sim/flight.h"

namespace soar {
namespace {

using namespace soar::optim;

class PilotLoop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const LoopProblem problem = loop_problem_for(Params{}, WindProfile::exponential, false);
        SolveOptions o;
        o.nodes = 30;
        loop_ = new LoopFlight(make_loop_flight(Params{}, problem, solve_loop(problem, o)));
    }
    static void TearDownTestSuite() { delete loop_; }
    static FlightPath path() {
        return [](double t) { return loop_state_at(*loop_, t); };
    }
    static LoopFlight* loop_;
};
LoopFlight* PilotLoop::loop_ = nullptr;

// The loop's own bank and lift coefficient at the end of each step.
class OwnControls : public Controller {
  public:
    explicit OwnControls(FlightPath p) : path_(std::move(p)) {}
    Command command(const FlightState& s, const WindAtBird&) override {
        const FlightState r = path_(double(s.t) + 0.01);
        return {r.mu_deg, r.CL};
    }

  private:
    FlightPath path_;
};

TEST_F(PilotLoop, TheLoopsOwnControlsCloseTheLoopInCalmAir) {
    ASSERT_TRUE(loop_->solution.converged) << loop_->solution.status;
    const double T = loop_->solution.period;
    const FlightState s0 = loop_state_at(*loop_, 0.0);
    Flight f = Flight::commanded(loop_->params, kLoopView, s0);
    OwnControls own(path());
    const int steps = int(std::lround(T / 0.01));
    double gap = 0;
    for (int k = 0; k < steps; ++k) {
        fly_step(f, own, double(k + 1) * 0.01 - double(f.state().t));
        const FlightState r = loop_state_at(*loop_, f.state().t);
        gap = std::max(gap, std::hypot(double(r.X - f.state().X), double(r.Y - f.state().Y),
                                       double(r.Z - f.state().Z)));
    }
    const FlightState& s = f.state();
    EXPECT_NEAR(s.t, T, 0.01);
    // Back where it started, as fast, the heading one turn on.
    EXPECT_LT(std::hypot(double(s.X - s0.X), double(s.Y - s0.Y), double(s.Z - s0.Z)), 1.5);
    EXPECT_NEAR(s.V, s0.V, 0.3);
    EXPECT_NEAR(s.gam_deg, s0.gam_deg, 1.5);
    EXPECT_NEAR(s.psi_deg - s0.psi_deg, 360.0 * loop_->problem.turn, 2.0);
    EXPECT_NEAR(specific_energy(s, loop_->params), specific_energy(s0, loop_->params), 0.3);
    EXPECT_LT(gap, 2.0);
}

TEST_F(PilotLoop, TheTrackerSoarsOnInLightGustsWithItsLoop) {
    // A loop that leaves the wing some lift and the tip a metre over the sea,
    // flown in a fifth more wind than it needs.
    LoopProblem problem = loop_problem_for(Params{}, WindProfile::exponential, false);
    problem.CL_max = 1.2;
    problem.tip_min = 1.0;
    SolveOptions o;
    o.nodes = 30;
    const LoopFlight lf = make_loop_flight(Params{}, problem, solve_loop(problem, o));
    ASSERT_TRUE(lf.solution.converged) << lf.solution.status;
    const FlightPath path = [&lf](double t) { return loop_state_at(lf, t); };
    Params windy = lf.params;
    windy.U_ref = float(1.2 * double(windy.U_ref));
    for (const float sigma : {0.0f, 0.3f}) {
        SCOPED_TRACE(sigma);
        Flight f = Flight::commanded(windy, kLoopView, path(0.0));
        f.set_gusts(Turbulence(sigma, 11));
        LoopTracker tracker(path, lf.solution.period, windy);
        double worst = 0, E_first = 0, E_second = 0;
        for (int k = 1; k <= 12000; ++k) {  // two minutes
            ASSERT_NO_THROW(fly_step(f, tracker, 0.01)) << "t = " << f.state().t;
            worst = std::max(worst, std::fabs(tracker.height_missed()));
            (k <= 6000 ? E_first : E_second) += double(specific_energy(f.state(), windy));
        }
        EXPECT_LT(worst, 6.0);
        // Still soaring: the second minute's mean energy no less than the first's.
        EXPECT_GT(E_second, 0.95 * E_first);
    }
}

}  // namespace
}  // namespace soar
