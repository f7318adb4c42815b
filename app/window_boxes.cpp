#include "app/window_boxes.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/half_turn.h"
#include "platform/number_text.h"

namespace soar {

void show_number(Window& w, RunModel& m, Id box, float value) {
    set_text(w, box, float_text(value));
    // The number is what the box now shows: seven significant digits at most.
    const float shown = shown_value(value);
    switch (box) {
        case Id::roll_box:
            m.roll = shown;
            break;
        case Id::pitch_box:
            m.pitch = shown;
            break;
        case Id::yaw_box:
            m.yaw = shown;
            break;
        case Id::observer_x_box:
            m.observer.x = shown;
            break;
        case Id::observer_y_box:
            m.observer.y = shown;
            break;
        case Id::observer_z_box:
            m.observer.z = shown;
            break;
        default:
            break;  // a read-out: nothing of the model
    }
}

void show_moment(Window& w, RunModel& m, const FlightState& s) {
    show_number(w, m, Id::time_box, s.t);
    show_number(w, m, Id::roll_box, s.mu_deg);
    show_number(w, m, Id::pitch_box, s.attitude.pitch);
    show_number(w, m, Id::yaw_box, -s.attitude.yaw);
    // The boxes show pitch and yaw within a half-turn; the model keeps the angles
    // flown (the same directions), so that what is drawn from them stays as it
    // was. (A pitch past a half-turn comes of a lift far beyond the stall.)
    const std::pair<Id, double> angles[] = {{Id::pitch_box, double(s.attitude.pitch)},
                                            {Id::yaw_box, -double(s.attitude.yaw)}};
    for (const auto& [box, deg] : angles) {
        const double shown = half_turn_deg(deg);
        if (shown != deg || (deg == 0 && std::signbit(deg)))
            set_text(w, box, float_text(float(shown)));
    }
}

void show_observer(Window& w, RunModel& m, const Camera& c) {
    show_number(w, m, Id::observer_x_box, c.x_eye);
    show_number(w, m, Id::observer_y_box, c.y_eye);
    show_number(w, m, Id::observer_z_box, c.z_eye);
}

void show_view_readouts(Window& w, RunModel& m, const Camera& c) {
    show_number(w, m, Id::azimuth_box, c.azimuth_deg);
    show_number(w, m, Id::depression_box, c.depression_deg);
}

void set_switch(Window& w, RunModel& m, Id box, bool on) {
    control(w, box).value = on ? 1 : 0;
    switch (box) {
        case Id::grid_box:
            m.grid = on;
            break;
        case Id::ground_track_box:
            m.ground_track = on;
            break;
        case Id::air_track_box:
            m.air_track = on;
            break;
        case Id::write_files_box:
            m.write_files = on;
            break;
        default:
            break;
    }
}

void select(Window& w, RunModel& m, Id option) {
    select_option(w, option);
    m.pattern = mode_of_option(option).value_or(Mode::fixed);
}

int32_t tick_interval_of(double ms) {
    if (std::isnan(ms)) return 1;
    return std::clamp(to_i32(std::clamp(ms, -1e9, 1e9)), 1, 10000);
}

std::string box_name(const Window& w, Id box) {
    Id label = Id::count_;
    switch (box) {
        case Id::roll_box:
            label = Id::roll_label;
            break;
        case Id::pitch_box:
            label = Id::pitch_label;
            break;
        case Id::yaw_box:
            label = Id::yaw_label;
            break;
        case Id::bird_scale_box:
            label = Id::bird_scale_label;
            break;
        case Id::step_box:
            label = Id::step_label;
            break;
        case Id::calc_box:
            label = Id::calc_label;
            break;
        case Id::observer_x_box:
            label = Id::observer_x_label;
            break;
        case Id::observer_y_box:
            label = Id::observer_y_label;
            break;
        case Id::observer_z_box:
            label = Id::observer_z_label;
            break;
        case Id::time_box:
            label = Id::time_label;
            break;
        case Id::azimuth_box:
            label = Id::azimuth_label;
            break;
        case Id::depression_box:
            label = Id::depression_label;
            break;
        default:
            return std::string(control(w, box).name);
    }
    std::string name;
    for (char ch : text(w, label))
        if (ch != ' ' || (!name.empty() && name.back() != ' ')) name += ch;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

std::string shortened(const std::string& t) {
    return t.size() <= 40 ? t : t.substr(0, 37) + "...";
}

}  // namespace soar
