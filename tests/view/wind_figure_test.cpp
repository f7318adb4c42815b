#include "view/wind_figure.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_surface.h"
#include "sim/params.h"
#include "sim/wind.h"
#include "view/projection.h"

namespace soar {
namespace {

State figure_in_view(float xep, float yep, float zep) {
    State s;
    s.xep = xep, s.yep = yep, s.zep = zep;
    s.x_aim = 0, s.y_aim = 0, s.z_aim = 5;
    s.zoom_deg = 45, s.pic_aspect = 1.25f;
    wind_profile_setup(s, pattern_defaults(Mode::upwind));
    return s;
}

TEST(WindFigureDraw, OnePolylineInDarkRed) {
    State s = figure_in_view(5, -60, 5);
    RecordingSurface pic;
    ome_sig_scale(s, pic);
    pic.clear();
    wind_profile_draw(s, pic);
    ASSERT_FALSE(pic.primitives().empty());
    EXPECT_EQ(pic.primitives().front().op, Primitive::Op::pen);
    int lines = 0;
    for (const Primitive& p : pic.primitives()) {
        if (p.op != Primitive::Op::line) continue;
        ++lines;
        EXPECT_EQ(p.colour, palette_colour(4));
    }
    EXPECT_EQ(lines, 70);
}

TEST(WindFigureDraw, InvisibleFirstPointLeavesThePenAtTheCentre) {
    // The observer stands between the figure's low arrows and its top: the first
    // point lies behind it, so the pen starts at (0, 0) and the first visible
    // point is joined to it.
    State s = figure_in_view(0, 0, 0.225f);
    s.x_aim = 10, s.y_aim = 0, s.z_aim = 15;
    s.x_wp_off = -0.5f;
    RecordingSurface pic;
    ome_sig_scale(s, pic);
    pic.clear();
    wind_profile_draw(s, pic);
    ASSERT_FALSE(pic.primitives().empty());
    const Primitive& pen = pic.primitives().front();
    EXPECT_EQ(pen.op, Primitive::Op::pen);
    EXPECT_EQ(pen.x, 0.0);
    EXPECT_EQ(pen.y, 0.0);
    int lines = 0;
    for (const Primitive& p : pic.primitives()) lines += p.op == Primitive::Op::line;
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 70);
}

}  // namespace
}  // namespace soar
