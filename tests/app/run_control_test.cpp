#include <gtest/gtest.h>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

TEST(RunControl, FlyHidesTheOtherPatternsAndStartsTheTimer) {
    Program p;
    p.press(Id::opt_upwind);
    p.press(Id::cmd_setup);
    ASSERT_TRUE(visible(p.w, Id::cmd_RESUME));
    p.type(Id::txt_rollR, "20");
    p.clock.set(100.0f);
    p.press(Id::cmd_RESUME);
    EXPECT_TRUE(p.w.timer.enabled);
    EXPECT_EQ(p.w.timer.interval_ms, 1);
    EXPECT_EQ(p.s.t_start, 100.0f);
    EXPECT_EQ(p.s.roll_b, -20.0f);
    EXPECT_EQ(p.s.pitch_b, 2.0f);
    EXPECT_FALSE(visible(p.w, Id::opt_fixed));
    EXPECT_TRUE(visible(p.w, Id::opt_upwind));
    for (Id id : {Id::opt_downwind, Id::opt_crosswind, Id::opt_circlezoom, Id::chk_groundtrack,
                  Id::chk_airtrack})
        EXPECT_FALSE(visible(p.w, id));
    EXPECT_TRUE(visible(p.w, Id::cmd_STOP));
    EXPECT_TRUE(visible(p.w, Id::cmd_RESUME));  // FLY does not hide itself
}

TEST(RunControl, SecondFlyDuringAFlightIsIgnored) {
    Program p;
    p.fly(Id::opt_upwind, 50, 0.02, 10.0);
    const float t = p.s.t;
    p.clock.set(20.0f);
    p.press(Id::cmd_RESUME);
    EXPECT_EQ(p.s.t_start, 10.0f);
    p.tick_at(float(10.0 + 50 * 0.02));
    EXPECT_GT(p.s.dt, 0.0f);
    EXPECT_GT(p.s.t, t);
}

TEST(RunControl, StopHaltsAndTwiceChangesNothingMore) {
    Program p;
    p.fly(Id::opt_downwind, 10, 0.02);
    p.press(Id::cmd_STOP);
    EXPECT_FALSE(p.w.timer.enabled);
    EXPECT_FALSE(visible(p.w, Id::cmd_RESUME));
    for (Id id : {Id::opt_downwind, Id::opt_upwind, Id::opt_crosswind, Id::opt_circlezoom})
        EXPECT_TRUE(visible(p.w, id));
    const Window after_one = p.w;
    const State s1 = p.s;
    const size_t drawn = p.pic.primitives().size();
    p.press(Id::cmd_STOP);
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
        p.type(Id::txt_msec, c.text);
        EXPECT_EQ(p.w.timer.interval_ms, c.ms) << c.text;
    }
}

TEST(RunControl, EndClosesAtOnce) {
    Program p;
    p.fly(Id::opt_upwind, 3, 0.02);
    p.press(Id::cmd_END);
    EXPECT_TRUE(p.w.ended);
    EXPECT_FALSE(p.w.timer.enabled);
    p.press(Id::cmd_setup);  // nothing reacts any more
    EXPECT_FALSE(visible(p.w, Id::cmd_RESUME) && p.w.timer.enabled);
}

}  // namespace
}  // namespace soar
