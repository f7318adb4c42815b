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
    EXPECT_EQ(params_legend(p.m), "");
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.m), "");
    EXPECT_EQ(params_title_note(p.m), "");

    p.m.params = *preset_set("light-wind");
    EXPECT_EQ(params_title_note(p.m), "");  // not flying with it yet
    EXPECT_EQ(params_legend(p.m), "Changed parameters (light wind) apply at the next OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_title_note(p.m), " (light wind)");
    EXPECT_EQ(params_legend(p.m), "Parameters in use: light wind.");

    // Back to the defaults: the flight still has the light wind until OK.
    p.m.params = ParamSet{};
    EXPECT_EQ(params_legend(p.m),
              "Parameters in use: light wind.\nChanged parameters (the defaults) apply at the next "
              "OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.m), "");
}

// A change only counts where the flight uses it: the circle zoom flies without
// wind, the fixed view without a schedule.
TEST(ParamsLegend, IgnoresChangesTheFlightDoesNotFly) {
    Program p;
    p.m.params = *preset_set("light-wind");
    p.press(Id::circle_zoom_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.m), "");

    p.m.params = ParamSet{};
    set_param(p.m.params, Mode::crosswind, *param_field("T_cyc"), 9.0f);
    p.press(Id::upwind_option);
    p.press(Id::ok_button);
    EXPECT_EQ(params_legend(p.m), "");
    p.press(Id::crosswind_option);
    EXPECT_EQ(params_legend(p.m), "Changed parameters (own values) apply at the next OK.");
    p.press(Id::ok_button);
    EXPECT_EQ(params_title_note(p.m), " (own values)");
}

}  // namespace
}  // namespace soar
