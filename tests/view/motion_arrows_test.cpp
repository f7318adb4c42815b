// The arrows at the bird point along the wind and its velocities, in the
// picture's perspective.
#include "view/motion_arrows.h"

#include <gtest/gtest.h>

#include <cmath>

#include "../app/app_fixture.h"
#include "headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

struct Shaft {
    double x0, y0, x1, y1;
    bool found = false;
};

// The first line in colour c: the arrow's shaft (its head follows).
Shaft shaft(const RecordingSurface& pic, Colour c) {
    for (const Primitive& p : pic.primitives())
        if (p.op == Primitive::Op::line && p.colour == c) return {p.x2, p.y2, p.x, p.y, true};
    return {};
}

// Seen from 20 m on the -y side, +x to the right and +z up: a bird climbing
// into a wind from -x (flying along -x at 10 m/s through the air, 4 m/s over
// the sea against a 6 m/s wind, climbing at 2 m/s).
TEST(MotionArrows, PointAlongTheWindAndTheVelocities) {
    Camera c;
    c.aspect = 1.25f, c.zoom_deg = 45.0f;
    c.x_eye = 0, c.y_eye = -20, c.z_eye = 5;
    c.x_aim = 0, c.y_aim = 0, c.z_aim = 5;
    update_view(c);
    RecordingSurface pic;
    apply_view_scale(c, pic);
    BirdMotion m;
    m.wind = 6, m.x_air = -10, m.x_ground = -4, m.y = 0, m.z = 2;
    draw_motion_arrows(m, c, Shift{0, 0, 5}, pic);
    const Shaft wind = shaft(pic, wind_arrow_colour());
    const Shaft air = shaft(pic, air_arrow_colour());
    const Shaft ground = shaft(pic, ground_arrow_colour());
    ASSERT_TRUE(wind.found && air.found && ground.found);
    // All from the bird, at the picture's centre.
    for (const Shaft& s : {wind, air, ground}) {
        EXPECT_NEAR(s.x0, 0.0, 1e-3);
        EXPECT_NEAR(s.y0, 0.0, 1e-3);
    }
    // The wind to the right and level; the air velocity left and up; the ground
    // velocity left and up at the same climb, shorter by the wind.
    EXPECT_GT(wind.x1, 0.0);
    EXPECT_NEAR(wind.y1, 0.0, 1e-3);
    EXPECT_LT(air.x1, 0.0);
    EXPECT_GT(air.y1, 0.0);
    EXPECT_NEAR(air.y1 / air.x1, -0.2, 1e-3);  // 2 m/s up over 10 m/s back
    EXPECT_NEAR(ground.y1, air.y1, 1e-3);
    EXPECT_NEAR(ground.x1 - air.x1, wind.x1, 1e-3);
    // Lengths: a fixed time of motion, kArrowSeconds, at 20 m in a picture of
    // 1 user unit per metre at the aim distance.
    EXPECT_NEAR(wind.x1, 6.0 * kArrowSeconds, 1e-3);
    // Each has a head: two more strokes from its tip.
    int heads = 0;
    for (const Primitive& p : pic.primitives())
        heads += p.op == Primitive::Op::line && p.x2 == air.x1 && p.y2 == air.y1;
    EXPECT_EQ(heads, 2);
}

// In a flight the arrows and their legend come with the option; without it
// the picture has none of their colours.
TEST(MotionArrows, AFlightsPictureHasThemOnlyWithTheOption) {
    for (bool on : {false, true}) {
        test::Run run;
        run.session.set_arrows(on);
        run.start(Mode::upwind, 0.0);
        Frame f;
        for (int k = 1; k <= 50; ++k) {
            run.clock.set(float((k - 1) * 0.02));
            run.session.advance_tick(f);
        }
        const FlightState& s = run.session.flight_state();
        if (on) {
            EXPECT_EQ(f.motion.wind, s.U);
            EXPECT_EQ(f.motion.x_ground, s.Xdot);
        }
        RecordingSurface pic;
        run.session.draw(f, pic);
        int magenta = 0;
        for (const Primitive& p : pic.primitives())
            magenta += p.op == Primitive::Op::line && p.colour == wind_arrow_colour();
        if (on) {
            EXPECT_GE(magenta, 4);  // the arrow, its head and the legend's sample
        } else {
            EXPECT_EQ(magenta, 0);
        }
    }
}

}  // namespace
}  // namespace soar
