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
    p.fly(Id::opt_upwind, 30, 0.02);
    EXPECT_EQ(p.s.x_aim, p.s.X);
    EXPECT_EQ(p.s.y_aim, p.s.Y);
    EXPECT_EQ(p.s.z_aim, p.s.Z);
    EXPECT_EQ(p.s.xep, float(double(p.s.X) - 5.0));
    EXPECT_EQ(p.s.zep, float(double(p.s.Z) + 2.0));
    EXPECT_NEAR(p.s.omedeg, 90.0, 1e-3);  // looking along +x
    EXPECT_NEAR(p.s.sigdeg, 21.8, 0.01);
}

TEST(SceneRedraw, TracksAreRecordedAndDrawnBehindTheNewestPoint) {
    Program p;
    p.fly(Id::opt_downwind, 1, 0.02);
    EXPECT_EQ(p.s.n_trk, 1);
    EXPECT_FALSE(drew_in(p, palette_colour(2)));  // first tick: nothing of the track
    EXPECT_FALSE(drew_in(p, palette_colour(1)));
    for (int k = 2; k <= 60; ++k) p.tick_at(float((k - 1) * 0.02));
    EXPECT_EQ(p.s.n_trk, 60);
    EXPECT_EQ(p.s.x_trk[60], p.s.X);
    EXPECT_TRUE(drew_in(p, palette_colour(2)));   // ground track, green
    EXPECT_TRUE(drew_in(p, palette_colour(1)));   // air track, dark blue
    EXPECT_TRUE(drew_in(p, palette_colour(4)));   // wind figure, dark red
    EXPECT_TRUE(drew_in(p, rgb(125, 160, 225)));  // sky
}

TEST(SceneRedraw, UncheckedTrackBoxesRecordNothing) {
    Program p;
    p.press(Id::opt_crosswind);
    p.press(Id::chk_groundtrack);
    p.press(Id::chk_airtrack);
    EXPECT_FALSE(checked(p.w, Id::chk_airtrack));
    p.press(Id::cmd_setup);
    p.clock.set(0);
    p.press(Id::cmd_RESUME);
    for (int k = 1; k <= 20; ++k) p.tick_at(float((k - 1) * 0.02));
    EXPECT_TRUE(p.s.x_trk.empty());
    EXPECT_FALSE(drew_in(p, palette_colour(2)));
}

TEST(SceneRedraw, NoWindFigureInTheCircleZoomOrProfileDemo) {
    Program p;
    p.fly(Id::opt_circlezoom, 10, 0.02);
    EXPECT_FALSE(drew_in(p, palette_colour(4)));
    Program q;
    choose_option(q.s, q.w, q.io, Id::opt_profile);
    q.press(Id::cmd_setup);
    q.clock.set(0);
    q.press(Id::cmd_RESUME);
    for (int k = 1; k <= 10; ++k) q.tick_at(float((k - 1) * 0.02));
    EXPECT_TRUE(q.w.timer.enabled);
    EXPECT_FALSE(drew_in(q, palette_colour(4)));
    EXPECT_EQ(q.s.xep, 0.0f);  // the profile observer does not follow
    EXPECT_EQ(q.s.yep, -15.0f);
}

TEST(SceneRedraw, GridMovesInWholeCells) {
    Program p;
    set_check(p.s, p.w, p.io, Id::chk_grid, 1);
    p.fly(Id::opt_upwind, 5, 0.02);
    EXPECT_TRUE(drew_in(p, palette_colour(15)));
    EXPECT_EQ(p.s.x_shift, 0.0f);  // set back to 0 before the wind figure
}

}  // namespace
}  // namespace soar
