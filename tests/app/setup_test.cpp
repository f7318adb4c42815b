#include <gtest/gtest.h>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

TEST(SetUp, FixedViewDrawsTheBirdAndOffersNoFlight) {
    Program p;
    p.press(Id::ok_button);
    EXPECT_FALSE(visible(p.w, Id::fly_button));
    EXPECT_EQ(p.pose().attitude.pitch, 2.0f);
    EXPECT_EQ(p.pose().attitude.roll, -0.0f);
    EXPECT_EQ(p.pose().scale, 1.0f);
    EXPECT_EQ(p.camera().x_eye, 0.0f);
    EXPECT_EQ(p.camera().y_eye, -3.0f);
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the wire model
}

TEST(SetUp, UpwindPlacesTheObserverAndPreparesTheFlight) {
    Program p;
    p.press(Id::ok_button);
    p.press(Id::zoom_out_button);  // the fixed view's angle: 49.5 deg
    p.press(Id::upwind_option);
    EXPECT_FALSE(visible(p.w, Id::fixed_option));
    EXPECT_FALSE(visible(p.w, Id::pan_left_button));
    EXPECT_TRUE(visible(p.w, Id::air_track_box));
    EXPECT_EQ(p.camera().zoom_deg, 49.5f);
    p.press(Id::ok_button);
    EXPECT_TRUE(visible(p.w, Id::fly_button));
    EXPECT_EQ(p.camera().zoom_deg, 45.0f);
    EXPECT_EQ(p.session.ticks(), 0);
    EXPECT_EQ(p.session.tick_interval_ms(), 1);
    EXPECT_FALSE(p.session.flying());
    EXPECT_EQ(text(p.w, Id::observer_x_box), "-50");
    EXPECT_EQ(text(p.w, Id::observer_y_box), "-50");
    EXPECT_EQ(text(p.w, Id::observer_z_box), "50");
    EXPECT_NEAR(p.camera().azimuth_deg, 45.0, 1e-3);
    EXPECT_NEAR(p.camera().depression_deg, 35.264, 1e-3);
    EXPECT_EQ(p.s.Z, 1.02f);
}

// Set-up resets the flight under a running timer: the next tick would integrate
// from the old flight's clock to the new start in one step of the whole flight
// time and stop with a false stall.
TEST(SetUp, OkDuringAFlightStopsItFirstAndFlyStartsTheNewOne) {
    Program p;
    p.fly(Id::upwind_option, 1500, 0.01);  // 15 s of flight
    ASSERT_TRUE(p.session.flying());
    p.press(Id::ok_button);
    EXPECT_FALSE(p.session.flying());
    EXPECT_TRUE(p.w.message.empty()) << p.w.message;  // a stop the user asked for
    EXPECT_TRUE(visible(p.w, Id::fly_button));
    EXPECT_EQ(p.session.ticks(), 0);
    EXPECT_EQ(p.s.Z, 1.02f);
    p.clock.set(30.0f);
    p.press(Id::fly_button);
    for (int k = 0; k < 200; ++k) p.tick_at(float(30.0 + k * 0.01));
    EXPECT_TRUE(p.session.flying()) << p.w.message;
    EXPECT_EQ(p.session.ticks(), 200);
    EXPECT_NEAR(p.s.t, 1.99, 1e-4);
    EXPECT_LT(p.s.dt, 0.011f);
}

TEST(SetUp, DownwindObserverTakesTheHeightInForce) {
    Program p;
    p.fly(Id::upwind_option, 300, 0.01);  // the bird ends at some height
    p.press(Id::stop_button);
    const float Z = p.s.Z;
    p.press(Id::downwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(text(p.w, Id::observer_x_box), "0");
    EXPECT_EQ(text(p.w, Id::observer_y_box), "5");
    EXPECT_EQ(p.camera().z_eye, float(double(Z) + 2.0));
    EXPECT_EQ(p.camera().z_aim, Z);
    EXPECT_EQ(p.s.Z, 1.7f);  // then it waits at the start height
}

TEST(SetUp, FixedViewTakesTheTypedObserver) {
    Program p;
    p.type(Id::observer_x_box, "2");
    p.type(Id::observer_y_box, "-4");
    p.type(Id::observer_z_box, "one");
    p.press(Id::ok_button);
    EXPECT_EQ(p.camera().x_eye, 2.0f);
    EXPECT_EQ(p.camera().y_eye, -4.0f);
    EXPECT_EQ(p.camera().z_eye, 0.0f);
    EXPECT_EQ(text(p.w, Id::observer_z_box), "0");
}

TEST(Draw, WindFigureInEveryViewButFixedAndCircleZoom) {
    Program p;
    p.press(Id::crosswind_option);
    p.press(Id::ok_button);
    p.session.draw_bird_now();
    bool figure = false;
    for (const Primitive& pr : p.pic.primitives()) figure |= pr.colour == palette_colour(4);
    EXPECT_TRUE(figure);
    p.press(Id::stop_button);
    p.press(Id::circle_zoom_option);
    p.press(Id::ok_button);
    p.session.draw_bird_now();
    for (const Primitive& pr : p.pic.primitives()) EXPECT_NE(pr.colour, palette_colour(4));
}

TEST(ZoomPanReset, FixedViewRedrawsAtOnce) {
    Program p;
    p.press(Id::ok_button);
    const long clears = p.pic.clears();
    p.press(Id::zoom_in_button);
    EXPECT_EQ(p.camera().zoom_deg, 40.5f);
    EXPECT_GT(p.pic.clears(), clears);
    p.press(Id::pan_up_button);
    EXPECT_EQ(text(p.w, Id::pitch_box), "7");
    p.press(Id::pan_left_button);
    EXPECT_EQ(text(p.w, Id::yaw_box), "10");  // roll 0: "<" lowers the yaw by 10
    p.session.reset_view();
    EXPECT_EQ(text(p.w, Id::pitch_box), "0");
    EXPECT_EQ(text(p.w, Id::roll_box), "57");
    EXPECT_EQ(text(p.w, Id::yaw_box), "-90");
    EXPECT_EQ(p.pose().attitude.roll, -57.0f);
    EXPECT_EQ(p.pose().attitude.yaw, 90.0f);
    p.press(Id::pan_left_button);
    EXPECT_EQ(text(p.w, Id::yaw_box), "-100");
}

TEST(ZoomPanReset, MovingViewZoomWaitsForTheNextTick) {
    Program p;
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    const long clears = p.pic.clears();
    for (int i = 0; i < 3; ++i) p.press(Id::zoom_in_button);
    EXPECT_NEAR(p.camera().dx_follow, -4.287, 1e-3);
    EXPECT_EQ(p.camera().zoom_deg, 45.0f);
    EXPECT_EQ(p.pic.clears(), clears);
    p.press(Id::pan_up_button);
    EXPECT_NEAR(p.camera().dz_follow, 2 * 0.95 * 0.95 * 0.95 * 1.1, 1e-5);
}

TEST(WriteToFile, TickingTheBoxWritesTheFilesAtTheNextDrawing) {
    Program p;
    p.session.set_check(Id::write_files_box, 1);
    EXPECT_TRUE(p.session.writing_files());
    p.press(Id::ok_button);
    EXPECT_EQ(p.files.contents.size(), 8u);
    p.session.set_check(Id::write_files_box, 0);
    EXPECT_FALSE(p.session.writing_files());
}

TEST(WriteToFile, AFileThatCannotBeWrittenTurnsTheBoxOffAndSaysSo) {
    Program p;
    p.files.fail_on = "xyz_sp.txt";
    p.session.set_check(Id::write_files_box, 1);
    p.press(Id::ok_button);
    EXPECT_FALSE(p.session.writing_files());
    EXPECT_FALSE(checked(p.w, Id::write_files_box));
    EXPECT_NE(p.w.message.find("xyz_sp.txt"), std::string::npos) << p.w.message;
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the bird is drawn all the same
}

}  // namespace
}  // namespace soar
