// A headless run of the program: the state, the window model and the platform
// pieces a command needs, wired together, with the user's actions as methods.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/app.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/manual_clock.h"
#include "platform/surface.h"

namespace soar {

struct Session {
    explicit Session(std::unique_ptr<Surface> picture, std::string export_dir = ".");

    // Start-up: the window is created and loaded.
    void start();
    // The user's choice of pattern or view ("fixed", "upwind", ...), then "OK".
    void choose(Mode mode);
    void press_ok();
    // "FLY" with the clock reading `clock`.
    void press_fly(float clock);
    // One timer event at clock reading `clock`. False when the flight stopped.
    bool tick(float clock);
    // The flight half of a timer event only (no picture): the same flight.
    bool tick_flight_only(float clock);

    std::unique_ptr<Surface> pic;
    ManualClock clock;
    FlightClock flight_clock{clock};
    FlightRecord record;
    DirTextFiles files;
    Io io;
    State s;
    Window w;
};

std::optional<Mode> mode_named(const std::string& name);
Id option_of(Mode mode);

}  // namespace soar
