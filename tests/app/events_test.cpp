#include <gtest/gtest.h>

#include <cmath>

#include "app_fixture.h"
#include "platform/number_text.h"

namespace soar {
namespace {

using test::Program;

// A value beyond the float range would become infinity in the attitude, the
// scale, the observer or the timer, and NaN in the picture and read-outs.
TEST(TypedValues, BeyondTheFloatRangeAreRefusedNamingTheBox) {
    const struct Case {
        Id box;
        std::string typed;
        const char* name;
    } cases[] = {
        {Id::roll_box, "1e999", "\"Roll Rt. deg\""},
        {Id::pitch_box, "1e39", "\"Pitch up deg\""},
        {Id::yaw_box, "-4e38xyz", "\"Yaw Rt. deg\""},
        {Id::bird_scale_box, "1E+39", "\"Bird Scale\""},
        {Id::step_box, "1d400", "\"step_msec\""},
        {Id::observer_y_box, "-1" + std::string(60, '0'), "\"Y observer\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Program p;
        p.type(Id::step_box, "7");
        p.type(Id::bird_scale_box, "2");
        const std::string before = text(p.w, c.box);
        p.type(c.box, c.typed);
        EXPECT_EQ(text(p.w, c.box), before);
        EXPECT_NE(p.w.message.find(c.name), std::string::npos) << p.w.message;
        EXPECT_NE(p.w.message.find("keeps its previous value, \"" + before + "\""),
                  std::string::npos)
            << p.w.message;
        EXPECT_LE(p.w.message.size(), 300u);  // a long typed text is quoted short
        // The box's change handler did not run on the refused text.
        EXPECT_EQ(p.pose().scale, 2.0f);
        EXPECT_EQ(p.session.tick_interval_ms(), 7);
    }
}

TEST(TypedValues, OrdinaryTextKeepsItsLeadingNumberReading) {
    Program p;
    for (const char* typed : {"12abc", "abc", "", "3.4e38", "-3.4E+38", "1e-999", "nan", "inf"}) {
        p.type(Id::roll_box, typed);
        EXPECT_EQ(text(p.w, Id::roll_box), typed);
    }
    EXPECT_TRUE(p.w.message.empty()) << p.w.message;
    p.type(Id::pitch_box, "12abc");
    p.type(Id::roll_box, "abc");
    p.type(Id::bird_scale_box, "2.5 m");
    p.press(Id::ok_button);
    EXPECT_EQ(p.pose().attitude.pitch, 12.0f);
    EXPECT_EQ(p.pose().attitude.roll, 0.0f);
    EXPECT_EQ(p.pose().scale, 2.5f);
}

// Found by hand: "1e999" as roll made the bird vanish, and a pan press then
// showed "NaN" in the yaw box.
TEST(TypedValues, RefusedRollLeavesTheFixedViewDrawable) {
    Program p;
    p.type(Id::roll_box, "30");
    p.type(Id::roll_box, "1e999");
    p.press(Id::ok_button);
    EXPECT_EQ(p.pose().attitude.roll, -30.0f);
    p.press(Id::pan_left_button);
    p.press(Id::pan_up_button);
    for (Id box : {Id::roll_box, Id::pitch_box, Id::yaw_box, Id::azimuth_box, Id::depression_box})
        EXPECT_TRUE(std::isfinite(float(text_value(text(p.w, box))))) << text(p.w, box);
    EXPECT_EQ(text(p.w, Id::yaw_box), "-10");
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the bird is drawn
}

}  // namespace
}  // namespace soar
