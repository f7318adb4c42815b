// What the main window shows, as a view of the run's model: each control by
// name with its caption or text, whether it is shown and enabled, and its value
// (option selected, box ticked). The session writes it from the model (a
// number as its box shows it) and never reads a number back from it; where the
// controls stand and how they look is the Qt window's designed layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/mode.h"

namespace soar {

// What a control is to the user.
enum class Kind { picture, label, check, option, text, command };

// Control names, in the order of the window description.
enum class Id : int {
    picture,
    title,
    grid_box,
    write_files_box,
    profile_option,
    depression_label,
    depression_box,
    azimuth_label,
    azimuth_box,
    observer_x_label,
    observer_x_box,
    observer_y_label,
    observer_y_box,
    observer_z_label,
    observer_z_box,
    step_label,
    step_box,
    calc_label,
    calc_box,
    bird_scale_label,
    bird_scale_box,
    fixed_option,
    roll_label,
    roll_box,
    pitch_label,
    pitch_box,
    yaw_label,
    yaw_box,
    pan_up_button,
    pan_left_button,
    pan_right_button,
    pan_down_button,
    zoom_in_button,
    zoom_out_button,
    moving_label,
    upwind_option,
    downwind_option,
    crosswind_option,
    circle_zoom_option,
    ground_track_box,
    air_track_box,
    draw_button,
    ok_button,
    reset_button,
    fly_button,
    time_box,
    stop_button,
    time_label,
    end_button,
    count_
};
inline constexpr int kControlCount = static_cast<int>(Id::count_);

struct Control {
    Id id;
    std::string_view name;
    Kind kind;
    std::string text;  // caption or text
    bool visible = true;
    bool enabled = true;
    int value = 0;  // option: 1 selected; check box: 0 unchecked, 1 checked
};

struct Window {
    std::array<Control, kControlCount> controls;
    std::string message;  // something the user must be told; a view shows and clears it
    std::string notice;   // a passing note that needs no answer; a view shows and clears it
    bool ended = false;   // "END" was pressed: the program closes at once
};

// The window as its description creates it, before start-up runs.
Window make_window();

Control& control(Window& w, Id id);
const Control& control(const Window& w, Id id);
Id id_of(std::string_view name);  // Id::count_ when there is no such control

inline void show(Window& w, Id id) {
    control(w, id).visible = true;
}
inline void hide(Window& w, Id id) {
    control(w, id).visible = false;
}
inline bool visible(const Window& w, Id id) {
    return control(w, id).visible;
}
inline const std::string& text(const Window& w, Id id) {
    return control(w, id).text;
}
inline void set_text(Window& w, Id id, std::string t) {
    control(w, id).text = std::move(t);
}
inline bool selected(const Window& w, Id id) {
    return control(w, id).value != 0;
}
inline bool checked(const Window& w, Id id) {
    return control(w, id).value == 1;
}
// Selects one option of the window's single option group and clears the others.
void select_option(Window& w, Id id);
// The option that shows pattern `mode` selected, and the pattern an option selects.
Id option_of(Mode mode);
std::optional<Mode> mode_of_option(Id id);

}  // namespace soar
