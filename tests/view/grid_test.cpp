#include "view/grid.h"

#include <gtest/gtest.h>

#include "headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

SeaGrid default_grid() {
    SeaGrid g;
    g.x_min = -100, g.x_max = 0, g.y_min = -50, g.y_max = 50, g.spacing = 10;
    grid_setup(g);
    return g;
}

TEST(SeaGrid, ElevenLinesEachWay) {
    const SeaGrid s = default_grid();
    ASSERT_EQ(s.n_x, 11);
    ASSERT_EQ(s.n_y, 11);
    EXPECT_EQ(s.x_lines.hi(), 44);
    EXPECT_EQ(s.x_lines(1), -100.0f);
    EXPECT_EQ(s.x_lines(2), -50.0f);
    EXPECT_EQ(s.x_lines(4), 50.0f);
    EXPECT_EQ(s.x_lines(41), 0.0f);
    EXPECT_EQ(s.y_lines(2), -50.0f);
    EXPECT_EQ(s.y_lines(3), 0.0f);
    EXPECT_EQ(s.y_lines(42), 50.0f);
}

TEST(SeaGrid, ZeroSpacingBuildsNoLines) {
    SeaGrid s;
    s.x_min = -100, s.spacing = 0;
    grid_setup(s);
    EXPECT_EQ(s.n_x, 0);
    EXPECT_EQ(grid_shift(s, Camera{}), 0.0f);
}

TEST(SeaGrid, ShiftMovesInWholeCellsByTheObserversDistance) {
    const SeaGrid s = default_grid();
    Camera c;
    c.x_eye = -35;
    EXPECT_EQ(grid_shift(s, c), 10.0f);
    c.x_eye = 0;
    EXPECT_EQ(grid_shift(s, c), -20.0f);
    c.x_eye = -250;
    EXPECT_EQ(grid_shift(s, c), 230.0f);
}

TEST(SeaGrid, LinesWithAnEndBehindTheObserverAreLeftOut) {
    const SeaGrid s = default_grid();
    Camera c;
    c.x_eye = -50, c.y_eye = 0, c.z_eye = 20;  // above the middle of the grid
    c.x_aim = -50, c.y_aim = 60, c.z_aim = 0;
    c.zoom_deg = 45, c.aspect = 1.25f;
    RecordingSurface pic;
    update_view(c, pic);
    grid_draw(s, c, Shift{}, pic);
    int lines = 0;
    for (const Primitive& p : pic.primitives()) lines += p.op == Primitive::Op::line;
    // Lines of constant x run from y = -50 (behind) to +50: all left out. Lines of
    // constant y ahead of the observer are drawn.
    EXPECT_GT(lines, 0);
    EXPECT_LE(lines, 11);
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::line) {
            EXPECT_EQ(p.colour, palette_colour(15));
        }
    }
}

}  // namespace
}  // namespace soar
