// What the main window shows and hides as the run moves on: every rule of the
// designed window in one place, each named for what the user did. The session
// applies them; tests and other faces (a web page) can drive them on a Window
// of their own.
#pragma once

#include "app/window.h"
#include "sim/mode.h"

namespace soar {

// The window has opened: the picture appears.
void show_opened(Window& w);
// A pattern of the option group (the fixed view, a moving view, the profile
// demo) was chosen: FLY waits for the next "OK".
void show_pattern_chosen(Window& w, Mode mode);
// A track box was ticked or cleared: FLY waits for the next "OK".
void show_track_chosen(Window& w);
// "OK" set up a flight, or the optimal loop is about to fly: FLY is offered.
void show_flight_set_up(Window& w);
// "DRAW": "OK" is offered.
void show_drawn(Window& w);
// "FLY": the other patterns, the fixed view and the track boxes go while the
// bird flies; STOP stays.
void show_flight_started(Window& w);
// STOP (or a fault): FLY goes until the next "OK"; the moving patterns come back.
void show_flight_stopped(Window& w);
// "RESET": the fixed view and the track boxes come back.
void show_reset(Window& w);

}  // namespace soar
