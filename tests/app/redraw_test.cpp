#include <gtest/gtest.h>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

bool drew_in(const Program& p, Colour c) {
    for (const Primitive& pr : p.pic.primitives())
        if (pr.op == Primitive::Op::line && pr.colour == c) return true;
    return false;
}

TEST(SceneRedraw, ObserverFollowsTheBirdInTheMovingViews) {
    Program p;
    p.fly(Id::upwind_option, 30, 0.02);
    const Camera& c = p.camera();
    EXPECT_EQ(c.x_aim, p.s.X);
    EXPECT_EQ(c.y_aim, p.s.Y);
    EXPECT_EQ(c.z_aim, p.s.Z);
    EXPECT_EQ(c.x_eye, float(double(p.s.X) - 5.0));
    EXPECT_EQ(c.z_eye, float(double(p.s.Z) + 2.0));
    EXPECT_NEAR(c.azimuth_deg, 90.0, 1e-3);  // looking along +x
    EXPECT_NEAR(c.depression_deg, 21.8, 0.01);
}

TEST(SceneRedraw, TracksAreRecordedAndDrawnBehindTheNewestPoint) {
    Program p;
    p.fly(Id::downwind_option, 1, 0.02);
    EXPECT_EQ(p.session.scene().tracks.n, 1);
    EXPECT_FALSE(drew_in(p, palette_colour(2)));  // first tick: nothing of the track
    EXPECT_FALSE(drew_in(p, palette_colour(1)));
    for (int k = 2; k <= 60; ++k) p.tick_at(float((k - 1) * 0.02));
    EXPECT_EQ(p.session.scene().tracks.n, 60);
    EXPECT_EQ(p.session.scene().tracks.x[60], p.s.X);
    EXPECT_TRUE(drew_in(p, palette_colour(2)));   // ground track, green
    EXPECT_TRUE(drew_in(p, palette_colour(1)));   // air track, dark blue
    EXPECT_TRUE(drew_in(p, palette_colour(4)));   // wind figure, dark red
    EXPECT_TRUE(drew_in(p, rgb(125, 160, 225)));  // sky
}

TEST(SceneRedraw, UncheckedTrackBoxesRecordNothing) {
    Program p;
    p.press(Id::crosswind_option);
    p.press(Id::ground_track_box);
    p.press(Id::air_track_box);
    EXPECT_FALSE(checked(p.w, Id::air_track_box));
    p.press(Id::ok_button);
    p.clock.set(0);
    p.press(Id::fly_button);
    for (int k = 1; k <= 20; ++k) p.tick_at(float((k - 1) * 0.02));
    EXPECT_TRUE(p.session.scene().tracks.x.empty());
    EXPECT_FALSE(drew_in(p, palette_colour(2)));
}

TEST(SceneRedraw, NoWindFigureInTheCircleZoomOrProfileDemo) {
    Program p;
    p.fly(Id::circle_zoom_option, 10, 0.02);
    EXPECT_FALSE(drew_in(p, palette_colour(4)));
    Program q;
    q.session.choose_option(Id::profile_option);
    q.press(Id::ok_button);
    q.clock.set(0);
    q.press(Id::fly_button);
    for (int k = 1; k <= 10; ++k) q.tick_at(float((k - 1) * 0.02));
    EXPECT_TRUE(q.session.flying());
    EXPECT_FALSE(drew_in(q, palette_colour(4)));
    EXPECT_EQ(q.camera().x_eye, 0.0f);  // the profile observer does not follow
    EXPECT_EQ(q.camera().y_eye, -15.0f);
}

TEST(SceneRedraw, GridMovesInWholeCells) {
    Program p;
    p.session.set_check(Id::grid_box, 1);
    p.fly(Id::upwind_option, 5, 0.02);
    EXPECT_TRUE(drew_in(p, palette_colour(15)));
}

}  // namespace
}  // namespace soar
