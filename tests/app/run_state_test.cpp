// Where a run stands and the values it holds, as the user's actions move them.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "platform/number_text.h"

namespace soar {
namespace {

using test::Program;

TEST(RunState, ALifeCycleThroughSetUpFlightPauseLookBackAndStop) {
    Program p;
    EXPECT_EQ(p.session.state(), RunState::no_flight);
    p.press(Id::upwind_option);
    EXPECT_EQ(p.session.state(), RunState::no_flight);  // chosen, not set up
    p.press(Id::ok_button);
    EXPECT_EQ(p.session.state(), RunState::set_up);
    p.clock.set(0.0f);
    p.press(Id::fly_button);
    EXPECT_EQ(p.session.state(), RunState::flying);
    for (int k = 1; k <= 50; ++k) p.tick_at(float((k - 1) * 0.01));
    p.session.pause_or_resume();
    EXPECT_EQ(p.session.state(), RunState::paused);
    EXPECT_TRUE(p.session.flying());  // a paused flight goes on at FLY
    p.session.look_at(10);
    EXPECT_EQ(p.session.state(), RunState::looking_back);
    p.session.stop_looking_back();
    EXPECT_EQ(p.session.state(), RunState::paused);
    p.press(Id::fly_button);
    EXPECT_EQ(p.session.state(), RunState::flying);
    p.press(Id::stop_button);
    EXPECT_EQ(p.session.state(), RunState::stopped);
    EXPECT_FALSE(p.session.flying());
    p.session.look_at(20);
    EXPECT_EQ(p.session.state(), RunState::looking_back);
    p.press(Id::downwind_option);  // the flight on the screen gives way
    EXPECT_EQ(p.session.state(), RunState::no_flight);
    EXPECT_EQ(p.session.ticks_to_look_back(), 0);
}

TEST(RunState, ChoosingAnotherPatternOrTrackUndoesASetUp) {
    Program p;
    p.press(Id::crosswind_option);
    p.press(Id::ok_button);
    ASSERT_EQ(p.session.state(), RunState::set_up);
    p.press(Id::air_track_box);
    EXPECT_EQ(p.session.state(), RunState::no_flight);
    EXPECT_FALSE(visible(p.w, Id::fly_button));
    p.press(Id::ok_button);
    ASSERT_EQ(p.session.state(), RunState::set_up);
    p.press(Id::upwind_option);
    EXPECT_EQ(p.session.state(), RunState::no_flight);
    EXPECT_EQ(p.m.pattern, Mode::upwind);
}

TEST(RunState, APausedFlightCountsNoTickWithOrWithoutItsPicture) {
    Program p;
    p.fly(Id::upwind_option, 20, 0.01);
    p.session.pause_or_resume();
    const int64_t ticks = p.session.ticks();
    p.clock.set(5.0f);
    p.session.advance_tick();
    Frame frame;
    p.session.advance_tick(frame);
    EXPECT_EQ(p.session.ticks(), ticks);
    EXPECT_FALSE(frame.valid);
}

TEST(RunModel, TypedValuesAreKeptAsNumbersAndShownAsTheBoxesShowThem) {
    Program p;
    p.type(Id::pitch_box, "12.50 deg");
    p.type(Id::roll_box, "20");
    p.type(Id::step_box, "2.5");
    p.type(Id::bird_scale_box, "1.5");
    EXPECT_EQ(p.m.pitch, 12.5f);
    EXPECT_EQ(p.m.roll, 20.0f);
    EXPECT_EQ(p.m.tick_interval_ms, 2);                // halves to the even neighbour
    EXPECT_EQ(text(p.w, Id::pitch_box), "12.50 deg");  // the box keeps what was typed
    p.press(Id::ok_button);
    EXPECT_EQ(p.pose().attitude.roll, -20.0f);
    EXPECT_EQ(p.pose().scale, 1.5f);
    // The observer an "OK" places is the model's, as its boxes show it.
    p.press(Id::downwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(p.m.observer.y, 5.0f);
    EXPECT_EQ(text(p.w, Id::observer_y_box), "5");
}

TEST(RunModel, ALookBackShowsTheMomentAndGivesBackTheFlightAsItStands) {
    Program p;
    p.fly(Id::upwind_option, 300, 0.01);
    p.press(Id::stop_button);
    const float pitch = p.m.pitch, roll = p.m.roll;
    p.session.look_at(100);
    EXPECT_EQ(p.m.pitch, shown_value(p.session.recorded_state(100).attitude.pitch));
    EXPECT_NE(p.m.roll, roll);
    p.session.stop_looking_back();
    EXPECT_EQ(p.m.pitch, pitch);
    EXPECT_EQ(p.m.roll, roll);
}

}  // namespace
}  // namespace soar
