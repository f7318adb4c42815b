#include "app/window.h"

#include <gtest/gtest.h>

#include <set>

namespace soar {
namespace {

TEST(WindowModel, EveryControlOnceWithItsDescription) {
    const Window w = make_window();
    std::set<std::string_view> names;
    for (const Control& c : w.controls) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_EQ(id_of(c.name), c.id);
    }
    EXPECT_EQ(names.size(), size_t(kControlCount));
    EXPECT_EQ(id_of("no_such_control"), Id::count_);
    EXPECT_EQ(w.caption.rfind("SOARCALCULUS", 0), 0u);

    const Control& fly = control(w, Id::cmd_RESUME);
    EXPECT_EQ(fly.text, "FLY");
    EXPECT_FALSE(fly.visible);
    EXPECT_EQ(fly.rect.left, 1320);
    EXPECT_EQ(fly.rect.top, 8400);
    EXPECT_EQ(control(w, Id::lab_rollR).text, "Roll Rt.  deg");
    EXPECT_EQ(control(w, Id::opt_circlezoom).text, "Zoom, U=0, D=0");
    EXPECT_EQ(control(w, Id::pic).rect.width, 12500);
    EXPECT_FALSE(control(w, Id::txt_time).enabled);
    EXPECT_FALSE(w.timer.enabled);
    EXPECT_EQ(w.tab_order.size(), 49u);
    EXPECT_EQ(w.tab_order.front(), Id::cmd_draw);
}

TEST(WindowModel, DefaultTextsAndValues) {
    const Window w = make_window();
    EXPECT_EQ(text(w, Id::txt_pitchup), "2");
    EXPECT_EQ(text(w, Id::txt_rollR), "0");
    EXPECT_EQ(text(w, Id::txt_yawR), "0");
    EXPECT_EQ(text(w, Id::txt_yep), "-3");
    EXPECT_EQ(text(w, Id::txt_msec), "1");
    EXPECT_EQ(text(w, Id::txt_calc), "30");
    EXPECT_EQ(text(w, Id::txt_bird_scale), "1");
    EXPECT_EQ(text(w, Id::txt_time), "");
    EXPECT_TRUE(selected(w, Id::opt_fixed));
    EXPECT_TRUE(checked(w, Id::chk_airtrack));
    EXPECT_TRUE(checked(w, Id::chk_groundtrack));
    EXPECT_FALSE(visible(w, Id::chk_airtrack));
    EXPECT_FALSE(checked(w, Id::chk_write));
}

TEST(WindowModel, OptionsFormOneGroup) {
    Window w = make_window();
    select_option(w, Id::opt_upwind);
    EXPECT_TRUE(selected(w, Id::opt_upwind));
    EXPECT_FALSE(selected(w, Id::opt_fixed));
    select_option(w, Id::opt_profile);
    EXPECT_FALSE(selected(w, Id::opt_upwind));
    int n = 0;
    for (const Control& c : w.controls) n += c.kind == Kind::option && c.value;
    EXPECT_EQ(n, 1);
}

}  // namespace
}  // namespace soar
