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
        {Id::txt_rollR, "1e999", "\"Roll Rt. deg\""},
        {Id::txt_pitchup, "1e39", "\"Pitch up deg\""},
        {Id::txt_yawR, "-4e38xyz", "\"Yaw Rt. deg\""},
        {Id::txt_bird_scale, "1E+39", "\"Bird Scale\""},
        {Id::txt_msec, "1d400", "\"step_msec\""},
        {Id::txt_yep, "-1" + std::string(60, '0'), "\"Y observer\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Program p;
        p.type(Id::txt_msec, "7");
        p.type(Id::txt_bird_scale, "2");
        const std::string before = text(p.w, c.box);
        p.type(c.box, c.typed);
        EXPECT_EQ(text(p.w, c.box), before);
        EXPECT_NE(p.w.message.find(c.name), std::string::npos) << p.w.message;
        EXPECT_NE(p.w.message.find("keeps its previous value, \"" + before + "\""),
                  std::string::npos)
            << p.w.message;
        EXPECT_LE(p.w.message.size(), 300u);  // a long typed text is quoted short
        // The box's change handler did not run on the refused text.
        EXPECT_EQ(p.s.bird_scale, 2.0f);
        EXPECT_EQ(p.w.timer.interval_ms, 7);
    }
}

TEST(TypedValues, OrdinaryTextKeepsItsLeadingNumberReading) {
    Program p;
    for (const char* typed : {"12abc", "abc", "", "3.4e38", "-3.4E+38", "1e-999", "nan", "inf"}) {
        p.type(Id::txt_rollR, typed);
        EXPECT_EQ(text(p.w, Id::txt_rollR), typed);
    }
    EXPECT_TRUE(p.w.message.empty()) << p.w.message;
    p.type(Id::txt_pitchup, "12abc");
    p.type(Id::txt_rollR, "abc");
    p.type(Id::txt_bird_scale, "2.5 m");
    p.press(Id::cmd_setup);
    EXPECT_EQ(p.s.pitch_b, 12.0f);
    EXPECT_EQ(p.s.roll_b, 0.0f);
    EXPECT_EQ(p.s.bird_scale, 2.5f);
}

// Found by hand: "1e999" as roll made the bird vanish, and a pan press then
// showed "NaN" in the yaw box.
TEST(TypedValues, RefusedRollLeavesTheFixedViewDrawable) {
    Program p;
    p.type(Id::txt_rollR, "30");
    p.type(Id::txt_rollR, "1e999");
    p.press(Id::cmd_setup);
    EXPECT_EQ(p.s.roll_b, -30.0f);
    p.press(Id::cmd_pan_Left);
    p.press(Id::cmd_pan_up);
    for (Id box : {Id::txt_rollR, Id::txt_pitchup, Id::txt_yawR, Id::txt_omedeg, Id::txt_sigdeg})
        EXPECT_TRUE(std::isfinite(float(text_value(text(p.w, box))))) << text(p.w, box);
    EXPECT_EQ(text(p.w, Id::txt_yawR), "-10");
    EXPECT_GT(p.count(Primitive::Op::line), 100);  // the bird is drawn
}

}  // namespace
}  // namespace soar
