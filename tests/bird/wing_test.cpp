#include "bird/wing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bird/body.h"
#include "bird/build.h"
#include "sim/constants.h"

namespace soar {
namespace {

const float kC0 = float(11.2 / 50.26544);  // inner-wing chord

// Distance measure of (Y, Z) from the body's outline at station x: 0 on it.
double body_residual(State& s, float x, float Y, float Z) {
    const BodySection c = body_station(s, x);
    const double a = Z >= c.z_c ? double(c.z_top) - c.z_c : double(c.z_c) - c.z_bot;
    const double u = Y / double(c.w), v = (Z - double(c.z_c)) / a;
    return u * u + v * v - 1.0;
}

TEST(WingStation, PlanformAlongTheSpan) {
    State s;
    for (float eta : {0.0f, 0.08f, 0.3f, 0.515f, 0.549f}) {
        const WingStation w = wing_station(s, eta);
        EXPECT_EQ(w.ch, kC0) << eta;
        EXPECT_EQ(w.frac, 0.5f);
        EXPECT_EQ(w.y, float(1.4 * eta)) << eta;
    }
    float prev = kC0;
    for (float eta : {0.6f, 0.7f, 0.8f, 0.9f, 0.99f}) {
        const WingStation w = wing_station(s, eta);
        EXPECT_LT(w.ch, prev) << eta;  // the outer chord closes towards the tip
        EXPECT_EQ(w.y, float(1.4 * eta)) << eta;
        prev = w.ch;
    }
    const WingStation tip = wing_station(s, 1.0f);
    EXPECT_EQ(tip.ch, 0.0f);
    EXPECT_EQ(tip.x_ref, 0.55f);
    EXPECT_EQ(tip.z_d, -0.2f);
    EXPECT_EQ(tip.y, 1.4f);
}

TEST(WingStation, DroopOnlyWhileDroopIsOn) {
    State s;
    s.droop_off = 0;
    EXPECT_LT(wing_station(s, 0.5f).z_d, -0.04f);
    EXPECT_EQ(wing_station(s, 0.0f).z_d, 0.0f);
    s.droop_off = 1;
    for (float eta : {0.1f, 0.5f, 0.8f, 1.0f}) EXPECT_EQ(wing_station(s, eta).z_d, 0.0f) << eta;
}

TEST(WingSectionPoint, EdgesLieOnTheChordLine) {
    State s;
    const WingStation w = wing_station(s, 0.515f);
    const WingPoint te = wing_section_point(w, 0.0f);
    const WingPoint le = wing_section_point(w, k::pi_f);
    const double x_le = double(w.x_ref) - 0.5 * w.ch;
    EXPECT_NEAR(te.X, x_le + w.ch, 1e-6);
    EXPECT_NEAR(le.X, x_le, 1e-6);
    EXPECT_NEAR(te.Z, w.z_d, 1e-6);
    EXPECT_NEAR(le.Z, w.z_d, 1e-5);
    EXPECT_EQ(te.Y, w.y);
    EXPECT_EQ(le.Y, w.y);
}

TEST(WingSectionPoint, CamberedThinSection) {
    State s;
    const WingStation w = wing_station(s, 0.3f);
    // Mid-chord: upper and lower surface at the same x, both above the chord line.
    const WingPoint up = wing_section_point(w, float(k::half_pi));
    const WingPoint lo = wing_section_point(w, float(3 * k::half_pi));
    EXPECT_NEAR(up.X, lo.X, 1e-6);
    EXPECT_GT(up.Z, lo.Z);
    EXPECT_GT(lo.Z, w.z_d + 0.05f * w.ch);
    EXPECT_LT(up.Z, w.z_d + 0.15f * w.ch);
}

TEST(WingSectionPoint, LeadingEdgeRoundingGivesNoThicknessNotNaN) {
    // Around theta = pi the rounded X can fall a hair ahead of the leading edge.
    State s;
    for (float eta : {0.08f, 0.2f, 0.515f, 0.7f, 0.9f}) {
        const WingStation w = wing_station(s, eta);
        float th = k::pi_f;
        for (int n = 0; n < 8; ++n) {
            th = std::nextafter(th, 4.0f);
            for (float t : {th, 2 * k::pi_f - th}) {
                const WingPoint p = wing_section_point(w, t);
                EXPECT_TRUE(std::isfinite(p.Z)) << eta << " " << t;
                EXPECT_NEAR(p.Z, w.z_d, 1e-4) << eta << " " << t;
            }
        }
    }
}

TEST(WingRootPoint, LandsOnTheBodySurface) {
    State s;
    for (float theta : {0.0f, 1.0f, k::pi_f, 4.0f, 5.5f}) {
        const WingPoint p = wing_root_point(s, theta, 0.112f);
        EXPECT_NEAR(body_residual(s, p.X, p.Y, p.Z), 0.0, 1e-4) << theta;
        EXPECT_GT(p.Y, 0.05f);
        // It keeps the wing point's chordwise position.
        const WingPoint wp = wing_section_point(wing_station(s, p.Y / 1.4f), theta);
        EXPECT_NEAR(p.X, wp.X, 0.01) << theta;
    }
}

TEST(WingSections, SecondSectionIsAClosedCurve) {
    State s;
    wing_sections(s);
    ASSERT_EQ(s.n_wsec, 2);
    ASSERT_EQ(s.n_wpt, 39);
    EXPECT_EQ(s.x_wing.rows(), 2);
    EXPECT_EQ(s.z_wing.cols(), 39);
    const WingStation w = wing_station(s, 0.515f);
    EXPECT_NEAR(s.z_wing(2, 1), w.z_d, 1e-6);   // trailing edge
    EXPECT_NEAR(s.z_wing(2, 20), w.z_d, 1e-5);  // leading edge
    EXPECT_LT(s.x_wing(2, 20), s.x_wing(2, 1));
    EXPECT_NEAR(s.x_wing(2, 39), s.x_wing(2, 1), 1e-6);
    EXPECT_NEAR(s.z_wing(2, 39), s.z_wing(2, 1), 1e-6);
    for (int g = 1; g <= 39; ++g) EXPECT_EQ(s.y_wing(2, g), w.y);
}

TEST(WingSections, RootSectionSitsOnTheBody) {
    State s;
    wing_sections(s);
    for (int g = 1; g <= 39; ++g)
        EXPECT_NEAR(body_residual(s, s.x_wing(1, g), s.y_wing(1, g), s.z_wing(1, g)), 0.0, 1e-4)
            << g;
    EXPECT_NEAR(s.x_wing(1, 39), s.x_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.y_wing(1, 39), s.y_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.z_wing(1, 39), s.z_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.x_te_root, s.x_wing(1, 1), 1e-4);
    EXPECT_NEAR(s.z_te_root, s.z_wing(1, 1), 1e-4);

    // Root points: leading edge 20, spar point 13.
    EXPECT_EQ(wing_le_index(39), 20);
    EXPECT_EQ(wing_spar_index(39), 13);
    EXPECT_EQ(s.x_le_root, s.x_wing(1, 20));
    EXPECT_EQ(s.y_le_root, s.y_wing(1, 20));
    EXPECT_EQ(s.z_le_root, s.z_wing(1, 20));
    EXPECT_EQ(s.x_sp_root, s.x_wing(1, 13));
    EXPECT_EQ(s.y_sp_root, s.y_wing(1, 13));
    EXPECT_EQ(s.z_sp_root, s.z_wing(1, 13));
    EXPECT_LT(s.x_le_root, s.x_sp_root);
    EXPECT_LT(s.x_sp_root, s.x_te_root);
}

TEST(WingOutline, TrailingEdgeOutLeadingEdgeBack) {
    State s;
    bird_build(s);
    ASSERT_EQ(s.n_wout, 30);
    EXPECT_EQ(s.x_wout(1), s.x_te_root);
    EXPECT_EQ(s.y_wout(1), s.y_te_root);
    EXPECT_EQ(s.z_wout(1), s.z_te_root);
    EXPECT_EQ(s.x_wout(30), s.x_le_root);
    EXPECT_EQ(s.y_wout(30), s.y_le_root);
    EXPECT_EQ(s.z_wout(30), s.z_le_root);
    for (int i = 2; i <= 15; ++i) EXPECT_GT(s.y_wout(i), s.y_wout(i - 1)) << i;
    // Points 15 and 16 share a span station (sin a is symmetric about the tip).
    EXPECT_NEAR(s.y_wout(16), s.y_wout(15), 1e-6);
    for (int i = 17; i <= 30; ++i) EXPECT_LT(s.y_wout(i), s.y_wout(i - 1)) << i;
    EXPECT_GT(s.y_wout(15), 1.39f);
    // At the same span station the trailing edge lies aft of the leading edge.
    for (int i = 2; i <= 15; ++i) EXPECT_GT(s.x_wout(i), s.x_wout(31 - i)) << i;
    const WingPoint te = wing_section_point(wing_station(s, std::sin(float(k::pi * 4 / 29))), 0.0f);
    EXPECT_EQ(s.x_wout(5), te.X);
    EXPECT_EQ(s.z_wout(5), te.Z);
}

TEST(WingSpar, UpperSurfaceFromRootToTip) {
    State s;
    bird_build(s);
    ASSERT_EQ(s.n_spar, 13);
    EXPECT_EQ(s.x_spar(1), s.x_sp_root);
    EXPECT_EQ(s.y_spar(1), s.y_sp_root);
    EXPECT_EQ(s.z_spar(1), s.z_sp_root);
    for (int i = 2; i <= 12; ++i) {
        EXPECT_GT(s.y_spar(i), s.y_spar(i - 1)) << i;
        // Upper surface: above the chord line by camber plus thickness.
        EXPECT_GT(s.z_spar(i), wing_station(s, s.y_spar(i) / 1.4f).z_d) << i;
    }
    // The last point turns past the tip station onto the lower surface.
    EXPECT_LT(s.y_spar(13), s.y_spar(12));
    const WingStation w13 = wing_station(s, s.y_spar(13) / 1.4f);
    EXPECT_LT(s.z_spar(13), wing_section_point(w13, float(3.3 / 5.0 * k::pi)).Z);
}

TEST(BodySections, HalfRingsAtTheirStations) {
    State s;
    bird_build(s);
    ASSERT_EQ(s.n_bsec, 6);
    ASSERT_EQ(s.n_bpt, 27);
    EXPECT_EQ(s.x_bsec.rows(), 6);
    EXPECT_EQ(s.y_bsec.cols(), 27);
    const float te = s.x_te_root;
    const float x_st[6] = {
        float(0.5 * s.x_le_root),    0.09f, 0.3f, s.x_sp_root, float(te + 0.2 * (1.0 - te)),
        float(te + 0.6 * (1.0 - te))};
    for (int i = 1; i <= 6; ++i) {
        const BodySection c = body_station(s, x_st[i - 1]);
        for (int j = 1; j <= 27; ++j) EXPECT_EQ(s.x_bsec(i, j), x_st[i - 1]) << i << "," << j;
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
