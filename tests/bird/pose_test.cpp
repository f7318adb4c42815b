#include "bird/pose.h"

#include <gtest/gtest.h>

#include <cmath>

namespace soar {
namespace {

TEST(BirdScalePoint, MetresAboutMidBody) {
    float x = 0.5f, y = 0.0f, z = -0.04f;
    bird_scale_point(1.0f, x, y, z);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_NEAR(z, 0.0f, 1e-8);
    float bx = 0.0f, by = 1.4f, bz = 0.0f;  // bill tip level, wing tip span
    bird_scale_point(1.0f, bx, by, bz);
    EXPECT_EQ(bx, -0.625f);
    EXPECT_EQ(by, 1.75f);
    EXPECT_FLOAT_EQ(bz, 0.05f);
    float tx = 1.0f, ty = 0.0f, tz = 0.0f;
    bird_scale_point(2.0f, tx, ty, tz);
    EXPECT_EQ(tx, 1.25f);
}

TEST(BirdGradedRoll, HeadLevelTrunkRolledTailPartly) {
    EXPECT_EQ(bird_graded_roll(30.0f, -0.5f), 0.0);
    EXPECT_EQ(bird_graded_roll(30.0f, 0.0f), 30.0);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3f), 15.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.6f), 30.0 * (0.6 * std::exp(-3.2) + 0.4), 1e-5);
    // The neck and tail blends meet their neighbours without a jump.
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3999f), 0.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.2f), 30.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.2001f), 30.0, 1e-4);
}

TEST(BirdAttitude, RotationConventions) {
    Attitude s;
    const Rotated level = BirdAttitude(s).rotate(0.3f, -0.7f, 0.11f);
    EXPECT_EQ(level.x, 0.3f);
    EXPECT_EQ(level.y, -0.7f);
    EXPECT_EQ(level.z, 0.11f);
    s.roll = 90.0f;  // right wing up at the trunk, head not rolled
    EXPECT_NEAR(BirdAttitude(s).rotate(0.0f, 1.0f, 0.0f).z, 1.0f, 1e-6);
    EXPECT_EQ(BirdAttitude(s).rotate(-0.5f, 1.0f, 0.0f).z, 0.0f);
    s.roll = 0.0f, s.pitch = 90.0f;  // nose up: the bill (x < 0) rises
    EXPECT_NEAR(BirdAttitude(s).rotate(-0.5f, 0.0f, 0.0f).z, 0.5f, 1e-6);
    s.pitch = 0.0f, s.yaw = 90.0f;  // x turns into y
    EXPECT_NEAR(BirdAttitude(s).rotate(0.5f, 0.0f, 0.0f).y, 0.5f, 1e-6);
}

}  // namespace
}  // namespace soar
