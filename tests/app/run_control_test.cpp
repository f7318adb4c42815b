#include <gtest/gtest.h>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

TEST(RunControl, FlyHidesTheOtherPatternsAndStartsTheTimer) {
    Program p;
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    ASSERT_TRUE(visible(p.w, Id::fly_button));
    p.type(Id::roll_box, "20");
    p.clock.set(100.0f);
    p.press(Id::fly_button);
    EXPECT_TRUE(p.session.flying());
    EXPECT_EQ(p.session.tick_interval_ms(), 1);
    EXPECT_EQ(p.pose().attitude.roll, -20.0f);
    EXPECT_EQ(p.pose().attitude.pitch, 2.0f);
    EXPECT_FALSE(visible(p.w, Id::fixed_option));
    EXPECT_TRUE(visible(p.w, Id::upwind_option));
    for (Id id : {Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option,
                  Id::ground_track_box, Id::air_track_box})
        EXPECT_FALSE(visible(p.w, id));
    EXPECT_TRUE(visible(p.w, Id::stop_button));
    EXPECT_TRUE(visible(p.w, Id::fly_button));  // FLY does not hide itself
    // The flight time counts from the clock reading at FLY.
    p.tick_at(100.0f);
    p.tick_at(100.25f);
    EXPECT_EQ(p.s.t, 0.25f);
}

TEST(RunControl, SecondFlyDuringAFlightIsIgnored) {
    Program p;
    p.fly(Id::upwind_option, 50, 0.02, 10.0);
    const float t = p.s.t;
    p.clock.set(20.0f);
    p.press(Id::fly_button);
    p.tick_at(float(10.0 + 50 * 0.02));
    EXPECT_EQ(p.s.t, float(float(10.0 + 50 * 0.02) - 10.0));  // still from the first FLY
    EXPECT_GT(p.s.dt, 0.0f);
    EXPECT_GT(p.s.t, t);
}

TEST(RunControl, StopHaltsAndTwiceChangesNothingMore) {
    Program p;
    p.fly(Id::downwind_option, 10, 0.02);
    p.press(Id::stop_button);
    EXPECT_FALSE(p.session.flying());
    EXPECT_FALSE(visible(p.w, Id::fly_button));
    for (Id id :
         {Id::downwind_option, Id::upwind_option, Id::crosswind_option, Id::circle_zoom_option})
        EXPECT_TRUE(visible(p.w, id));
    const Window after_one = p.w;
    const FlightState s1 = p.s;
    const size_t drawn = p.pic.primitives().size();
    p.press(Id::stop_button);
    for (int i = 0; i < kControlCount; ++i) {
        EXPECT_EQ(p.w.controls[i].visible, after_one.controls[i].visible);
        EXPECT_EQ(p.w.controls[i].text, after_one.controls[i].text);
    }
    EXPECT_EQ(p.s.V, s1.V);
    EXPECT_EQ(p.pic.primitives().size(), drawn);  // the picture stays
}

TEST(RunControl, TimerIntervalRoundsHalfToEvenAndStaysUsable) {
    Program p;
    struct Case {
        const char* text;
        int ms;
    } cases[] = {{"2.5", 2}, {"3.5", 4}, {"1", 1},   {"40", 40},
                 {"0", 1},   {"-5", 1},  {"abc", 1}, {"1e12", 10000}};
    for (const Case& c : cases) {
        p.type(Id::step_box, c.text);
        EXPECT_EQ(p.session.tick_interval_ms(), c.ms) << c.text;
    }
}

TEST(RunControl, EndClosesAtOnce) {
    Program p;
    p.fly(Id::upwind_option, 3, 0.02);
    p.press(Id::end_button);
    EXPECT_TRUE(p.w.ended);
    EXPECT_FALSE(p.session.flying());
    p.press(Id::ok_button);  // nothing reacts any more
    EXPECT_FALSE(visible(p.w, Id::fly_button) && p.session.flying());
}

}  // namespace
}  // namespace soar
