#include "app/window.h"

#include <stdexcept>

#include "app/run_model.h"
#include "platform/number_text.h"

namespace soar {

namespace {

struct Row {
    Id id;
    std::string_view name;
    Kind kind;
    std::string_view text;
    bool visible;
    int value;
};

// The window's controls: name, kind, caption or default text (the boxes' texts
// are the model's defaults, written by make_window), initial visibility and value.
constexpr Row kRows[] = {
    {Id::picture, "picture", Kind::picture, "", false, 0},
    {Id::title, "title", Kind::label, "Albatross Dynamic Soaring Simulation", true, 0},
    {Id::grid_box, "grid_box", Kind::check, "grid", false, 0},
    {Id::write_files_box, "write_files_box", Kind::check, "Write to File", false, 0},
    {Id::profile_option, "profile_option", Kind::option, "Profile Demo", false, 0},
    {Id::depression_label, "depression_label", Kind::label, "South", false, 0},
    {Id::depression_box, "depression_box", Kind::text, "0", false, 0},
    {Id::azimuth_label, "azimuth_label", Kind::label, "West", false, 0},
    {Id::azimuth_box, "azimuth_box", Kind::text, "0", false, 0},
    {Id::observer_x_label, "observer_x_label", Kind::label, "X observer", false, 0},
    {Id::observer_x_box, "observer_x_box", Kind::text, "", false, 0},
    {Id::observer_y_label, "observer_y_label", Kind::label, "Y observer", false, 0},
    {Id::observer_y_box, "observer_y_box", Kind::text, "", false, 0},
    {Id::observer_z_label, "observer_z_label", Kind::label, "Z observer", false, 0},
    {Id::observer_z_box, "observer_z_box", Kind::text, "", false, 0},
    {Id::step_label, "step_label", Kind::label, "step_msec", false, 0},
    {Id::step_box, "step_box", Kind::text, "", false, 0},
    {Id::calc_label, "calc_label", Kind::label, "calc_msec *", false, 0},
    {Id::calc_box, "calc_box", Kind::text, "30", false, 0},
    {Id::bird_scale_label, "bird_scale_label", Kind::label, "Bird Scale", false, 0},
    {Id::bird_scale_box, "bird_scale_box", Kind::text, "", false, 0},
    {Id::fixed_option, "fixed_option", Kind::option, "FIXED", true, 1},
    {Id::roll_label, "roll_label", Kind::label, "Roll Rt.  deg", true, 0},
    {Id::roll_box, "roll_box", Kind::text, "", true, 0},
    {Id::pitch_label, "pitch_label", Kind::label, "Pitch up deg", true, 0},
    {Id::pitch_box, "pitch_box", Kind::text, "", true, 0},
    {Id::yaw_label, "yaw_label", Kind::label, "Yaw Rt. deg", true, 0},
    {Id::yaw_box, "yaw_box", Kind::text, "", true, 0},
    {Id::pan_up_button, "pan_up_button", Kind::command, "^", true, 0},
    {Id::pan_left_button, "pan_left_button", Kind::command, "<", true, 0},
    {Id::pan_right_button, "pan_right_button", Kind::command, ">", true, 0},
    {Id::pan_down_button, "pan_down_button", Kind::command, "v", true, 0},
    {Id::zoom_in_button, "zoom_in_button", Kind::command, "+", true, 0},
    {Id::zoom_out_button, "zoom_out_button", Kind::command, "--", true, 0},
    {Id::moving_label, "moving_label", Kind::label, "MOVING", true, 0},
    {Id::upwind_option, "upwind_option", Kind::option, "Upwind", true, 0},
    {Id::downwind_option, "downwind_option", Kind::option, "Downwind", true, 0},
    {Id::crosswind_option, "crosswind_option", Kind::option, "Crosswind", true, 0},
    {Id::circle_zoom_option, "circle_zoom_option", Kind::option, "Zoom, U=0, D=0", true, 0},
    {Id::ground_track_box, "ground_track_box", Kind::check, "Ground Track", false, 1},
    {Id::air_track_box, "air_track_box", Kind::check, "Air Track", false, 1},
    {Id::draw_button, "draw_button", Kind::command, "DRAW", false, 0},
    {Id::ok_button, "ok_button", Kind::command, "OK", true, 0},
    {Id::reset_button, "reset_button", Kind::command, "RESET", false, 0},
    {Id::fly_button, "fly_button", Kind::command, "FLY", false, 0},
    {Id::time_box, "time_box", Kind::text, "", true, 0},
    {Id::stop_button, "stop_button", Kind::command, "STOP", true, 0},
    {Id::time_label, "time_label", Kind::label, "time,s", true, 0},
    {Id::end_button, "end_button", Kind::command, "END", true, 0},
};
static_assert(std::size(kRows) == kControlCount, "one row per control");

}  // namespace

Window make_window() {
    Window w;
    for (const Row& r : kRows) {
        Control& c = w.controls[static_cast<size_t>(r.id)];
        c.id = r.id;
        c.name = r.name;
        c.kind = r.kind;
        c.text = std::string(r.text);
        c.visible = r.visible;
        c.value = r.value;
    }
    // The boxes start with the model's own values, as the session writes them.
    const RunModel m;
    set_text(w, Id::roll_box, float_text(m.roll));
    set_text(w, Id::pitch_box, float_text(m.pitch));
    set_text(w, Id::yaw_box, float_text(m.yaw));
    set_text(w, Id::observer_x_box, float_text(m.observer.x));
    set_text(w, Id::observer_y_box, float_text(m.observer.y));
    set_text(w, Id::observer_z_box, float_text(m.observer.z));
    set_text(w, Id::bird_scale_box, float_text(m.bird_scale));
    set_text(w, Id::step_box, std::to_string(m.tick_interval_ms));
    control(w, Id::grid_box).value = m.grid ? 1 : 0;
    control(w, Id::ground_track_box).value = m.ground_track ? 1 : 0;
    control(w, Id::air_track_box).value = m.air_track ? 1 : 0;
    control(w, Id::write_files_box).value = m.write_files ? 1 : 0;
    select_option(w, option_of(m.pattern));
    control(w, Id::depression_box).enabled = false;
    control(w, Id::azimuth_box).enabled = false;
    control(w, Id::time_box).enabled = false;
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

Id option_of(Mode mode) {
    switch (mode) {
        case Mode::upwind:
            return Id::upwind_option;
        case Mode::downwind:
            return Id::downwind_option;
        case Mode::crosswind:
            return Id::crosswind_option;
        case Mode::circlezoom:
            return Id::circle_zoom_option;
        case Mode::profile:
            return Id::profile_option;
        case Mode::fixed:
            break;
    }
    return Id::fixed_option;
}

std::optional<Mode> mode_of_option(Id id) {
    switch (id) {
        case Id::upwind_option:
            return Mode::upwind;
        case Id::downwind_option:
            return Mode::downwind;
        case Id::crosswind_option:
            return Mode::crosswind;
        case Id::circle_zoom_option:
            return Mode::circlezoom;
        case Id::profile_option:
            return Mode::profile;
        case Id::fixed_option:
            return Mode::fixed;
        default:
            return std::nullopt;
    }
}

}  // namespace soar
