// The run as the program keeps it, in typed values: where the run stands (no
// flight, set up, flying, paused, stopped, looking back, flying the loop), the
// pattern selected, the values the user set (attitude, observer, bird scale,
// the tick's interval, what the picture shows) and the parameters chosen and
// in use. The session changes it; every view (the main window, Flight data,
// Parameters, a command line) reads it. No text is kept here: a view writes
// the numbers as it shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/param_set.h"

namespace soar {

// Where a run stands, as the user knows it.
enum class RunState {
    no_flight,     // nothing set up: the fixed view, or a pattern chosen but not set up
    set_up,        // "OK" has set up a pattern: "FLY" starts it
    flying,        // the pattern flies, tick by tick
    paused,        // a flight stands still (Space), to go on from where it was
    stopped,       // "STOP" or a fault ended the flight; a new one needs "OK"
    looking_back,  // a recorded moment of a paused or stopped flight is shown again
    flying_loop,   // the optimal loop flies instead of the pattern
};

// The observer's place in the fixed view, m.
struct Observer {
    float x = 0.0f, y = -3.0f, z = 0.0f;
};

struct RunModel {
    // The pattern selected (the view the picture is drawn in, but for the loop).
    Mode pattern = Mode::fixed;
    // The attitude the bird is drawn at outside a flight, as the user set it
    // or the last tick left it: roll to the right, pitch up, yaw to the right,
    // deg (the drawing turns roll and yaw to its own signs).
    float roll = -kStartAttitude.roll, pitch = kStartAttitude.pitch, yaw = -kStartAttitude.yaw;
    Observer observer;
    float bird_scale = 1.0f;  // 1: a 3.5 m span
    // The flight's ticks are this far apart, 1 ms .. 10 s.
    int32_t tick_interval_ms = 1;
    // What the picture shows besides the bird, and whether each drawing also
    // writes the bird's geometry files.
    bool grid = false, ground_track = true, air_track = true, write_files = false;

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

// The attitude the bird is drawn at from the user's values (roll and yaw
// turned to the drawing's signs), deg.
inline Attitude drawn_attitude(const RunModel& m) {
    return {-m.roll, m.pitch, -m.yaw};
}

}  // namespace soar
