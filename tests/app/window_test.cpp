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

    const Control& fly = control(w, Id::fly_button);
    EXPECT_EQ(fly.text, "FLY");
    EXPECT_FALSE(fly.visible);
    EXPECT_EQ(control(w, Id::roll_label).text, "Roll Rt.  deg");
    EXPECT_EQ(control(w, Id::circle_zoom_option).text, "Zoom, U=0, D=0");
    EXPECT_FALSE(control(w, Id::time_box).enabled);
}

TEST(WindowModel, DefaultTextsAndValues) {
    const Window w = make_window();
    EXPECT_EQ(text(w, Id::pitch_box), "2");
    EXPECT_EQ(text(w, Id::roll_box), "0");
    EXPECT_EQ(text(w, Id::yaw_box), "0");
    EXPECT_EQ(text(w, Id::observer_y_box), "-3");
    EXPECT_EQ(text(w, Id::step_box), "1");
    EXPECT_EQ(text(w, Id::calc_box), "30");
    EXPECT_EQ(text(w, Id::bird_scale_box), "1");
    EXPECT_EQ(text(w, Id::time_box), "");
    EXPECT_TRUE(selected(w, Id::fixed_option));
    EXPECT_TRUE(checked(w, Id::air_track_box));
    EXPECT_TRUE(checked(w, Id::ground_track_box));
    EXPECT_FALSE(visible(w, Id::air_track_box));
    EXPECT_FALSE(checked(w, Id::write_files_box));
}

TEST(WindowModel, OptionsFormOneGroup) {
    Window w = make_window();
    select_option(w, Id::upwind_option);
    EXPECT_TRUE(selected(w, Id::upwind_option));
    EXPECT_FALSE(selected(w, Id::fixed_option));
    select_option(w, Id::profile_option);
    EXPECT_FALSE(selected(w, Id::upwind_option));
    int n = 0;
    for (const Control& c : w.controls) n += c.kind == Kind::option && c.value;
    EXPECT_EQ(n, 1);
}

}  // namespace
}  // namespace soar
