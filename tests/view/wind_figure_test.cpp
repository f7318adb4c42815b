#include "view/wind_figure.h"

#include <gtest/gtest.h>

#include "headless/recording_surface.h"
#include "sim/params.h"
#include "sim/wind.h"
#include "view/projection.h"

namespace soar {
namespace {

struct FigureInView {
    WindFigure figure;
    Camera camera;
};
FigureInView figure_in_view(float x_eye, float y_eye, float z_eye) {
    FigureInView s;
    s.camera.x_eye = x_eye, s.camera.y_eye = y_eye, s.camera.z_eye = z_eye;
    s.camera.x_aim = 0, s.camera.y_aim = 0, s.camera.z_aim = 5;
    s.camera.zoom_deg = 45, s.camera.aspect = 1.25f;
    build_wind_figure(s.figure, pattern_defaults(Mode::upwind));
    return s;
}

TEST(WindFigureDraw, OnePolylineInDarkRed) {
    FigureInView s = figure_in_view(5, -60, 5);
    RecordingSurface pic;
    update_view(s.camera, pic);
    pic.clear();
    draw_wind_figure(s.figure, s.camera, pic);
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
    FigureInView s = figure_in_view(0, 0, 0.225f);
    s.camera.x_aim = 10, s.camera.y_aim = 0, s.camera.z_aim = 15;
    s.figure.x_offset = -0.5f;
    RecordingSurface pic;
    update_view(s.camera, pic);
    pic.clear();
    draw_wind_figure(s.figure, s.camera, pic);
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

TEST(WindFigure, TenClosedArrowsFromTheAxis) {
    WindFigure s;
    build_wind_figure(s, pattern_defaults(Mode::upwind));
    ASSERT_EQ(s.n, 70);
    EXPECT_EQ(s.x.lo(), 1);
    EXPECT_EQ(s.x.hi(), 70);
    float previous_height = -1.0f, previous_length = -1.0f;
    for (int b = 1; b <= 10; ++b) {
        const int first = 7 * (b - 1) + 1;
        const float zz = s.z(first);
        const float tip = s.x(first + 3);
        EXPECT_EQ(s.x(first), 0.0f);      // starts on the axis
        EXPECT_EQ(s.x(first + 6), 0.0f);  // and returns to it
        EXPECT_EQ(s.z(first + 3), zz);    // the tip at the shaft's height
        EXPECT_NEAR(s.x(first + 1), tip - 0.75, 1e-5);
        EXPECT_NEAR(s.z(first + 2), zz - 0.15, 1e-5);
        EXPECT_NEAR(s.z(first + 4), zz + 0.15, 1e-5);
        EXPECT_GT(zz, previous_height);   // arrows climb
        EXPECT_GT(tip, previous_length);  // and lengthen with height
        previous_height = zz, previous_length = tip;
        for (int p = first; p < first + 7; ++p) EXPECT_EQ(s.y(p), 0.0f);
    }
    EXPECT_NEAR(s.z(1), 0.25 * 0.9, 1e-6);
    EXPECT_EQ(s.z(64), 20.0f);
}

TEST(WindFigure, ShowsTheProfilesShapeWhateverItsWind) {
    // The circle zoom flies without wind; its figure is the windy patterns'.
    WindFigure calm, windy;
    build_wind_figure(calm, pattern_defaults(Mode::circlezoom));
    build_wind_figure(windy, pattern_defaults(Mode::downwind));
    ASSERT_EQ(calm.n, windy.n);
    for (int i = 1; i <= calm.n; ++i) {
        EXPECT_EQ(calm.x(i), windy.x(i));
        EXPECT_EQ(calm.z(i), windy.z(i));
    }
}

}  // namespace
}  // namespace soar
