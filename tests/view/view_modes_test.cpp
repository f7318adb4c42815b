#include "view/view_modes.h"

#include <gtest/gtest.h>

namespace soar {
namespace {

TEST(ViewModes, EachModePlacesObserverAimAndFigure) {
    struct Case {
        Mode mode;
        float dx, dy, dz, xep, yep, zep, x_aim, z_aim, x_wp_off;
    } cases[] = {
        // Downwind: the observer starts along +y (its y takes dx_ob), the aim at the bird's height.
        {Mode::downwind, 5, 0, 2, 0, 5, 12, 0, 10, -50},
        {Mode::circlezoom, -5, 0, 2, -200, -200, 50, 0, 10, -50},
        {Mode::upwind, -5, 0, 2, -50, -50, 50, 0, 0, 25},
        {Mode::crosswind, 0, -5, 2, -50, -50, 50, 0, 0, -50},
    };
    for (const Case& c : cases) {
        State s;
        s.Z = 10;
        s.y_wp_pos = 3;
        view_mode_place(s, c.mode);
        EXPECT_EQ(s.dx_ob, c.dx) << int(c.mode);
        EXPECT_EQ(s.dy_ob, c.dy) << int(c.mode);
        EXPECT_EQ(s.dz_ob, c.dz) << int(c.mode);
        EXPECT_EQ(s.xep, c.xep) << int(c.mode);
        EXPECT_EQ(s.yep, c.yep) << int(c.mode);
        EXPECT_EQ(s.zep, c.zep) << int(c.mode);
        EXPECT_EQ(s.x_aim, c.x_aim) << int(c.mode);
        EXPECT_EQ(s.z_aim, c.z_aim) << int(c.mode);
        EXPECT_EQ(s.x_wp_off, c.x_wp_off) << int(c.mode);
        EXPECT_EQ(s.y_wp_pos, 0.0f) << int(c.mode);
    }
}

TEST(ViewModes, ProfileDemoWatchesFromTheSideAndKeepsTheDisplacement) {
    State s;
    s.Z = 1.7f;
    s.dx_ob = 7, s.dy_ob = 8, s.dz_ob = 9;
    view_mode_place(s, Mode::profile);
    EXPECT_EQ(s.xep, 0.0f);
    EXPECT_EQ(s.yep, -15.0f);
    EXPECT_EQ(s.zep, 10.0f);
    EXPECT_EQ(s.z_aim, 10.0f);
    EXPECT_EQ(s.x_shift, 8.0f);
    EXPECT_EQ(s.z_shift, 1.7f);
    EXPECT_EQ(s.yaw_b, 90.0f);
    EXPECT_EQ(s.roll_b, -57.0f);
    EXPECT_EQ(s.dx_ob, 7.0f);  // unchanged
}

TEST(ViewModes, FixedViewIsLeftToTheObserverBoxes) {
    State s;
    s.xep = 1, s.yep = 2, s.zep = 3, s.y_wp_pos = 4;
    view_mode_place(s, Mode::fixed);
    EXPECT_EQ(s.xep, 1.0f);
    EXPECT_EQ(s.y_wp_pos, 4.0f);
}

TEST(FollowRule, ObserverRidesAlongAtItsDisplacement) {
    State s;
    s.X = 100, s.Y = -20, s.Z = 3;
    s.dx_ob = -5, s.dy_ob = 0, s.dz_ob = 2;
    follow_bird(s);
    EXPECT_EQ(s.x_aim, 100.0f);
    EXPECT_EQ(s.x_shift, 100.0f);
    EXPECT_EQ(s.xep, 95.0f);
    EXPECT_EQ(s.yep, -20.0f);
    EXPECT_EQ(s.zep, 5.0f);
    EXPECT_EQ(s.z_shift, 3.0f);
}

}  // namespace
}  // namespace soar
