#include "app/window_rules.h"

namespace soar {

namespace {

constexpr Id kMovingOptions[] = {Id::circle_zoom_option, Id::upwind_option, Id::crosswind_option,
                                 Id::downwind_option};

}  // namespace

void show_opened(Window& w) {
    show(w, Id::picture);
}

void show_pattern_chosen(Window& w, Mode mode) {
    switch (mode) {
        case Mode::upwind:
        case Mode::downwind:
        case Mode::crosswind:
        case Mode::circlezoom:
            // The moving views turn the bird by no pan; their tracks can be chosen.
            hide(w, Id::pan_left_button);
            hide(w, Id::pan_right_button);
            show(w, Id::ground_track_box);
            show(w, Id::air_track_box);
            hide(w, Id::fixed_option);
            hide(w, Id::fly_button);
            break;
        case Mode::fixed:
            hide(w, Id::fly_button);
            hide(w, Id::ground_track_box);
            hide(w, Id::air_track_box);
            break;
        case Mode::profile:
            hide(w, Id::draw_button);
            show(w, Id::stop_button);
            hide(w, Id::fly_button);
            if (selected(w, Id::profile_option)) show(w, Id::ok_button);
            break;
    }
}

void show_track_chosen(Window& w) {
    hide(w, Id::fly_button);
}

void show_flight_set_up(Window& w) {
    show(w, Id::fly_button);
}

void show_drawn(Window& w) {
    show(w, Id::ok_button);
}

void show_flight_started(Window& w) {
    hide(w, Id::fixed_option);
    for (Id id : kMovingOptions)
        if (!selected(w, id)) hide(w, id);
    hide(w, Id::ground_track_box);
    hide(w, Id::air_track_box);
    show(w, Id::stop_button);
}

void show_flight_stopped(Window& w) {
    hide(w, Id::fly_button);
    for (Id id : kMovingOptions) show(w, id);
}

void show_reset(Window& w) {
    show(w, Id::fixed_option);
    show(w, Id::ground_track_box);
    show(w, Id::air_track_box);
}

}  // namespace soar
