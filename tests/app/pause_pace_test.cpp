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
