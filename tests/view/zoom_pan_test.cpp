#include "view/zoom_pan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace soar {
namespace {

TEST(Zoom, ThreePressesInScaleTheDisplacement) {
    Camera s;
    s.dx_follow = -5, s.dz_follow = 2;
    for (int i = 0; i < 3; ++i) zoom_displacement(s, -1);
    EXPECT_NEAR(s.dx_follow, -5 * std::pow(0.95, 3), 1e-5);
}

TEST(Zoom, ViewAngleStepsAndStaysWhereThePictureIsValid) {
    Camera s;
    s.zoom_deg = 45;
    zoom_view_angle(s, -1);
    EXPECT_EQ(s.zoom_deg, 40.5f);
    s.zoom_deg = 45;
    zoom_view_angle(s, +1);
    EXPECT_EQ(s.zoom_deg, 49.5f);
    for (int i = 0; i < 100; ++i) zoom_view_angle(s, +1);
    EXPECT_LE(s.zoom_deg, kZoomMaxDeg);
    EXPECT_GT(std::tan(double(s.zoom_deg) * 0.017453277777777776), 0.0);
    for (int i = 0; i < 200; ++i) zoom_view_angle(s, -1);
    EXPECT_GE(s.zoom_deg, kZoomMinDeg);
}

TEST(Zoom, DisplacementNeverShrinksOntoTheBirdOrGrowsWithoutBound) {
    Camera s;
    s.dx_follow = -5, s.dz_follow = 2;
    for (int i = 0; i < 1000; ++i) zoom_displacement(s, -1);
    EXPECT_GE(std::hypot(s.dx_follow, s.dz_follow), kFollowMin);
    for (int i = 0; i < 1000; ++i) zoom_displacement(s, +1);
    EXPECT_LE(std::hypot(s.dx_follow, s.dz_follow), kFollowMax);
    for (int i = 0; i < 1000; ++i) pan_height(s, 1.1);
    EXPECT_LE(std::hypot(s.dx_follow, s.dz_follow), kFollowMax);
}

TEST(Pan, YawTurnsWithTheSignOfTheRoll) {
    Attitude s;
    s.yaw = 90;
    s.roll = -57;
    pan_yaw(s, -1);  // "<"
    EXPECT_EQ(s.yaw, 100.0f);
    s.roll = 57;
    pan_yaw(s, -1);
    EXPECT_EQ(s.yaw, 90.0f);
    s.roll = 0;
    pan_yaw(s, -1);
    EXPECT_EQ(s.yaw, 80.0f);
    pan_pitch(s, +1);
    EXPECT_EQ(s.pitch, 5.0f);
}

}  // namespace
}  // namespace soar
