// A window held up (a long save, a stopped process, a suspended machine) must
// pause the flight, not integrate the gap in one leap; ordinary ticks stay
// exactly as they are.
#include <gtest/gtest.h>

#include "app/flight_clock.h"
#include "app_fixture.h"
#include "sim/energy.h"

namespace soar {
namespace {

// The circle zoom flies without wind and drag: its energy only changes by the
// integrator's small error, so a leap over a gap shows at once.
struct Zoom {
    test::Run run{false};
    explicit Zoom(bool pause_on_hold_up) {
        run.session.set_pause_on_hold_up(pause_on_hold_up);
        run.session.set_check(Id::ground_track_box, 0);
        run.session.set_check(Id::air_track_box, 0);
        run.start(Mode::circlezoom, 50000.0);
    }
    const FlightState& s() const { return run.session.flight_state(); }
    float E() const { return specific_energy(s(), pattern_defaults(Mode::circlezoom)); }
};

TEST(HoldUp, AGapIsAPauseAndOrdinaryTicksAreUntouched) {
    Zoom held(true), plain(false);
    double clock = 50000.0;
    for (int k = 1; k <= 400; ++k, clock += 0.01) {
        ASSERT_TRUE(held.run.tick_unseen(float(clock)));
        ASSERT_TRUE(plain.run.tick_unseen(float(clock)));
        // Bit for bit the same flight while nothing holds it up.
        ASSERT_EQ(held.s().X, plain.s().X) << k;
        ASSERT_EQ(held.s().V, plain.s().V) << k;
    }
    EXPECT_TRUE(held.run.session.window().notice.empty());
    const float t_before = held.s().t, E_before = held.E();

    // Held up for 5.3 s between two ticks.
    clock += 5.3;
    ASSERT_TRUE(held.run.tick_unseen(float(clock)));
    EXPECT_EQ(held.s().t, t_before);  // the gap never reaches the flight
    EXPECT_EQ(held.s().dt, 0.0f);
    EXPECT_NE(held.run.session.window().notice.find("held up for 5.3 s"), std::string::npos)
        << held.run.session.window().notice;
    EXPECT_EQ(held.run.session.record().holds, 1);
    EXPECT_NE(flight_summary(held.run.session.record()).find("paused 1 time"), std::string::npos);

    // And then it flies on at the ordinary pace, its energy intact; without the
    // pause the same gap is one step of 5.3 s that breaks the energy balance.
    for (int k = 0; k < 100; ++k) {
        clock += 0.01;
        ASSERT_TRUE(held.run.tick_unseen(float(clock)));
        plain.run.tick_unseen(float(clock));
    }
    EXPECT_NEAR(held.s().t, t_before + 1.0, 0.02);
    EXPECT_NEAR(held.E(), E_before, 0.005);
    EXPECT_GT(std::abs(plain.E() - E_before), 0.05);
}

TEST(HoldUp, AUsersPauseAndASlowTimerAreNotHoldUps) {
    ManualClock machine(1000.0f);
    FlightClock clock(machine);
    clock.set_stall_bound(0.25);
    clock.restart();
    machine.set(1000.2f);
    EXPECT_EQ(clock.seconds_since_midnight(), 1000.2f);  // within the bound: the machine's own
    clock.pause();
    machine.set(1030.0f);
    clock.resume();
    machine.set(1030.1f);
    EXPECT_NEAR(clock.seconds_since_midnight(), 1000.3, 1e-3);
    EXPECT_EQ(clock.take_stall(), 0.0);

    // A timer of half a second between ticks: the bound follows the interval.
    test::Run run(false);
    run.session.set_pause_on_hold_up(true);
    run.session.edit_text(Id::step_box, "500");
    run.start(Mode::circlezoom, 100.0);
    for (int k = 0; k < 5; ++k) ASSERT_TRUE(run.tick_unseen(float(100.0 + 0.5 * k)));
    EXPECT_EQ(run.session.flight_state().t, 2.0f);
    EXPECT_EQ(run.session.record().holds, 0);
}

}  // namespace
}  // namespace soar
