#include "view/view_modes.h"

#include <gtest/gtest.h>

namespace soar {
namespace {

TEST(ViewModes, EachModePlacesObserverAimAndFigure) {
    struct Case {
        Mode mode;
        float dx, dy, dz, x_eye, y_eye, z_eye, x_aim, z_aim, figure_x;
    } cases[] = {
        // Downwind: the observer starts along +y (its y takes the follow dx), the
        // aim at the bird's height.
        {Mode::downwind, 5, 0, 2, 0, 5, 12, 0, 10, -50},
        {Mode::circlezoom, -5, 0, 2, -200, -200, 50, 0, 10, -50},
        {Mode::upwind, -5, 0, 2, -50, -50, 50, 0, 0, 25},
        {Mode::crosswind, 0, -5, 2, -50, -50, 50, 0, 0, -50},
    };
    for (const Case& c : cases) {
        Camera cam;
        WindFigure figure;
        place_camera(cam, figure, c.mode, 10.0f);
        EXPECT_EQ(cam.dx_follow, c.dx) << int(c.mode);
        EXPECT_EQ(cam.dy_follow, c.dy) << int(c.mode);
        EXPECT_EQ(cam.dz_follow, c.dz) << int(c.mode);
        EXPECT_EQ(cam.x_eye, c.x_eye) << int(c.mode);
        EXPECT_EQ(cam.y_eye, c.y_eye) << int(c.mode);
        EXPECT_EQ(cam.z_eye, c.z_eye) << int(c.mode);
        EXPECT_EQ(cam.x_aim, c.x_aim) << int(c.mode);
        EXPECT_EQ(cam.z_aim, c.z_aim) << int(c.mode);
        EXPECT_EQ(figure.x_offset, c.figure_x) << int(c.mode);
    }
}

TEST(ViewModes, ProfileDemoWatchesFromTheSideAndKeepsTheDisplacement) {
    Camera cam;
    WindFigure figure;
    cam.dx_follow = 7, cam.dy_follow = 8, cam.dz_follow = 9;
    place_camera(cam, figure, Mode::profile, 1.7f);
    EXPECT_EQ(cam.x_eye, 0.0f);
    EXPECT_EQ(cam.y_eye, -15.0f);
    EXPECT_EQ(cam.z_eye, 10.0f);
    EXPECT_EQ(cam.z_aim, 10.0f);
    EXPECT_EQ(cam.dx_follow, 7.0f);  // unchanged
}

TEST(ViewModes, FixedViewIsLeftToTheObserverBoxes) {
    Camera cam;
    WindFigure figure;
    cam.x_eye = 1, cam.y_eye = 2, cam.z_eye = 3;
    figure.x_offset = 4;
    place_camera(cam, figure, Mode::fixed, 10.0f);
    EXPECT_EQ(cam.x_eye, 1.0f);
    EXPECT_EQ(figure.x_offset, 4.0f);
}

TEST(FollowRule, ObserverRidesAlongAtItsDisplacement) {
    Camera cam;
    cam.dx_follow = -5, cam.dy_follow = 0, cam.dz_follow = 2;
    const Shift shift = follow_bird(cam, 100, -20, 3);
    EXPECT_EQ(cam.x_aim, 100.0f);
    EXPECT_EQ(shift.x, 100.0f);
    EXPECT_EQ(cam.x_eye, 95.0f);
    EXPECT_EQ(cam.y_eye, -20.0f);
    EXPECT_EQ(cam.z_eye, 5.0f);
    EXPECT_EQ(shift.z, 3.0f);
}

}  // namespace
}  // namespace soar
