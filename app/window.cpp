#include "app/window.h"

#include <stdexcept>

#include "platform/number_text.h"

namespace soar {

namespace {

struct Row {
    Id id;
    std::string_view name;
    Kind kind;
    std::string_view text;
    Rect rect;
    bool visible;
    int value;
};

constexpr int kBlue192 = 0x0000C0;

// The window description: name, kind, caption or default text, layout rectangle
// (left, top, width, height in twips), initial visibility and value.
constexpr Row kRows[] = {
    {Id::picture, "picture", Kind::picture, "", {2640, 720, 12500, 10000}, false, 0},
    {Id::title,
     "title",
     Kind::label,
     "Albatross Dynamic Soaring Simulation",
     {5760, 120, 5055, 375},
     true,
     0},
    {Id::grid_box, "grid_box", Kind::check, "grid", {240, 120, 615, 255}, false, 0},
    {Id::write_files_box,
     "write_files_box",
     Kind::check,
     "Write to File",
     {1080, 120, 1335, 255},
     false,
     0},
    {Id::profile_option,
     "profile_option",
     Kind::option,
     "Profile Demo",
     {360, 360, 1335, 255},
     false,
     0},
    {Id::depression_label,
     "depression_label",
     Kind::label,
     "South",
     {240, 600, 975, 255},
     false,
     0},
    {Id::depression_box, "depression_box", Kind::text, "0", {1320, 600, 615, 285}, false, 0},
    {Id::azimuth_label, "azimuth_label", Kind::label, "West", {240, 840, 975, 255}, false, 0},
    {Id::azimuth_box, "azimuth_box", Kind::text, "0", {1320, 840, 615, 285}, false, 0},
    {Id::observer_x_label,
     "observer_x_label",
     Kind::label,
     "X observer",
     {240, 1080, 975, 255},
     false,
     0},
    {Id::observer_x_box, "observer_x_box", Kind::text, "0", {1320, 1080, 615, 285}, false, 0},
    {Id::observer_y_label,
     "observer_y_label",
     Kind::label,
     "Y observer",
     {240, 1320, 975, 255},
     false,
     0},
    {Id::observer_y_box, "observer_y_box", Kind::text, "-3", {1320, 1320, 615, 285}, false, 0},
    {Id::observer_z_label,
     "observer_z_label",
     Kind::label,
     "Z observer",
     {240, 1560, 975, 255},
     false,
     0},
    {Id::observer_z_box, "observer_z_box", Kind::text, "0", {1320, 1560, 615, 285}, false, 0},
    {Id::step_label, "step_label", Kind::label, "step_msec", {240, 1800, 975, 255}, false, 0},
    {Id::step_box, "step_box", Kind::text, "1", {1320, 1800, 615, 285}, false, 0},
    {Id::calc_label, "calc_label", Kind::label, "calc_msec *", {240, 2040, 975, 255}, false, 0},
    {Id::calc_box, "calc_box", Kind::text, "30", {1320, 2040, 615, 285}, false, 0},
    {Id::bird_scale_label,
     "bird_scale_label",
     Kind::label,
     "Bird Scale",
     {240, 2280, 975, 255},
     false,
     0},
    {Id::bird_scale_box, "bird_scale_box", Kind::text, "1", {1320, 2280, 615, 285}, false, 0},
    {Id::fixed_frame, "fixed_frame", Kind::shape_rect, "", {360, 2880, 1935, 1695}, true, 0},
    {Id::fixed_option, "fixed_option", Kind::option, "FIXED", {720, 3000, 1335, 255}, true, 1},
    {Id::roll_label, "roll_label", Kind::label, "Roll Rt.  deg", {480, 3480, 975, 255}, true, 0},
    {Id::roll_box, "roll_box", Kind::text, "0", {1560, 3480, 615, 285}, true, 0},
    {Id::pitch_label, "pitch_label", Kind::label, "Pitch up deg", {480, 3840, 975, 255}, true, 0},
    {Id::pitch_box, "pitch_box", Kind::text, "2", {1560, 3840, 615, 285}, true, 0},
    {Id::yaw_label, "yaw_label", Kind::label, "Yaw Rt. deg", {480, 4200, 975, 255}, true, 0},
    {Id::yaw_box, "yaw_box", Kind::text, "0", {1560, 4200, 615, 285}, true, 0},
    {Id::pan_up_button, "pan_up_button", Kind::command, "^", {720, 4800, 255, 255}, true, 0},
    {Id::pan_left_button, "pan_left_button", Kind::command, "<", {480, 5040, 255, 255}, true, 0},
    {Id::pan_right_button, "pan_right_button", Kind::command, ">", {960, 5040, 255, 255}, true, 0},
    {Id::pan_down_button, "pan_down_button", Kind::command, "v", {720, 5280, 255, 255}, true, 0},
    {Id::zoom_ring, "zoom_ring", Kind::shape_circle, "", {1500, 4755, 615, 615}, true, 0},
    {Id::zoom_in_button, "zoom_in_button", Kind::command, "+", {1560, 4920, 255, 255}, true, 0},
    {Id::zoom_out_button, "zoom_out_button", Kind::command, "--", {1800, 4920, 255, 255}, true, 0},
    {Id::zoom_handle, "zoom_handle", Kind::shape_rect, "", {1710, 5320, 200, 375}, true, 0},
    {Id::moving_frame, "moving_frame", Kind::shape_rect, "", {360, 5760, 1935, 2055}, true, 0},
    {Id::moving_label, "moving_label", Kind::label, "MOVING", {840, 5880, 1095, 255}, true, 0},
    {Id::upwind_option, "upwind_option", Kind::option, "Upwind", {600, 6120, 1335, 255}, true, 0},
    {Id::downwind_option,
     "downwind_option",
     Kind::option,
     "Downwind",
     {600, 6360, 1335, 255},
     true,
     0},
    {Id::crosswind_option,
     "crosswind_option",
     Kind::option,
     "Crosswind",
     {600, 6600, 1335, 255},
     true,
     0},
    {Id::circle_zoom_option,
     "circle_zoom_option",
     Kind::option,
     "Zoom, U=0, D=0",
     {600, 6840, 1575, 255},
     true,
     0},
    {Id::ground_track_box,
     "ground_track_box",
     Kind::check,
     "Ground Track",
     {600, 7200, 1335, 255},
     false,
     1},
    {Id::air_track_box,
     "air_track_box",
     Kind::check,
     "Air Track",
     {600, 7440, 1335, 255},
     false,
     1},
    {Id::draw_button, "draw_button", Kind::command, "DRAW", {360, 7920, 855, 255}, false, 0},
    {Id::ok_button, "ok_button", Kind::command, "OK", {1320, 8040, 735, 255}, true, 0},
    {Id::reset_button, "reset_button", Kind::command, "RESET", {360, 8160, 855, 255}, false, 0},
    {Id::fly_button, "fly_button", Kind::command, "FLY", {1320, 8400, 735, 255}, false, 0},
    {Id::time_box, "time_box", Kind::text, "", {480, 8520, 615, 285}, true, 0},
    {Id::stop_button, "stop_button", Kind::command, "STOP", {1320, 8760, 735, 255}, true, 0},
    {Id::time_label, "time_label", Kind::label, "time,s", {600, 8880, 495, 255}, true, 0},
    {Id::end_button, "end_button", Kind::command, "END", {1320, 9120, 735, 255}, true, 0},
    {Id::timer, "timer", Kind::timer, "", {0, 0, 0, 0}, false, 0},
};
static_assert(std::size(kRows) == kControlCount, "one row per control");

constexpr Id kTabOrder[] = {
    Id::draw_button,      Id::end_button,       Id::pitch_box,          Id::step_box,
    Id::step_label,       Id::stop_button,      Id::fly_button,         Id::zoom_in_button,
    Id::pan_left_button,  Id::pan_right_button, Id::pan_up_button,      Id::pan_down_button,
    Id::zoom_out_button,  Id::pitch_label,      Id::roll_label,         Id::roll_box,
    Id::yaw_label,        Id::yaw_box,          Id::observer_y_box,     Id::observer_y_label,
    Id::ok_button,        Id::write_files_box,  Id::time_box,           Id::time_label,
    Id::observer_x_label, Id::observer_z_label, Id::observer_x_box,     Id::observer_z_box,
    Id::depression_label, Id::depression_box,   Id::azimuth_label,      Id::azimuth_box,
    Id::bird_scale_label, Id::bird_scale_box,   Id::reset_button,       Id::ground_track_box,
    Id::air_track_box,    Id::profile_option,   Id::downwind_option,    Id::calc_box,
    Id::calc_label,       Id::fixed_option,     Id::grid_box,           Id::crosswind_option,
    Id::upwind_option,    Id::picture,          Id::circle_zoom_option, Id::title,
    Id::moving_label,
};

}  // namespace

Window make_window() {
    Window w;
    w.caption = "SOARCALCULUS  -  after the flight mechanics of albatross dynamic soaring";
    for (const Row& r : kRows) {
        Control& c = w.controls[static_cast<size_t>(r.id)];
        c.id = r.id;
        c.name = r.name;
        c.kind = r.kind;
        c.text = std::string(r.text);
        c.rect = r.rect;
        c.visible = r.visible;
        c.value = r.value;
    }
    control(w, Id::picture).look.back = 0x8080FF;
    control(w, Id::title).look = Look{false, true, 0x000080, -1, -1};
    control(w, Id::depression_box).enabled = false;
    control(w, Id::azimuth_box).enabled = false;
    control(w, Id::time_box).enabled = false;
    control(w, Id::time_box).look.back = 0xFFFFFF;
    control(w, Id::fixed_frame).look.border = kBlue192;
    control(w, Id::moving_frame).look.border = kBlue192;
    control(w, Id::zoom_handle).look.back = 0x808080;
    control(w, Id::fixed_option).look.bold = true;
    control(w, Id::moving_label).look.bold = true;
    w.tab_order.assign(std::begin(kTabOrder), std::end(kTabOrder));
    return w;
}

Control& control(Window& w, Id id) {
    return w.controls.at(static_cast<size_t>(id));
}
const Control& control(const Window& w, Id id) {
    return w.controls.at(static_cast<size_t>(id));
}

Id id_of(std::string_view name) {
    for (const Row& r : kRows)
        if (r.name == name) return r.id;
    return Id::count_;
}

void select_option(Window& w, Id id) {
    for (Control& c : w.controls)
        if (c.kind == Kind::option) c.value = (c.id == id) ? 1 : 0;
}

double number_in(const Window& w, Id id) {
    return text_value(text(w, id));
}

Mode selected_mode(const Window& w) {
    if (selected(w, Id::upwind_option)) return Mode::upwind;
    if (selected(w, Id::downwind_option)) return Mode::downwind;
    if (selected(w, Id::crosswind_option)) return Mode::crosswind;
    if (selected(w, Id::circle_zoom_option)) return Mode::circlezoom;
    if (selected(w, Id::profile_option)) return Mode::profile;
    return Mode::fixed;
}

}  // namespace soar
