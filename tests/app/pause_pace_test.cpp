// Pause and pace through the window model: a flight clock between the manual
// clock and the tick.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/session.h"
#include "platform/headless/recording_surface.h"

namespace soar {
namespace {

struct Flight {
    Session run{std::make_unique<RecordingSurface>(833, 667, false)};
    Flight() {
        run.start();
        run.choose(Mode::upwind);
        run.press_ok();
        run.press_fly(1000.0f);
        run.tick(1000.0f);  // tick 1: t = 0
    }
    void at(float clock) { run.clock.set(clock); }
};

TEST(PauseAndPace, APausedSecondAddsNothingToTheFlightTime) {
    Flight f;
    f.run.tick(1001.0f);
    EXPECT_EQ(f.run.s.t, 1.0f);
    f.at(1001.0f);
    pause_or_resume(f.run.s, f.run.w, f.run.io);
    EXPECT_TRUE(flight_paused(f.run.io));
    // Paused, the timer events change nothing.
    const long long ticks = f.run.s.n_step;
    f.run.tick(1001.5f);
    EXPECT_EQ(f.run.s.n_step, ticks);
    f.at(1002.0f);
    pause_or_resume(f.run.s, f.run.w, f.run.io);
    f.run.tick(1003.0f);
    EXPECT_FLOAT_EQ(f.run.s.t, 2.0f);  // three seconds on the machine, one of them paused
    EXPECT_FLOAT_EQ(f.run.s.dt, 1.0f);
}

TEST(PauseAndPace, PaceScalesTheFlightTimeFromWhereItWasSet) {
    Flight f;
    f.run.tick(1001.0f);
    f.at(1001.0f);
    change_pace(f.run.s, f.run.w, f.run.io, +1);  // 2 x
    EXPECT_EQ(f.run.flight_clock.pace(), 2.0);
    f.run.tick(1002.0f);
    EXPECT_FLOAT_EQ(f.run.s.t, 3.0f);
    f.at(1002.0f);
    for (int i = 0; i < 9; ++i) change_pace(f.run.s, f.run.w, f.run.io, -1);  // down to 1/8
    EXPECT_EQ(f.run.flight_clock.pace(), 0.125);
    f.run.tick(1010.0f);
    EXPECT_FLOAT_EQ(f.run.s.t, 4.0f);
    for (int i = 0; i < 9; ++i) change_pace(f.run.s, f.run.w, f.run.io, +1);
    EXPECT_EQ(f.run.flight_clock.pace(), 4.0);
}

TEST(PauseAndPace, StopEndsThePauseAndTheNextFlightReadsTheMachineClock) {
    Flight f;
    f.at(1001.0f);
    change_pace(f.run.s, f.run.w, f.run.io, -1);
    change_pace(f.run.s, f.run.w, f.run.io, +1);  // back to 1, but the clock was re-anchored
    pause_or_resume(f.run.s, f.run.w, f.run.io);
    click(f.run.s, f.run.w, f.run.io, Id::cmd_STOP);
    EXPECT_FALSE(flight_paused(f.run.io));
    EXPECT_FALSE(f.run.record.flying);
    EXPECT_EQ(f.run.record.end_reason, "stopped with STOP");
    // Outside a flight Space does nothing.
    pause_or_resume(f.run.s, f.run.w, f.run.io);
    EXPECT_FALSE(flight_paused(f.run.io));
    f.run.press_ok();
    f.run.press_fly(2000.25f);
    f.run.tick(2000.25f);
    f.run.tick(2000.375f);
    // At pace 1 a new flight's clock is the machine's again, bit for bit.
    EXPECT_EQ(f.run.flight_clock.seconds_since_midnight(), 2000.375f);
    EXPECT_EQ(f.run.s.t, 0.125f);
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
    Flight f;
    for (int k = 1; k <= 1700; ++k) f.run.tick(1000.0f + 0.01f * float(k));
    EXPECT_EQ(f.run.record.history.size(), 1701u);
    EXPECT_EQ(f.run.record.cycles.completed(), 2);
    EXPECT_EQ(f.run.record.history.at(Column::V, 1700), f.run.s.V);
    EXPECT_TRUE(f.run.record.flying);
    // A new flight starts a new record.
    click(f.run.s, f.run.w, f.run.io, Id::cmd_STOP);
    f.run.press_ok();
    f.run.press_fly(5000.0f);
    f.run.tick(5000.0f);
    EXPECT_EQ(f.run.record.history.size(), 1u);
    EXPECT_EQ(f.run.record.cycles.completed(), 0);
}

}  // namespace
}  // namespace soar
