#include "bird/wing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bird/body.h"
#include "bird/build.h"
#include "sim/constants.h"

namespace soar {
namespace {

// 0 when (Y, Z) lies on the body's outline at station x.
double body_residual(BirdModel& s, float x, float Y, float Z) {
    const BodySection c = body_station(s, x);
    const double a = Z >= c.z_c ? double(c.z_top) - c.z_c : double(c.z_c) - c.z_bot;
    const double u = Y / double(c.w), v = (Z - double(c.z_c)) / a;
    return u * u + v * v - 1.0;
}

TEST(WingStation, PlanformAndDroop) {
    BirdModel s;
    const float c_0 = float(11.2 / 50.26544);
    for (float eta : {0.0f, 0.3f, 0.549f}) EXPECT_EQ(wing_station(s, eta).ch, c_0) << eta;
    EXPECT_LT(wing_station(s, 0.9f).ch, wing_station(s, 0.7f).ch);
    EXPECT_EQ(wing_station(s, 0.515f).y, float(1.4 * 0.515f));
    const WingStation tip = wing_station(s, 1.0f);
    EXPECT_EQ(tip.ch, 0.0f);
    EXPECT_EQ(tip.x_ref, 0.55f);
    EXPECT_EQ(tip.z_d, -0.2f);
    EXPECT_EQ(tip.y, 1.4f);
    s.droop_off = 1;
    for (float eta : {0.1f, 0.5f, 1.0f}) EXPECT_EQ(wing_station(s, eta).z_d, 0.0f) << eta;
}

TEST(WingSectionPoint, CamberedSectionWithSharpEdges) {
    BirdModel s;
    const WingStation w = wing_station(s, 0.3f);
    const double x_le = double(w.x_ref) - 0.5 * w.ch;
    const WingPoint te = wing_section_point(w, 0.0f), le = wing_section_point(w, k::pi_f);
    EXPECT_NEAR(te.X, x_le + w.ch, 1e-6);
    EXPECT_NEAR(le.X, x_le, 1e-6);
    EXPECT_NEAR(te.Z, w.z_d, 1e-6);
    EXPECT_NEAR(le.Z, w.z_d, 1e-5);
    // Mid-chord: even the lower surface lies above the chord line.
    const WingPoint up = wing_section_point(w, float(k::half_pi));
    const WingPoint lo = wing_section_point(w, float(3 * k::half_pi));
    EXPECT_GT(up.Z, lo.Z);
    EXPECT_GT(lo.Z, w.z_d + 0.05f * w.ch);

    // At theta = pi the rounded X can fall a hair ahead of the leading edge (f < 0):
    // no thickness there, not a NaN.
    const WingStation odd{0.5f, 0.33f, 0.5f, 0.0f, 0.16f};
    const WingPoint p = wing_section_point(odd, k::pi_f);
    EXPECT_LT(p.X, float(0.33f - 0.5 * 0.16f));
    EXPECT_EQ(p.Z, 0.0f);
}

TEST(WingSections, RootOnTheBodyOuterSectionClosed) {
    BirdModel s;
    wing_sections(s);
    for (int g = 1; g <= 39; ++g)
        EXPECT_NEAR(body_residual(s, s.x_wing(1, g), s.y_wing(1, g), s.z_wing(1, g)), 0.0, 1e-4)
            << g;
    EXPECT_NEAR(s.x_wing(1, 39), s.x_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.z_wing(1, 39), s.z_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.x_te_root, s.x_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.z_te_root, s.z_wing(1, 1), 1e-4);
    EXPECT_EQ(s.x_le_root, s.x_wing(1, 20));
    EXPECT_EQ(s.z_le_root, s.z_wing(1, 20));
    EXPECT_EQ(s.x_sp_root, s.x_wing(1, 13));
    EXPECT_EQ(s.z_sp_root, s.z_wing(1, 13));
    EXPECT_LT(s.x_le_root, s.x_sp_root);
    EXPECT_LT(s.x_sp_root, s.x_te_root);

    const WingStation w = wing_station(s, 0.515f);
    EXPECT_NEAR(s.z_wing(2, 1), w.z_d, 1e-6);
    EXPECT_NEAR(s.z_wing(2, 20), w.z_d, 1e-5);
    EXPECT_NEAR(s.x_wing(2, 39), s.x_wing(2, 1), 1e-6);
    EXPECT_NEAR(s.z_wing(2, 39), s.z_wing(2, 1), 1e-6);
}

TEST(WingOutline, OutAlongTrailingEdgeBackAlongLeadingEdge) {
    BirdModel s;
    bird_build(s);
    for (int i = 2; i <= 15; ++i) {
        EXPECT_GT(s.y_wout(i), s.y_wout(i - 1)) << i;
        EXPECT_GT(s.x_wout(i), s.x_wout(31 - i)) << i;  // trailing edge aft of leading edge
    }
    EXPECT_GT(s.y_wout(15), 1.39f);
}

TEST(WingSpar, UpperSurfaceThenTipUnderside) {
    BirdModel s;
    bird_build(s);
    for (int i = 2; i <= 12; ++i) {
        EXPECT_GT(s.y_spar(i), s.y_spar(i - 1)) << i;
        EXPECT_GT(s.z_spar(i), wing_station(s, s.y_spar(i) / 1.4f).z_d) << i;
    }
    const WingStation w13 = wing_station(s, s.y_spar(13) / 1.4f);
    EXPECT_LT(s.z_spar(13), wing_section_point(w13, float(3.3 / 5.0 * k::pi)).Z);
}

TEST(BodySections, HalfRingsFromBellyToBack) {
    BirdModel s;
    bird_build(s);
    EXPECT_EQ(s.x_bsec(2, 1), 0.09f);
    EXPECT_EQ(s.x_bsec(3, 1), 0.3f);
    EXPECT_EQ(s.x_bsec(4, 1), s.x_sp_root);
    EXPECT_GT(s.x_bsec(6, 1), s.x_bsec(5, 1));
    EXPECT_GT(s.x_bsec(5, 1), s.x_te_root);
    for (int i = 1; i <= 6; ++i) {
        const BodySection c = body_station(s, s.x_bsec(i, 1));
        EXPECT_EQ(s.x_bsec(i, 27), s.x_bsec(i, 1));
        EXPECT_NEAR(s.y_bsec(i, 1), 0.0f, 1e-6);
        EXPECT_NEAR(s.z_bsec(i, 1), c.z_bot, 1e-6);
        EXPECT_FLOAT_EQ(s.y_bsec(i, 14), c.w);
        EXPECT_FLOAT_EQ(s.z_bsec(i, 14), c.z_c);
        EXPECT_NEAR(s.y_bsec(i, 27), 0.0f, 1e-6);
        EXPECT_NEAR(s.z_bsec(i, 27), c.z_top, 1e-6);
        for (int j = 2; j <= 27; ++j)
            EXPECT_GT(s.z_bsec(i, j), s.z_bsec(i, j - 1)) << i << "," << j;
    }
}

}  // namespace
}  // namespace soar
