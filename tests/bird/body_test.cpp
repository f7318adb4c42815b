#include "bird/body.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/constants.h"

namespace soar {
namespace {

TEST(BodyStation, EndsCloseAndPiecesJoin) {
    BirdModel s;
    const BodySection tip = body_station(s, 0.0f);
    EXPECT_NEAR(tip.w, 0.0f, 1e-9);
    EXPECT_LT(tip.z_top, tip.z_bot);  // the bill's lines cross just short of the tip
    EXPECT_NEAR(tip.z_top, tip.z_bot, 0.002);
    const BodySection tail = body_station(s, 1.0f);
    EXPECT_NEAR(tail.w, 0.0f, 1e-8);
    EXPECT_GT(tail.z_top, 0.0f);
    EXPECT_LT(tail.z_top, 0.005f);
    EXPECT_LT(tail.z_bot, 0.0f);
    EXPECT_GT(tail.z_bot, -0.005f);
    EXPECT_EQ(s.x_bill, 0.14f);
    EXPECT_EQ(s.x_tailc, 0.8f);

    // Bill shaping ends at 0.14, the tail fan starts at 0.8, the tail closes from
    // 0.96: the outline must not jump there.
    for (float x0 : {0.14f, 0.8f, 0.96f}) {
        const BodySection a = body_station(s, x0 - 1e-4f), b = body_station(s, x0);
        EXPECT_NEAR(a.w, b.w, 2e-4) << x0;
        EXPECT_NEAR(a.z_top, b.z_top, 2e-4) << x0;
        EXPECT_NEAR(a.z_c, b.z_c, 2e-4) << x0;
        EXPECT_NEAR(a.z_bot, b.z_bot, 2e-4) << x0;
    }
}

TEST(BodyRayPoint, HitsTheOutlineAlongTheRay) {
    BirdModel s;
    const BodySection c = body_station(s, 0.45f);
    const BodyPoint side = body_ray_point(c, 0.0f);
    EXPECT_EQ(side.Y, c.w);
    EXPECT_EQ(side.Z, c.z_c);
    EXPECT_NEAR(body_ray_point(c, k::half_pi_f).Y, 0.0f, 1e-5);
    EXPECT_NEAR(body_ray_point(c, k::half_pi_f).Z, c.z_top, 1e-6);
    EXPECT_NEAR(body_ray_point(c, -k::half_pi_f).Y, 0.0f, 1e-5);
    EXPECT_NEAR(body_ray_point(c, -k::half_pi_f).Z, c.z_bot, 1e-6);

    for (float phi : {-1.2f, -0.6f, -0.1f, 0.1f, 0.7f, 1.3f}) {
        const BodyPoint p = body_ray_point(c, phi);
        const double t = std::tan(phi);
        EXPECT_NEAR((p.Z - double(c.z_c)) / p.Y, t, 1e-4 * (1 + std::fabs(t))) << phi;
        const double a = phi > 0 ? double(c.z_top) - c.z_c : double(c.z_c) - c.z_bot;
        const double u = p.Y / double(c.w), v = (p.Z - double(c.z_c)) / a;
        EXPECT_NEAR(u * u + v * v, 1.0, 1e-5) << phi;
    }
}

TEST(BodyOutlines, ProfilePlanAndEye) {
    BirdModel s;
    body_profile(s);
    ASSERT_EQ(s.n_prof, 130);
    const BodySection tip = body_station(s, 0.0f);
    EXPECT_EQ(s.x_prof(1), 0.0f);
    EXPECT_EQ(s.z_prof(1), tip.z_top);
    EXPECT_NEAR(s.x_prof(130), 0.0f, 1e-6);
    EXPECT_NEAR(s.z_prof(130), tip.z_bot, 1e-5);
    EXPECT_GT(s.x_prof(65), 0.999f);
    EXPECT_EQ(s.z_prof(65), body_station(s, s.x_prof(65)).z_top);  // still on the back

    body_plan(s);
    ASSERT_EQ(s.n_plan, 130);
    EXPECT_EQ(s.x_plan(130), 1.0f);
    EXPECT_NEAR(s.x_plan(65), 0.5f, 0.02f);
    const BodySection mid = body_station(s, s.x_plan(65));
    EXPECT_EQ(s.y_plan(65), mid.w);
    EXPECT_EQ(s.z_plan(65), mid.z_c);

    bird_eye(s);
    ASSERT_EQ(s.n_eye, 30);
    EXPECT_FLOAT_EQ(s.x_eye(1), 0.148f);
    EXPECT_FLOAT_EQ(s.z_eye(1), -0.045f);
    for (int i = 1; i <= 30; ++i) {
        const double r = std::hypot(s.x_eye(i) - 0.14, s.z_eye(i) + 0.045);
        EXPECT_NEAR(r, i <= 10 ? 0.008 : i < 20 ? 0.008 * 2 / 3 : 0.008 / 3, 1e-6) << i;
        // On the lower side of the head, near its widest line.
        const BodySection c = body_station(s, s.x_eye(i));
        EXPECT_GT(s.y_eye(i), 0.9f * c.w) << i;
    }
}

}  // namespace
}  // namespace soar
