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
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    p.clock.set(5.0f);
    p.press(Id::fly_button);
    set_text(p.w, Id::time_box, "previous");
    p.tick_at(5.0f);
    EXPECT_EQ(p.session.ticks(), 1);
    EXPECT_EQ(p.s.t, 0.0f);
    EXPECT_EQ(p.s.V, 25.0f);
    EXPECT_EQ(p.s.Z, 1.02f);
    EXPECT_EQ(text(p.w, Id::time_box), "previous");
}

TEST(Tick, ReadOutsShowTimeBankPitchAndYaw) {
    Program p;
    p.fly(Id::crosswind_option, 40, 0.025);
    EXPECT_EQ(text(p.w, Id::time_box), float_text(p.s.t));
    EXPECT_EQ(text(p.w, Id::roll_box), float_text(p.s.mu_deg));
    EXPECT_EQ(text(p.w, Id::pitch_box), float_text(p.s.attitude.pitch));
    EXPECT_EQ(text(p.w, Id::yaw_box), float_text(-p.s.attitude.yaw));
    // The yaw read-out is psi_deg + alpha sin(mu).
    EXPECT_NEAR(text_value(text(p.w, Id::yaw_box)),
                p.s.psi_deg + p.s.alpha * std::sin(double(p.s.mu())), 1e-3);
}

TEST(Tick, CountsPastSixteenBits) {
    Program p;
    test::Run run(false);
    run.start(Mode::circlezoom, 0.0);
    for (int k = 1; k <= 40001; ++k) ASSERT_TRUE(run.tick_unseen(float(k * 0.001)));
    EXPECT_EQ(run.session.ticks(), 40001);
}

TEST(Tick, StallStopsTheFlightWithAMessageAndKeepsThePicture) {
    Program p;
    p.press(Id::crosswind_option);
    p.press(Id::ok_button);
    p.clock.set(0.0f);
    p.press(Id::fly_button);
    size_t last_picture = 0;
    int k = 1;
    for (; k <= 40000 && p.session.flying(); ++k) {
        last_picture = p.pic.primitives().size();
        p.tick_at(float((k - 1) * 0.01));
    }
    ASSERT_FALSE(p.session.flying()) << "the crosswind pattern should stall";
    EXPECT_NE(p.w.message.find("airspeed"), std::string::npos) << p.w.message;
    EXPECT_NE(p.w.message.find("t = "), std::string::npos);
    EXPECT_FALSE(visible(p.w, Id::fly_button));  // stopped as STOP stops it
    EXPECT_TRUE(visible(p.w, Id::upwind_option));
    EXPECT_EQ(p.pic.primitives().size(), last_picture);
    EXPECT_GT(p.s.t, 60.0f);
    // The message box closes with its own button: the message does not ask for
    // an "OK" press as if it were that button.
    EXPECT_EQ(p.w.message.find("Press \"OK\""), std::string::npos) << p.w.message;
}

// The upwind pattern at 10 ms steps sinks below the surface at t = 679.6 s and
// would fly on under water until it stalls at 1039 s.
TEST(Tick, TheSeaIsSolid) {
    test::Run run(false);
    run.session.set_check(Id::ground_track_box, 0);
    run.session.set_check(Id::air_track_box, 0);
    run.start(Mode::upwind, 0.0);
    const FlightState& s = run.session.flight_state();
    const Window& w = run.session.window();
    float lowest_flown = 1e9f;
    int k = 1;
    for (; k <= 110000; ++k) {
        if (!run.tick_unseen(float((k - 1) * 0.01))) break;
        lowest_flown = std::min(lowest_flown, s.Z);
    }
    ASSERT_FALSE(run.session.flying());
    EXPECT_GE(lowest_flown, 0.0f);
    EXPECT_LT(s.Z, 0.0f);  // the step that went below stopped the flight
    EXPECT_NEAR(s.t, 679.6, 0.005);
    EXPECT_EQ(w.message.rfind("The flight was stopped: the bird touched the sea at t = " +
                                  float_text(s.t) + " s.",
                              0),
              0u)
        << w.message;
    EXPECT_EQ(run.session.fault(), "the bird touched the sea at t = " + float_text(s.t) + " s");
    EXPECT_FALSE(visible(w, Id::fly_button));  // stopped as STOP stops it
    EXPECT_TRUE(visible(w, Id::crosswind_option));
}

TEST(Tick, MidnightDoesNotRunTheFlightBackwards) {
    Program p;
    p.fly(Id::upwind_option, 5, 0.02, 86399.9);
    const float t = p.s.t;
    p.tick_at(0.05f);
    EXPECT_GT(p.s.t, t);
    EXPECT_TRUE(p.session.flying());
}

}  // namespace
}  // namespace soar
