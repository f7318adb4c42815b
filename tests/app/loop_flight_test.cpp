// The optimal loop flown in the window model, and the file that keeps it.
#include "app/loop_flight.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/loop_cache.h"
#include "app/loop_params.h"
#include "app_fixture.h"
#include "optim/loop_playback.h"
#include "optim/loop_solver.h"
#include "platform/number_text.h"

namespace soar {
namespace {

namespace fs = std::filesystem;
using namespace soar::optim;
constexpr double kPi = 3.14159265358979323846;

// One albatross loop for every test here (half a second to solve).
class SolvedLoop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        problem_ = new LoopProblem(loop_problem_for(Params{}, WindProfile::exponential, false));
        SolveOptions o;
        o.nodes = 30;
        loop_ = new LoopSolution(solve_loop(*problem_, o));
    }
    static void TearDownTestSuite() {
        delete problem_;
        delete loop_;
    }
    static LoopProblem* problem_;
    static LoopSolution* loop_;
};
LoopProblem* SolvedLoop::problem_ = nullptr;
LoopSolution* SolvedLoop::loop_ = nullptr;

TEST_F(SolvedLoop, RepeatsEveryPeriodWithTheHeadingATurnOn) {
    ASSERT_TRUE(loop_->converged) << loop_->status;
    const double T = loop_->period;
    for (const double t : {0.0, 0.31 * T, 0.77 * T, -0.4 * T}) {
        const LoopPoint a = loop_point(*problem_, *loop_, t);
        for (const int cycles : {1, 3}) {
            const LoopPoint b = loop_point(*problem_, *loop_, t + cycles * T);
            for (const int i : {int(kX), int(kY), int(kZ), int(kV), int(kGamma)})
                EXPECT_NEAR(b.x[size_t(i)], a.x[size_t(i)], 1e-6 * (1.0 + std::abs(a.x[size_t(i)])))
                    << "state " << i << " at t = " << t;
            EXPECT_NEAR(b.x[kPsi] - a.x[kPsi], 2.0 * kPi * cycles * problem_->turn, 1e-6);
            EXPECT_NEAR(b.u[kCL], a.u[kCL], 1e-9);
            EXPECT_NEAR(b.u[kBank], a.u[kBank], 1e-9);
        }
    }
    // The end of one cycle is the start of the next: no jump at the seam.
    const LoopPoint end = loop_point(*problem_, *loop_, T - 1e-9);
    const LoopPoint next = loop_point(*problem_, *loop_, T);
    EXPECT_NEAR(std::hypot(end.x[kX] - next.x[kX], end.x[kY] - next.x[kY], end.x[kZ] - next.x[kZ]),
                0.0, 1e-4);
    EXPECT_NEAR(end.x[kPsi], next.x[kPsi], 1e-4);
}

TEST_F(SolvedLoop, BirdTakesItsAttitudeFromTheSolvedControls) {
    const LoopFlight f = make_loop_flight(Params{}, *problem_, *loop_);
    double highest_bank = 0;
    for (size_t k = 0; k + 1 < loop_->x.size(); k += 7) {
        const FlightState s = loop_state_at(f, loop_->t[k]);
        const double bank_deg = loop_->u[k][kBank] * 180.0 / kPi;
        EXPECT_NEAR(s.mu_deg, bank_deg, 1e-3);
        EXPECT_NEAR(s.gam_deg, loop_->x[k][kGamma] * 180.0 / kPi, 1e-3);
        EXPECT_NEAR(s.CL, loop_->u[k][kCL], 1e-6);
        EXPECT_NEAR(s.Z, loop_->x[k][kZ], 1e-3);
        // The wings roll with the bank; the nose points along the path, above
        // it by the angle of attack when the wings are level.
        EXPECT_NEAR(s.attitude.roll, -bank_deg, 1e-3);
        EXPECT_NEAR(s.attitude.pitch, s.gam_deg + s.alpha * std::cos(s.mu()), 1e-3);
        highest_bank = std::max(highest_bank, std::abs(bank_deg));
    }
    EXPECT_GT(highest_bank, 20.0);  // a real turn, not a level glide
}

// Flown through the window model: each tick is where the loop is at its
// flight time, the record gets the loop's samples, and "OK" gives the
// selected pattern back exactly as it flies without a loop.
TEST_F(SolvedLoop, FliesInTheWindowAndGivesWayToOk) {
    test::Run run(false);
    Session& session = run.session;
    const FlightState& s = session.flight_state();
    session.choose_pattern(Mode::crosswind);
    const LoopFlight f = make_loop_flight(session.model().params.upwind, *problem_, *loop_);
    run.clock.set(1000.0f);
    session.fly_loop(f);
    ASSERT_TRUE(session.flying());
    EXPECT_EQ(session.state(), RunState::flying_loop);
    // The form names no pattern while the loop flies; STOP shows them again.
    EXPECT_FALSE(visible(session.window(), Id::crosswind_option));
    EXPECT_FALSE(visible(session.window(), Id::upwind_option));
    const double dt = 0.05;
    const int ticks = int(1.5 * loop_->period / dt);  // past the end of the first loop
    for (int k = 0; k < ticks; ++k) {
        ASSERT_TRUE(run.tick(float(1000.0 + k * dt)));
        const LoopPoint q = loop_point(*problem_, *loop_, double(s.t));
        EXPECT_NEAR(s.X, q.x[kX], 1e-3);
        EXPECT_NEAR(s.Z, q.x[kZ], 1e-3);
    }
    EXPECT_NEAR(s.t, (ticks - 1) * dt, 1e-3);
    EXPECT_EQ(session.record().history.size(), size_t(ticks));
    EXPECT_EQ(session.record().cycles.rows().size(), 1u);  // one loop completed
    EXPECT_GT(session.scene().tracks.n, 1);
    // With "Fixed" selected, the fixed view's zoom (a still picture's view
    // angle) leaves the loop's moving view alone.
    session.choose_option(Id::fixed_option);
    const float view_angle = session.camera().zoom_deg;
    session.click(Id::zoom_in_button);
    EXPECT_EQ(session.camera().zoom_deg, view_angle);
    session.choose_option(Id::crosswind_option);

    // OK: the selected option's pattern, bit for bit as a fresh run flies it.
    session.click(Id::stop_button);
    EXPECT_TRUE(visible(session.window(), Id::crosswind_option));
    session.set_up_flight();
    EXPECT_EQ(session.loop(), nullptr);
    EXPECT_EQ(session.state(), RunState::set_up);
    run.clock.set(500.0f);
    session.start_flight();
    test::Run fresh(false);
    fresh.start(session.model().pattern, 500.0);
    const FlightState& t = fresh.session.flight_state();
    for (int k = 0; k < 200; ++k) {
        ASSERT_TRUE(run.tick(float(500.0 + k * 0.02)));
        ASSERT_TRUE(fresh.tick(float(500.0 + k * 0.02)));
        ASSERT_EQ(s.X, t.X) << k;
        ASSERT_EQ(s.Z, t.Z) << k;
        ASSERT_EQ(s.psi_deg, t.psi_deg) << k;
    }
}

// The loop turns a full circle each cycle: its yaw runs on past 360 deg, and
// the yaw box shows the same direction within a half-turn.
TEST_F(SolvedLoop, YawBoxStaysWithinAHalfTurnWhileTheLoopTurnsOn) {
    test::Run run(false);
    Session& session = run.session;
    const FlightState& s = session.flight_state();
    const LoopFlight f = make_loop_flight(session.model().params.upwind, *problem_, *loop_);
    run.clock.set(1000.0f);
    session.fly_loop(f);
    const double dt = 0.05;
    double widest = 0;
    for (int k = 0; k < int(3.2 * loop_->period / dt); ++k) {
        ASSERT_TRUE(run.tick_unseen(float(1000.0 + k * dt)));
        if (k == 0) continue;  // the first tick flies nothing and shows nothing new
        const double shown = text_value(text(session.window(), Id::yaw_box));
        ASSERT_GT(shown, -180.0) << s.t;
        ASSERT_LE(shown, 180.0) << s.t;
        // The same direction as the yaw flown, to the box's seven digits.
        const double turns = (shown + double(s.attitude.yaw)) / 360.0;
        ASSERT_NEAR(turns, std::round(turns), 1e-6) << s.t;
        widest = std::max(widest, std::fabs(double(s.attitude.yaw)));
    }
    EXPECT_GT(widest, 540.0);  // the flight's own yaw went round more than once
}

TEST_F(SolvedLoop, CacheGivesTheLoopBackOnlyForItsOwnProblem) {
    const std::string key = loop_cache_key(*problem_, 30);
    const std::string text = loop_cache_text(key, *loop_);
    const auto back = loop_from_cache_text(text, key);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->wind, loop_->wind);
    EXPECT_EQ(back->period, loop_->period);
    ASSERT_EQ(back->x.size(), loop_->x.size());
    EXPECT_EQ(back->x[17], loop_->x[17]);
    EXPECT_EQ(back->u_mid[11], loop_->u_mid[11]);
    EXPECT_EQ(back->u.back(), loop_->u.back());

    // Any changed parameter, and another mesh, miss.
    LoopProblem heavier = *problem_;
    heavier.wing_loading *= 1.0 + 1e-12;
    EXPECT_FALSE(loop_from_cache_text(text, loop_cache_key(heavier, 30)));
    LoopProblem other_wind = *problem_;
    other_wind.lam_U = 6.0;
    EXPECT_FALSE(loop_from_cache_text(text, loop_cache_key(other_wind, 30)));
    EXPECT_FALSE(loop_from_cache_text(text, loop_cache_key(*problem_, 31)));

    // A file cut short, a damaged number or a stranger's file is ignored.
    EXPECT_FALSE(loop_from_cache_text(text.substr(0, text.size() / 2), key));
    EXPECT_FALSE(loop_from_cache_text(text.substr(0, text.size() - 4), key));
    std::string damaged = text;
    damaged[damaged.find("node ") + 7] = 'q';
    EXPECT_FALSE(loop_from_cache_text(damaged, key));
    std::string infinite = text;
    infinite.replace(infinite.find("node ") + 5, 1, "inf ");
    EXPECT_FALSE(loop_from_cache_text(infinite, key));
    EXPECT_FALSE(loop_from_cache_text("", key));
    EXPECT_FALSE(
        loop_from_cache_text("\x7f"
                             "ELF binary",
                             key));
}

TEST_F(SolvedLoop, CacheFileIsWrittenWholeOrNotAtAll) {
    const fs::path dir =
        fs::temp_directory_path() / ("soar_loop_cache_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string key = loop_cache_key(*problem_, 30);
    const std::string path = (dir / "loop.txt").string();
    std::string error;
    ASSERT_TRUE(save_cached_loop(path, key, *loop_, error)) << error;
    const auto back = load_cached_loop(path, key);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->x.front(), loop_->x.front());
    { std::ofstream(path, std::ios::trunc) << "soarcalculus optimal loop 1\nkey "; }
    EXPECT_FALSE(load_cached_loop(path, key));
    EXPECT_FALSE(load_cached_loop((dir / "none.txt").string(), key));
    EXPECT_FALSE(save_cached_loop((dir / "no" / "such" / "dir.txt").string(), key, *loop_, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace soar
