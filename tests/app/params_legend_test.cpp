#include "app/params_legend.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "sim/param_fields.h"

namespace soar {
namespace {

using test::Program;

// The legend follows what the flight flies with, and a change is announced as
// waiting until "OK" takes it over.
TEST(ParamsLegend, NamesTheFlightsParametersAndAChangeWaitingForOK) {
    Program p;
    EXPECT_EQ(params_legend(p.w), "");
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.w), "");
    EXPECT_EQ(params_title_note(p.w), "");

    p.w.params = *preset_set("light-wind");
    EXPECT_EQ(params_title_note(p.w), "");  // not flying with it yet
    EXPECT_EQ(params_legend(p.w), "Changed parameters (light wind) apply at the next OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_title_note(p.w), " (light wind)");
    EXPECT_EQ(params_legend(p.w), "Parameters in use: light wind.");

    // Back to the defaults: the flight still has the light wind until OK.
    p.w.params = ParamSet{};
    EXPECT_EQ(params_legend(p.w),
              "Parameters in use: light wind.\nChanged parameters (the defaults) apply at the next "
              "OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.w), "");
}

// A change only counts where the flight uses it: the circle zoom flies without
// wind, the fixed view without a schedule.
TEST(ParamsLegend, IgnoresChangesTheFlightDoesNotFly) {
    Program p;
    p.w.params = *preset_set("light-wind");
    p.press(Id::circle_zoom_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.w), "");

    p.w.params = ParamSet{};
    set_param(p.w.params, Mode::crosswind, *param_field("T_cyc"), 9.0f);
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.w), "");
    p.press(Id::crosswind_option);
    EXPECT_EQ(params_legend(p.w), "Changed parameters (own values) apply at the next OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_title_note(p.w), " (own values)");
}

}  // namespace
}  // namespace soar
