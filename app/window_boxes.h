// The window's boxes and the run's model kept as one: a number shown in a box
// is the number the model holds (as the box shows it, seven significant
// digits at most), a check box's tick is the model's switch, the selected
// option is the model's pattern. The read-outs (time, azimuth, depression)
// show numbers the model does not hold. And how a message names a box and
// quotes what was typed into it.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_model.h"
#include "app/window.h"
#include "sim/flight_state.h"
#include "view/camera.h"

namespace soar {

// `value` shown in `box`; the model takes the number as the box shows it.
void show_number(Window& w, RunModel& m, Id box, float value);
// A recorded or flown moment: its time and attitude (the yaw within a half-turn).
void show_moment(Window& w, RunModel& m, const FlightState& s);
// The observer boxes from the camera's eye, m.
void show_observer(Window& w, RunModel& m, const Camera& c);
// The view's azimuth and depression read-outs, deg.
void show_view_readouts(Window& w, RunModel& m, const Camera& c);
// A check box ticked (`on`) or cleared, and the model's switch with it.
void set_switch(Window& w, RunModel& m, Id box, bool on);
// An option of the pattern group selected, and the model's pattern with it.
void select(Window& w, RunModel& m, Id option);

// The typed number of milliseconds rounded; an interval the timer cannot take
// (0, negative, huge, no number) becomes the nearest sensible one: 1 ms to 10 s.
int32_t tick_interval_of(double ms);

// How the user knows a text box: the caption of the label beside it, with its
// runs of blanks closed up ("Roll Rt.  deg" becomes "Roll Rt. deg"); the
// control's name for a box without a label.
std::string box_name(const Window& w, Id box);
// A text as it is quoted in a message: at most 40 characters.
std::string shortened(const std::string& t);

}  // namespace soar
