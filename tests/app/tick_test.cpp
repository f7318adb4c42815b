#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "app_fixture.h"
#include "platform/number_text.h"

namespace soar {
namespace {

using test::Program;

TEST(Tick, FirstTickInitialisesWithoutIntegrating) {
    Program p;
    p.press(Id::opt_upwind);
    p.press(Id::cmd_setup);
    p.clock.set(5.0f);
    p.press(Id::cmd_RESUME);
    set_text(p.w, Id::txt_time, "previous");
    p.tick_at(5.0f);
    EXPECT_EQ(p.s.n_step, 1);
    EXPECT_EQ(p.s.t, 0.0f);
    EXPECT_EQ(p.s.V, 25.0f);
    EXPECT_EQ(p.s.Z, 1.02f);
    EXPECT_EQ(text(p.w, Id::txt_time), "previous");
}

TEST(Tick, ReadOutsShowTimeBankPitchAndYaw) {
    Program p;
    p.fly(Id::opt_crosswind, 40, 0.025);
    EXPECT_EQ(text(p.w, Id::txt_time), float_text(p.s.t));
    EXPECT_EQ(text(p.w, Id::txt_rollR), float_text(p.s.mu_deg));
    EXPECT_EQ(text(p.w, Id::txt_pitchup), float_text(p.s.pitch_b));
    EXPECT_EQ(text(p.w, Id::txt_yawR), float_text(-p.s.yaw_b));
    // The yaw read-out is psi_deg + alpha sin(mu).
    EXPECT_NEAR(text_value(text(p.w, Id::txt_yawR)),
                p.s.psi_deg + p.s.alpha * std::sin(double(p.s.mu)), 1e-3);
}

TEST(Tick, CountsPastSixteenBits) {
    Program p;
    p.fly(Id::opt_downwind, 3, 0.02);
    p.s.n_step = 40000;
    p.tick_at(0.1f);
    EXPECT_EQ(p.s.n_step, 40001);
    EXPECT_TRUE(p.w.timer.enabled);
}

TEST(Tick, StallStopsTheFlightWithAMessageAndKeepsThePicture) {
    Program p;
    p.press(Id::opt_crosswind);
    p.press(Id::cmd_setup);
    p.clock.set(0.0f);
    p.press(Id::cmd_RESUME);
    size_t last_picture = 0;
    int k = 1;
    for (; k <= 40000 && p.w.timer.enabled; ++k) {
        last_picture = p.pic.primitives().size();
        p.tick_at(float((k - 1) * 0.01));
    }
    ASSERT_FALSE(p.w.timer.enabled) << "the crosswind pattern should stall";
    EXPECT_NE(p.w.message.find("airspeed"), std::string::npos) << p.w.message;
    EXPECT_NE(p.w.message.find("t = "), std::string::npos);
    EXPECT_FALSE(visible(p.w, Id::cmd_RESUME));  // stopped as STOP stops it
    EXPECT_TRUE(visible(p.w, Id::opt_upwind));
    EXPECT_EQ(p.pic.primitives().size(), last_picture);
    EXPECT_GT(p.s.t, 60.0f);
    // The message box closes with its own button: the message does not ask for
    // an "OK" press as if it were that button.
    EXPECT_EQ(p.w.message.find("Press \"OK\""), std::string::npos) << p.w.message;
}

// The upwind pattern at 10 ms steps sinks below the surface at t = 679.6 s and
// would fly on under water until it stalls at 1039 s.
TEST(Tick, TheSeaIsSolid) {
    Session run(std::make_unique<RecordingSurface>(833, 667, false));
    run.start();
    run.choose(Mode::upwind);
    run.press_ok();
    run.press_fly(0.0f);
    float lowest_flown = 1e9f;
    int k = 1;
    for (; k <= 110000; ++k) {
        if (!run.tick_flight_only(float((k - 1) * 0.01))) break;
        lowest_flown = std::min(lowest_flown, run.s.Z);
    }
    ASSERT_FALSE(run.w.timer.enabled);
    EXPECT_GE(lowest_flown, 0.0f);
    EXPECT_LT(run.s.Z, 0.0f);  // the step that went below stopped the flight
    EXPECT_NEAR(run.s.t, 679.6, 0.005);
    EXPECT_EQ(run.w.message.rfind("The flight was stopped: the bird touched the sea at t = " +
                                      float_text(run.s.t) + " s.",
                                  0),
              0u)
        << run.w.message;
    EXPECT_FALSE(visible(run.w, Id::cmd_RESUME));  // stopped as STOP stops it
    EXPECT_TRUE(visible(run.w, Id::opt_crosswind));
}

TEST(Tick, MidnightDoesNotRunTheFlightBackwards) {
    Program p;
    p.fly(Id::opt_upwind, 5, 0.02, 86399.9);
    const float t = p.s.t;
    p.tick_at(0.05f);
    EXPECT_GT(p.s.t, t);
    EXPECT_TRUE(p.w.timer.enabled);
}

}  // namespace
}  // namespace soar
