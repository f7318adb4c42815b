// The main window as a model without any toolkit: every control with its name,
// kind, caption or text, layout rectangle (twips), visibility, enabled flag and
// value, plus the timer. Handlers change the model; a view (the Qt window, or
// nothing at all on the command line) shows it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/param_set.h"

namespace soar {

enum class Kind { picture, label, check, option, text, command, shape_rect, shape_circle, timer };

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
    fixed_frame,
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
    zoom_ring,
    zoom_in_button,
    zoom_out_button,
    zoom_handle,
    moving_frame,
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
    timer,
    count_
};
inline constexpr int kControlCount = static_cast<int>(Id::count_);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;  // twips
};

// How a control looks, beyond its kind. Colours are 0xRRGGBB, -1 for the default.
struct Look {
    bool bold = false;
    bool title_font = false;  // Arial 14.25 pt italic
    int32_t fore = -1, back = -1, border = -1;
};

struct Control {
    Id id;
    std::string_view name;
    Kind kind;
    std::string text;  // caption or text
    Rect rect;
    bool visible = true;
    bool enabled = true;
    int value = 0;  // option: 1 selected; check box: 0 unchecked, 1 checked
    Look look;
};

struct Timer {
    bool enabled = false;
    int32_t interval_ms = 0;
};

struct Window {
    std::string caption;
    int client_width = 14025, client_height = 9495;  // twips
    int32_t background = 0xE0E0E0;
    std::array<Control, kControlCount> controls;
    Timer timer;                // the animation timer
    std::vector<Id> tab_order;  // focus order, first to last
    std::string message;        // something the user must be told; a view shows and clears it
    std::string notice;         // a passing note that needs no answer; a view shows and clears it
    bool ended = false;         // "END" was pressed: the program closes at once

    // The parameters the user chose (Parameters dialog, command line), and those the
    // flight flies with: "OK" copies the selected pattern's into `flight`, so a
    // change reaches the flight at the next "OK" and never in the middle of one.
    ParamSet params;
    Params flight;
    // The pattern `flight` was taken for at the last "OK"; none before the first.
    std::optional<Mode> flight_mode;
    // What flies when it is not the pattern's own set: the optimal loop, whose
    // parameters set the wind to its least wind ("" for a pattern).
    std::string flight_label;
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
// The leading number of a text box's text (0 when there is none).
double number_in(const Window& w, Id id);
// The selected option of the window's option group, as a flight pattern and view.
Mode selected_mode(const Window& w);

}  // namespace soar
