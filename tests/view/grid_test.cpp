#include "view/grid.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

State default_grid() {
    State s;
    s.x_grid_min = -100, s.x_grid_max = 0, s.y_grid_min = -50, s.y_grid_max = 50, s.d_grid = 10;
    grid_setup(s);
    return s;
}

TEST(SeaGrid, ElevenLinesEachWay) {
    const State s = default_grid();
    ASSERT_EQ(s.n_grid_x, 11);
    ASSERT_EQ(s.n_grid_y, 11);
    EXPECT_EQ(s.grid_xl.hi(), 44);
    EXPECT_EQ(s.grid_xl(1), -100.0f);
    EXPECT_EQ(s.grid_xl(2), -50.0f);
    EXPECT_EQ(s.grid_xl(4), 50.0f);
    EXPECT_EQ(s.grid_xl(41), 0.0f);
    EXPECT_EQ(s.grid_yl(2), -50.0f);
    EXPECT_EQ(s.grid_yl(3), 0.0f);
    EXPECT_EQ(s.grid_yl(42), 50.0f);
}

TEST(SeaGrid, ZeroSpacingBuildsNoLines) {
    State s;
    s.x_grid_min = -100, s.d_grid = 0;
    grid_setup(s);
    EXPECT_EQ(s.n_grid_x, 0);
    EXPECT_EQ(grid_shift(s), 0.0f);
}

TEST(SeaGrid, ShiftMovesInWholeCellsByTheObserversDistance) {
    State s = default_grid();
    s.xep = -35;
    EXPECT_EQ(grid_shift(s), 10.0f);
    s.xep = 0;
    EXPECT_EQ(grid_shift(s), -20.0f);
    s.xep = -250;
    EXPECT_EQ(grid_shift(s), 230.0f);
}

TEST(SeaGrid, LinesWithAnEndBehindTheObserverAreLeftOut) {
    State s = default_grid();
    s.xep = -50, s.yep = 0, s.zep = 20;  // above the middle of the grid
    s.x_aim = -50, s.y_aim = 60, s.z_aim = 0;
    s.zoom_deg = 45, s.pic_aspect = 1.25f;
    RecordingSurface pic;
    ome_sig_scale(s, pic);
    grid_draw(s, pic);
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
