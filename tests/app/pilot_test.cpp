// Controllers flying the optimal loop in the flight model: its own controls
// close the loop in calm air, and the tracker holds it in gusts.
#include "app/pilot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/loop_flight.h"
#include "app/loop_params.h"
#include "app_fixture.h"
#include "optim/loop_solver.h"
#include "sim/controller.h"
#include "sim/energy.h"
#include "sim/flight.h"
#include "view/projection.h"

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

// The loop shown as a ghost: a closed line in the picture of a flight flown
// by you (never of a designed pattern), and the bird's distance to it.
TEST_F(PilotLoop, TheGhostOfTheLoopIsDrawnForYourFlightAndGivesTheDistanceToIt) {
    ASSERT_TRUE(loop_->solution.converged) << loop_->solution.status;
    const GhostPath ghost = loop_ghost(*loop_);
    ASSERT_EQ(ghost.x.size(), 400u);
    // Any moment of the loop lies on its ghost, between the points too; a
    // point above its top is as far as it is above.
    const double T = loop_->solution.period;
    double top = 0;
    size_t i_top = 0;
    for (size_t i = 0; i < ghost.z.size(); ++i)
        if (ghost.z[i] > top) top = ghost.z[i], i_top = i;
    for (double f : {0.0, 0.1234, 0.5, 0.9999}) {
        const FlightState s = loop_state_at(*loop_, f * T);
        EXPECT_LT(distance_to_ghost(ghost, s.X, s.Y, s.Z), 0.02) << f;
    }
    EXPECT_NEAR(distance_to_ghost(ghost, ghost.x[i_top], ghost.y[i_top], top + 7.0), 7.0, 0.01);
    EXPECT_TRUE(std::isinf(distance_to_ghost(GhostPath{}, 0, 0, 0)));

    const auto ghost_lines = [](const RecordingSurface& pic) {
        int n = 0;
        for (const Primitive& p : pic.primitives())
            n += p.op == Primitive::Op::line && p.colour == ghost_colour();
        return n;
    };
    test::Run r;
    r.session.show_ghost(std::make_shared<const LoopFlight>(*loop_));
    // A designed pattern's flight draws no ghost.
    r.start(Mode::upwind, 0.0);
    for (int k = 1; k <= 5; ++k) r.tick(float(double(k - 1) * 0.01));
    EXPECT_EQ(ghost_lines(r.pic), 0);
    EXPECT_FALSE(r.session.ghost_distance());
    // Flown by you: the ghost is in the picture, and the distance follows the bird.
    r.clock.set(1.0f);
    r.session.fly_yourself();
    for (int k = 1; k <= 30; ++k) r.tick(float(1.0 + double(k - 1) * 0.01));
    ASSERT_TRUE(r.session.flying()) << r.session.fault();
    EXPECT_GT(ghost_lines(r.pic), 20);
    const FlightState& s = r.session.flight_state();
    ASSERT_TRUE(r.session.ghost_distance());
    EXPECT_NEAR(*r.session.ghost_distance(), distance_to_ghost(ghost, s.X, s.Y, s.Z), 1e-9);
    // Taken away, it is drawn no more.
    r.session.show_ghost(nullptr);
    r.tick(1.5f);
    EXPECT_EQ(ghost_lines(r.pic), 0);
    EXPECT_FALSE(r.session.ghost_distance());
}

// Shown while you fly, the ghost is in frame with the bird: the view stands
// back smoothly, the user's zoom still moves it, and without the ghost the
// camera is the plain follow view's.
TEST_F(PilotLoop, TheGhostIsInFrameWithTheBirdWhileYouFly) {
    ASSERT_TRUE(loop_->solution.converged) << loop_->solution.status;
    const GhostPath ghost = loop_ghost(*loop_);
    test::Run r, plain(false);
    r.session.show_ghost(std::make_shared<const LoopFlight>(*loop_));
    r.session.fly_yourself();
    plain.session.fly_yourself();
    // The points of the ghost and the bird outside the picture seen with `c`.
    const auto outside = [&ghost](const Camera& c, const FlightState& bird) {
        const Projector proj(c);
        Projected p;
        int n = 0;
        const auto count = [&](float x, float y, float z) {
            proj.project(x, y, z, p);
            n += p.vis <= 0.5f || std::fabs(p.px) > c.half_width || std::fabs(p.py) > c.half_height;
        };
        for (size_t i = 0; i < ghost.x.size(); ++i) count(ghost.x[i], ghost.y[i], ghost.z[i]);
        count(bird.X, bird.Y, bird.Z);
        return n;
    };
    float prev_distance = 0;
    int k = 0;
    for (; k < 300; ++k) {  // three seconds, untouched
        const float t = float(double(k) * 0.01);
        ASSERT_TRUE(r.tick(t)) << r.session.fault();
        ASSERT_TRUE(plain.tick_unseen(t));
        const Camera& c = r.session.camera();
        ASSERT_EQ(outside(c, r.session.flight_state()), 0) << "t = " << t;
        // The plain follow view leaves most of the ghost out of the picture.
        if (k == 0) {
            EXPECT_GT(outside(plain.session.camera(), plain.session.flight_state()), 200);
        } else {
            EXPECT_NEAR(c.distance, prev_distance, 0.03 * prev_distance) << "t = " << t;
        }
        prev_distance = c.distance;
    }
    EXPECT_GT(prev_distance, 2.0f * plain.session.camera().distance);
    // Zooming in brings the framed view nearer, as it brings the plain one.
    r.session.zoom(-1.0);
    plain.session.zoom(-1.0);
    r.tick(float(double(k) * 0.01));
    plain.tick_unseen(float(double(k++) * 0.01));
    EXPECT_LT(r.session.camera().distance, 0.97f * prev_distance);
    // The ghost taken away: the camera is the plain view's to the bit.
    r.session.show_ghost(nullptr);
    r.tick(float(double(k) * 0.01));
    plain.tick_unseen(float(double(k) * 0.01));
    const Camera &a = r.session.camera(), &b = plain.session.camera();
    EXPECT_EQ(a.x_eye, b.x_eye);
    EXPECT_EQ(a.y_eye, b.y_eye);
    EXPECT_EQ(a.z_eye, b.z_eye);
    EXPECT_EQ(a.x_aim, b.x_aim);
    EXPECT_EQ(a.dx_follow, b.dx_follow);
    EXPECT_EQ(a.dz_follow, b.dz_follow);
    EXPECT_EQ(a.distance, b.distance);
}

}  // namespace
}  // namespace soar
