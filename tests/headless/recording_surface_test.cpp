#include "headless/recording_surface.h"

#include <gtest/gtest.h>

namespace soar {
namespace {

TEST(RecordingSurface, KeepsPrimitivesInOrderUntilCleared) {
    RecordingSurface pic;
    pic.scale(-4, 3, 4, -3);
    pic.set_draw_width(2);
    pic.set_pen(1, 1);
    pic.line_to(2, 2, palette_colour(4));
    ASSERT_EQ(pic.primitives().size(), 4u);
    const Primitive& line = pic.primitives().back();
    EXPECT_EQ(line.op, Primitive::Op::line);
    EXPECT_EQ(line.x2, 1.0);  // from the pen
    EXPECT_EQ(line.x, 2.0);
    EXPECT_EQ(line.width, 2);
    EXPECT_EQ(line.colour, palette_colour(4));
    EXPECT_EQ(line.colour.r, 128);
    EXPECT_EQ(pic.pen_x(), 2.0);
    pic.clear();
    EXPECT_TRUE(pic.primitives().empty());
    EXPECT_EQ(pic.clears(), 1);
}

TEST(RecordingSurface, UserScaleConvertsVerticalExtentsToPixels) {
    RecordingSurface pic(800, 600);
    EXPECT_EQ(pic.scale_mode(), kScalePixels);
    pic.scale(-4, 3, 4, -3);  // y up, 6 units over 600 pixels
    EXPECT_EQ(pic.scale_mode(), kScaleUser);
    EXPECT_EQ(pic.scale_top(), 3.0);
    EXPECT_DOUBLE_EQ(pic.scale_y_to_pixels(-6.0, kScaleUser), 600.0);
    EXPECT_DOUBLE_EQ(pic.user_scale().px(0.0), 400.0);
    EXPECT_DOUBLE_EQ(pic.user_scale().py(3.0), 0.0);
    EXPECT_DOUBLE_EQ(pic.scale_y_to_pixels(17.0, kScalePixels), 17.0);
}

TEST(RecordingSurface, RefusesADegenerateScale) {
    RecordingSurface pic;
    pic.scale(-1, 1, 1, -1);
    pic.scale(0, 0, 0, 0);                 // an observer on its aim point
    pic.scale(-1, 1, 1, 1.0 / 0.0 * 0.0);  // not a number
    EXPECT_EQ(pic.scale_top(), 1.0);
    EXPECT_EQ(pic.primitives().size(), 1u);
}

}  // namespace
}  // namespace soar
