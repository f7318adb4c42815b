// Pause and pace through the window model: a flight clock between the manual
// clock and the tick.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app_fixture.h"

namespace soar {
namespace {

struct Flying {
    test::Run run{false};
    Session& session = run.session;
    const FlightState& s = session.flight_state();
    Flying() {
        run.start(Mode::upwind, 1000.0);
        run.tick(1000.0f);  // tick 1: t = 0
    }
    void at(float clock) { run.clock.set(clock); }
};

TEST(PauseAndPace, APausedSecondAddsNothingToTheFlightTime) {
    Flying f;
    f.run.tick(1001.0f);
    EXPECT_EQ(f.s.t, 1.0f);
    f.at(1001.0f);
    f.session.pause_or_resume();
    EXPECT_TRUE(f.session.paused());
    // Paused, the timer events change nothing.
    const long long ticks = f.session.ticks();
    f.run.tick(1001.5f);
    EXPECT_EQ(f.session.ticks(), ticks);
    f.at(1002.0f);
    f.session.pause_or_resume();
    f.run.tick(1003.0f);
    EXPECT_FLOAT_EQ(f.s.t, 2.0f);  // three seconds on the machine, one of them paused
    EXPECT_FLOAT_EQ(f.s.dt, 1.0f);
}

TEST(PauseAndPace, PaceScalesTheFlightTimeFromWhereItWasSet) {
    Flying f;
    f.run.tick(1001.0f);
    f.at(1001.0f);
    f.session.change_pace(+1);  // 2 x
    EXPECT_EQ(f.session.flight_clock().pace(), 2.0);
    f.run.tick(1002.0f);
    EXPECT_FLOAT_EQ(f.s.t, 3.0f);
    f.at(1002.0f);
    for (int i = 0; i < 9; ++i) f.session.change_pace(-1);  // down to 1/8
    EXPECT_EQ(f.session.flight_clock().pace(), 0.125);
    f.run.tick(1010.0f);
    EXPECT_FLOAT_EQ(f.s.t, 4.0f);
    for (int i = 0; i < 9; ++i) f.session.change_pace(+1);
    EXPECT_EQ(f.session.flight_clock().pace(), 4.0);
}

TEST(PauseAndPace, StopEndsThePauseAndTheNextFlightReadsTheMachineClock) {
    Flying f;
    f.at(1001.0f);
    f.session.change_pace(-1);
    f.session.change_pace(+1);  // back to 1, but the clock was re-anchored
    f.session.pause_or_resume();
    f.session.click(Id::stop_button);
    EXPECT_FALSE(f.session.paused());
    EXPECT_FALSE(f.session.record().flying);
    EXPECT_EQ(f.session.record().end_reason, "stopped with STOP");
    // Outside a flight Space does nothing.
    f.session.pause_or_resume();
    EXPECT_FALSE(f.session.paused());
    f.session.set_up_flight();
    f.at(2000.25f);
    f.session.start_flight();
    f.run.tick(2000.25f);
    f.run.tick(2000.375f);
    // At pace 1 a new flight's clock is the machine's again, bit for bit.
    EXPECT_EQ(f.session.flight_clock().seconds_since_midnight(), 2000.375f);
    EXPECT_EQ(f.s.t, 0.125f);
}

TEST(PauseAndPace, AtAnyPaceTheClockWrapsAtMidnightAsTheMachinesDoes) {
    ManualClock machine(1001.0f);
    FlightClock clock(machine);
    clock.restart();
    clock.set_pace(FlightClock::kRealTime + 1);  // 2 x
    float last = clock.seconds_since_midnight(), machine_last = 1001.0f;
    for (float m : {30000.0f, 60000.0f, 86399.0f, 1.0f, 20000.0f}) {
        machine.set(m);
        const float now = clock.seconds_since_midnight();
        EXPECT_GE(now, 0.0f);
        EXPECT_LT(now, 86400.0f);
        // The reading advanced by twice the machine's step, modulo a day.
        const double step = std::fmod(double(now) - last + 86400.0 * 2, 86400.0);
        EXPECT_NEAR(step, 2.0 * std::fmod(double(m) - machine_last + 86400.0, 86400.0), 0.02);
        machine_last = m;
        last = now;
    }
}

// A column of a flight's record at flight time t, straight between the two
// rows about it.
double value_at(const FlightHistory& h, Column c, double t) {
    size_t i = 1;
    while (i + 1 < h.size() && double(h.at(Column::t, i)) < t) ++i;
    const double t0 = h.at(Column::t, i - 1), t1 = h.at(Column::t, i);
    const double v0 = h.at(c, i - 1), v1 = h.at(c, i);
    return t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v1;
}

TEST(PauseAndPace, AFastPaceFliesAHeldUpIntervalInTicksAsShortAsTheTimersAndTheSameFlight) {
    // The same upwind flight at real time, 0.01 s a tick, and at four times
    // real time, 2.5 ms of the machine a tick, held up once for 0.2 s of the
    // machine (below the hold-up bound): 0.8 s of flight in one timer event.
    test::Run real(false), fast(false);
    for (test::Run* r : {&real, &fast}) {
        r->session.set_pause_on_hold_up(true);
        r->start(Mode::upwind, 100.0);
        r->tick(100.0f);
    }
    for (int k = 1; k <= 1200; ++k) ASSERT_TRUE(real.tick_unseen(float(100.0 + 0.01 * k)));
    fast.session.change_pace(+2);
    ASSERT_EQ(fast.session.flight_clock().pace(), 4.0);
    double machine = 100.0;
    int64_t ticks_before_gap = 0;
    float t_before_gap = 0;
    for (int k = 1; k <= 1100; ++k) {
        machine += k == 500 ? 0.2 : 0.0025;
        if (k == 500) {
            ticks_before_gap = fast.session.ticks();
            t_before_gap = fast.session.flight_state().t;
        }
        ASSERT_TRUE(fast.tick_unseen(float(machine)));
    }
    const FlightHistory &slow_rows = real.session.record().history,
                        &fast_rows = fast.session.record().history;
    const float t_end = fast.session.flight_state().t;
    ASSERT_GT(t_end, 11.0f);
    ASSERT_LT(t_end, 12.0f);
    EXPECT_EQ(fast.session.record().holds, 0);

    // The held-up event flew 0.8 s as ticks of their own, each a row, none
    // longer than the timer's step (a float time's rounding aside).
    EXPECT_EQ(fast.session.ticks(), int64_t(fast_rows.size()));
    const int64_t gap_ticks = fast.session.ticks() - ticks_before_gap;
    EXPECT_GE(gap_ticks, 1100 - 500 + 40);
    float longest = 0;
    for (size_t i = 1; i < fast_rows.size(); ++i)
        longest = std::max(longest, fast_rows.at(Column::dt, i));
    EXPECT_LE(longest, FlightClock::kPacedStep + 1e-5);
    EXPECT_GT(longest, 0.015f);  // the held-up event's steps: 0.8 s in 40

    // Row for row the flight at real time, to the integrator's difference
    // between steps of 0.01 and 0.02 s.
    double worst_V = 0, worst_Z = 0, worst_X = 0;
    for (size_t i = 1; i < fast_rows.size(); ++i) {
        const double t = fast_rows.at(Column::t, i);
        worst_V = std::max(
            worst_V, std::fabs(fast_rows.at(Column::V, i) - value_at(slow_rows, Column::V, t)));
        worst_Z = std::max(
            worst_Z, std::fabs(fast_rows.at(Column::Z, i) - value_at(slow_rows, Column::Z, t)));
        worst_X = std::max(
            worst_X, std::fabs(fast_rows.at(Column::X, i) - value_at(slow_rows, Column::X, t)));
    }
    EXPECT_LT(worst_V, 0.01) << "t before the hold-up " << t_before_gap;
    EXPECT_LT(worst_Z, 0.01);
    EXPECT_LT(worst_X, 0.05);

    // Looking back, a tick inside the held-up event is a moment of its own.
    fast.session.pause_or_resume();
    const int64_t inside = ticks_before_gap + 20;
    fast.session.look_at(inside);
    EXPECT_NEAR(fast.session.shown_state().t, t_before_gap + 0.4, 0.02);
}

TEST(PauseAndPace, RecordKeepsEveryTickAndTheCycles) {
    Flying f;
    for (int k = 1; k <= 1700; ++k) f.run.tick(1000.0f + 0.01f * float(k));
    EXPECT_EQ(f.session.record().history.size(), 1701u);
    EXPECT_EQ(f.session.record().cycles.completed(), 2);
    EXPECT_EQ(f.session.record().history.at(Column::V, 1700), f.s.V);
    EXPECT_TRUE(f.session.record().flying);
    // A new flight starts a new record.
    f.session.click(Id::stop_button);
    f.session.set_up_flight();
    f.at(5000.0f);
    f.session.start_flight();
    f.run.tick(5000.0f);
    EXPECT_EQ(f.session.record().history.size(), 1u);
    EXPECT_EQ(f.session.record().cycles.completed(), 0);
}

}  // namespace
}  // namespace soar
