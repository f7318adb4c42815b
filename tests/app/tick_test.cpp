#include <gtest/gtest.h>

#include <cmath>

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
