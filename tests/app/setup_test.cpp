#include <gtest/gtest.h>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

TEST(SetUp, FixedViewDrawsTheBirdAndOffersNoFlight) {
    Program p;
    p.press(Id::cmd_setup);
    EXPECT_FALSE(visible(p.w, Id::cmd_RESUME));
    EXPECT_EQ(p.s.pitch_b, 2.0f);
    EXPECT_EQ(p.s.roll_b, -0.0f);
    EXPECT_EQ(p.s.bird_scale, 1.0f);
    EXPECT_EQ(p.s.xep, 0.0f);
    EXPECT_EQ(p.s.yep, -3.0f);
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the wire model
}

TEST(SetUp, UpwindPlacesTheObserverAndPreparesTheFlight) {
    Program p;
    p.press(Id::opt_upwind);
    EXPECT_FALSE(visible(p.w, Id::opt_fixed));
    EXPECT_FALSE(visible(p.w, Id::cmd_pan_Left));
    EXPECT_TRUE(visible(p.w, Id::chk_airtrack));
    p.s.zoom_deg = 60;
    p.press(Id::cmd_setup);
    EXPECT_TRUE(visible(p.w, Id::cmd_RESUME));
    EXPECT_EQ(p.s.zoom_deg, 45.0f);
    EXPECT_EQ(p.s.n_step, 0);
    EXPECT_EQ(p.w.timer.interval_ms, 1);
    EXPECT_FALSE(p.w.timer.enabled);
    EXPECT_EQ(text(p.w, Id::txt_xep), "-50");
    EXPECT_EQ(text(p.w, Id::txt_yep), "-50");
    EXPECT_EQ(text(p.w, Id::txt_zep), "50");
    EXPECT_NEAR(p.s.omedeg, 45.0, 1e-3);
    EXPECT_NEAR(p.s.sigdeg, 35.264, 1e-3);
    EXPECT_EQ(p.s.Z, 1.02f);
}

// Set-up resets the flight under a running timer: the next tick would integrate
// from the old flight's clock to the new start in one step of the whole flight
// time and stop with a false stall.
TEST(SetUp, OkDuringAFlightStopsItFirstAndFlyStartsTheNewOne) {
    Program p;
    p.fly(Id::opt_upwind, 1500, 0.01);  // 15 s of flight
    ASSERT_TRUE(p.w.timer.enabled);
    p.press(Id::cmd_setup);
    EXPECT_FALSE(p.w.timer.enabled);
    EXPECT_TRUE(p.w.message.empty()) << p.w.message;  // a stop the user asked for
    EXPECT_TRUE(visible(p.w, Id::cmd_RESUME));
    EXPECT_EQ(p.s.n_step, 0);
    EXPECT_EQ(p.s.Z, 1.02f);
    p.clock.set(30.0f);
    p.press(Id::cmd_RESUME);
    for (int k = 0; k < 200; ++k) p.tick_at(float(30.0 + k * 0.01));
    EXPECT_TRUE(p.w.timer.enabled) << p.w.message;
    EXPECT_EQ(p.s.n_step, 200);
    EXPECT_NEAR(p.s.t, 1.99, 1e-4);
    EXPECT_LT(p.s.dt, 0.011f);
}

TEST(SetUp, DownwindObserverTakesTheHeightInForce) {
    Program p;
    p.s.Z = 10;
    p.press(Id::opt_downwind);
    p.press(Id::cmd_setup);
    EXPECT_EQ(text(p.w, Id::txt_xep), "0");
    EXPECT_EQ(text(p.w, Id::txt_yep), "5");
    EXPECT_EQ(text(p.w, Id::txt_zep), "12");
    EXPECT_EQ(p.s.z_aim, 10.0f);
}

TEST(SetUp, FixedViewTakesTheTypedObserver) {
    Program p;
    p.w.controls[int(Id::txt_xep)].text = "2";
    p.w.controls[int(Id::txt_yep)].text = "-4";
    p.w.controls[int(Id::txt_zep)].text = "one";
    p.press(Id::cmd_setup);
    EXPECT_EQ(p.s.xep, 2.0f);
    EXPECT_EQ(p.s.yep, -4.0f);
    EXPECT_EQ(p.s.zep, 0.0f);
    EXPECT_EQ(text(p.w, Id::txt_zep), "0");
}

TEST(Draw, WindFigureInEveryViewButFixedAndCircleZoom) {
    Program p;
    p.press(Id::opt_crosswind);
    p.press(Id::cmd_setup);
    cmd_draw_Click(p.s, p.w, p.io);
    bool figure = false;
    for (const Primitive& pr : p.pic.primitives()) figure |= pr.colour == palette_colour(4);
    EXPECT_TRUE(figure);
    p.press(Id::cmd_STOP);
    p.press(Id::opt_circlezoom);
    p.press(Id::cmd_setup);
    cmd_draw_Click(p.s, p.w, p.io);
    for (const Primitive& pr : p.pic.primitives()) EXPECT_NE(pr.colour, palette_colour(4));
}

TEST(ZoomPanReset, FixedViewRedrawsAtOnce) {
    Program p;
    p.press(Id::cmd_setup);
    const long clears = p.pic.clears();
    p.press(Id::cmd_zoom_in);
    EXPECT_EQ(p.s.zoom_deg, 40.5f);
    EXPECT_GT(p.pic.clears(), clears);
    p.press(Id::cmd_pan_up);
    EXPECT_EQ(text(p.w, Id::txt_pitchup), "7");
    p.press(Id::cmd_pan_Left);
    EXPECT_EQ(text(p.w, Id::txt_yawR), "10");  // roll 0: "<" lowers the yaw by 10
    cmd_reset_Click(p.s, p.w, p.io);
    EXPECT_EQ(text(p.w, Id::txt_pitchup), "0");
    EXPECT_EQ(text(p.w, Id::txt_rollR), "57");
    EXPECT_EQ(text(p.w, Id::txt_yawR), "-90");
    EXPECT_EQ(p.s.roll_b, -57.0f);
    EXPECT_EQ(p.s.yaw_b, 90.0f);
    p.press(Id::cmd_pan_Left);
    EXPECT_EQ(text(p.w, Id::txt_yawR), "-100");
}

TEST(ZoomPanReset, MovingViewZoomWaitsForTheNextTick) {
    Program p;
    p.press(Id::opt_upwind);
    p.press(Id::cmd_setup);
    const long clears = p.pic.clears();
    for (int i = 0; i < 3; ++i) p.press(Id::cmd_zoom_in);
    EXPECT_NEAR(p.s.dx_ob, -4.287, 1e-3);
    EXPECT_EQ(p.s.zoom_deg, 45.0f);
    EXPECT_EQ(p.pic.clears(), clears);
    p.press(Id::cmd_pan_up);
    EXPECT_NEAR(p.s.dz_ob, 2 * 0.95 * 0.95 * 0.95 * 1.1, 1e-5);
}

TEST(WriteToFile, TickingTheBoxWritesTheFilesAtTheNextDrawing) {
    Program p;
    set_check(p.s, p.w, p.io, Id::chk_write, 1);
    EXPECT_EQ(p.s.write_flag, 1);
    p.press(Id::cmd_setup);
    EXPECT_EQ(p.files.contents.size(), 8u);
    set_check(p.s, p.w, p.io, Id::chk_write, 0);
    EXPECT_EQ(p.s.write_flag, 0);
}

TEST(WriteToFile, AFileThatCannotBeWrittenTurnsTheBoxOffAndSaysSo) {
    Program p;
    p.files.fail_on = "xyz_sp.txt";
    set_check(p.s, p.w, p.io, Id::chk_write, 1);
    p.press(Id::cmd_setup);
    EXPECT_EQ(p.s.write_flag, 0);
    EXPECT_FALSE(checked(p.w, Id::chk_write));
    EXPECT_NE(p.w.message.find("xyz_sp.txt"), std::string::npos) << p.w.message;
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the bird is drawn all the same
}

}  // namespace
}  // namespace soar
