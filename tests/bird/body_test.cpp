#include "bird/body.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/constants.h"

namespace soar {
namespace {

// How far (Y, Z) is from the section's outline: 0 on the half-ellipse.
double ellipse_residual(const BodySection& c, float Y, float Z) {
    const double a = Z >= c.z_c ? double(c.z_top) - c.z_c : double(c.z_c) - c.z_bot;
    const double u = Y / double(c.w), v = (Z - double(c.z_c)) / a;
    return u * u + v * v - 1.0;
}

TEST(BodyStation, ClosesToAPointAtBillTipAndTailEnd) {
    State s;
    const BodySection tip = body_station(s, 0.0f);
    EXPECT_NEAR(tip.w, 0.0f, 1e-9);
    EXPECT_LT(tip.z_top, tip.z_bot);  // the bill's two lines cross just short of the tip
    EXPECT_NEAR(tip.z_top, tip.z_bot, 0.002);

    const BodySection tail = body_station(s, 1.0f);
    EXPECT_NEAR(tail.w, 0.0f, 1e-8);
    EXPECT_GT(tail.z_top, 0.0f);
    EXPECT_LT(tail.z_bot, 0.0f);
    EXPECT_LT(tail.z_top, 0.005f);
    EXPECT_GT(tail.z_bot, -0.005f);

    EXPECT_EQ(s.x_bill, 0.14f);
    EXPECT_EQ(s.x_tailc, 0.8f);
}

TEST(BodyStation, ShapeIsContinuousAcrossItsPieces) {
    // Bill shaping ends at 0.14, the tail fan starts at 0.8, tail closure at 0.96:
    // the outline must not jump there.
    State s;
    for (float x0 : {0.14f, 0.8f, 0.96f}) {
        const BodySection a = body_station(s, x0 - 1e-4f);
        const BodySection b = body_station(s, x0);
        EXPECT_NEAR(a.w, b.w, 2e-4) << "x = " << x0;
        EXPECT_NEAR(a.z_top, b.z_top, 2e-4) << "x = " << x0;
        EXPECT_NEAR(a.z_c, b.z_c, 2e-4) << "x = " << x0;
        EXPECT_NEAR(a.z_bot, b.z_bot, 2e-4) << "x = " << x0;
    }
}

TEST(BodyStation, TrunkIsAnOrderedSection) {
    State s;
    for (int i = 1; i < 100; ++i) {
        const float x = float(i) / 100.0f;
        const BodySection c = body_station(s, x);
        EXPECT_GT(c.w, 0.0f) << x;
        if (x > 0.05f) {
            EXPECT_GT(c.z_top, c.z_c) << x;
            EXPECT_GT(c.z_c, c.z_bot) << x;
        }
    }
    // The trunk is widest and deepest around the wing root, the head narrower.
    EXPECT_GT(body_station(s, 0.5f).w, body_station(s, 0.15f).w);
    EXPECT_GT(body_station(s, 0.5f).z_top - body_station(s, 0.5f).z_bot, 0.15f);
}

TEST(BodyRayPoint, LevelRayHitsTheWidestPoint) {
    State s;
    for (float x : {0.1f, 0.3f, 0.6f, 0.9f}) {
        const BodySection c = body_station(s, x);
        const BodyPoint p = body_ray_point(c, 0.0f);
        EXPECT_EQ(p.Y, c.w);
        EXPECT_EQ(p.Z, c.z_c);
    }
}

TEST(BodyRayPoint, SteepRaysReachTopAndBottom) {
    State s;
    const BodySection c = body_station(s, 0.4f);
    const BodyPoint up = body_ray_point(c, k::half_pi_f);
    EXPECT_NEAR(up.Y, 0.0f, 1e-5);
    EXPECT_NEAR(up.Z, c.z_top, 1e-6);
    const BodyPoint down = body_ray_point(c, -k::half_pi_f);
    EXPECT_NEAR(down.Y, 0.0f, 1e-5);
    EXPECT_NEAR(down.Z, c.z_bot, 1e-6);
}

TEST(BodyRayPoint, PointIsOnTheRayAndOnTheOutline) {
    State s;
    const BodySection c = body_station(s, 0.45f);
    for (float phi : {-1.2f, -0.6f, -0.1f, 0.1f, 0.7f, 1.3f}) {
        const BodyPoint p = body_ray_point(c, phi);
        EXPECT_GT(p.Y, 0.0f);
        EXPECT_NEAR((p.Z - double(c.z_c)) / p.Y, std::tan(phi),
                    1e-4 * (1 + std::fabs(std::tan(phi))))
            << phi;
        EXPECT_NEAR(ellipse_residual(c, p.Y, p.Z), 0.0, 1e-5) << phi;
        EXPECT_EQ(p.Z > c.z_c, phi > 0.0f) << phi;
    }
}

TEST(BodyProfile, BackOutThenBellyHome) {
    State s;
    body_profile(s);
    ASSERT_EQ(s.n_prof, 130);
    EXPECT_EQ(s.x_prof.lo(), 1);
    EXPECT_EQ(s.x_prof.hi(), 130);
    EXPECT_EQ(s.z_prof.hi(), 130);

    const BodySection tip = body_station(s, 0.0f);
    EXPECT_EQ(s.x_prof(1), 0.0f);
    EXPECT_EQ(s.z_prof(1), tip.z_top);
    EXPECT_NEAR(s.x_prof(130), 0.0f, 1e-6);
    EXPECT_NEAR(s.z_prof(130), tip.z_bot, 1e-5);

    EXPECT_GT(s.x_prof(65), 0.999f);
    EXPECT_EQ(s.z_prof(65), body_station(s, s.x_prof(65)).z_top);
    for (int i = 1; i <= 130; ++i) {
        EXPECT_EQ(s.y_prof(i), 0.0f);
        const BodySection c = body_station(s, s.x_prof(i));
        EXPECT_EQ(s.z_prof(i), i <= 65 ? c.z_top : c.z_bot) << i;
    }
}

TEST(BodyPlan, WidestLineFromBillToTail) {
    State s;
    body_plan(s);
    ASSERT_EQ(s.n_plan, 130);
    EXPECT_EQ(s.y_plan.lo(), 1);
    EXPECT_EQ(s.y_plan.hi(), 130);
    EXPECT_EQ(s.x_plan(1), 0.0f);
    EXPECT_EQ(s.x_plan(130), 1.0f);
    for (int i = 2; i <= 130; ++i) EXPECT_GT(s.x_plan(i), s.x_plan(i - 1)) << i;

    EXPECT_NEAR(s.x_plan(65), 0.5f, 0.02f);
    const BodySection mid = body_station(s, s.x_plan(65));
    EXPECT_EQ(s.y_plan(65), mid.w);
    EXPECT_EQ(s.z_plan(65), mid.z_c);
}

TEST(BirdEye, ThreeRingsOnTheSideOfTheHead) {
    State s;
    bird_eye(s);
    EXPECT_EQ(s.x_eye_c, 0.14f);
    EXPECT_EQ(s.z_eye_c, -0.045f);
    EXPECT_EQ(s.r_eye, 0.008f);
    ASSERT_EQ(s.n_eye, 30);
    EXPECT_EQ(s.x_eye.hi(), 30);

    EXPECT_FLOAT_EQ(s.x_eye(1), 0.148f);
    EXPECT_FLOAT_EQ(s.z_eye(1), -0.045f);
    for (int i = 1; i <= 30; ++i) {
        const double r = std::hypot(s.x_eye(i) - 0.14, s.z_eye(i) + 0.045);
        const double want = i <= 10 ? 0.008 : i < 20 ? 0.008 * 2 / 3 : 0.008 / 3;
        EXPECT_NEAR(r, want, 1e-6) << i;
        // On the head's surface 10 degrees below its centre line, at the ring's x.
        const BodySection c = body_station(s, s.x_eye(i));
        const float phi = float(-(10.0 / 90.0) * k::half_pi);
        EXPECT_EQ(s.y_eye(i), body_ray_point(c, phi).Y) << i;
        EXPECT_GT(s.y_eye(i), 0.9f * c.w) << i;
    }
}

}  // namespace
}  // namespace soar
