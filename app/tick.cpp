#include <ctime>
#include <exception>

#include "app/app.h"
#include "app/loop_flight.h"
#include "platform/number_text.h"
#include "sim/fault.h"
#include "sim/flight_step.h"

namespace soar {

namespace {

// What the user does next. The message box that shows it closes with "Close",
// so the window's own "OK" is not confused with the box's button.
constexpr const char* kNextFlight =
    " To fly again, set up a new flight with \"OK\" in the window, then press \"FLY\".";

bool flight_tick(State& s, Window& w, Io& io, bool readouts) {
    if (io.loop) return loop_tick_flight(s, w, io);
    ++s.n_step;
    const Mode mode = selected_mode(w);
    try {
        if (s.n_step == 1) {
            first_tick(s, w.flight, mode);
            if (io.record) io.record->begin(mode, s, w.flight, std::time(nullptr));
        } else {
            integration_step(s, w.flight, mode, io.clock.seconds_since_midnight());
            if (readouts) {
                set_text(w, Id::txt_time, float_text(s.t));
                set_text(w, Id::txt_rollR, float_text(s.mu_deg));
                set_text(w, Id::txt_pitchup, float_text(s.pitch_b));
                set_text(w, Id::txt_yawR, float_text(-s.yaw_b));
            }
            if (io.record) io.record->add(s);
        }
    } catch (const SeaContact&) {
        stop_with_message(s, w, io,
                          "The flight was stopped: the bird touched the sea at t = " +
                              float_text(s.t) + " s." + kNextFlight);
        return false;
    } catch (const FlightFault& f) {
        stop_with_message(s, w, io,
                          "The flight was stopped at t = " + float_text(s.t) + " s: " + f.what() +
                              "." + kNextFlight);
        return false;
    }
    return true;
}

}  // namespace

bool tick_flight(State& s, Window& w, Io& io) {
    return flight_tick(s, w, io, true);
}

bool tick_flight_unseen(State& s, Window& w, Io& io) {
    return flight_tick(s, w, io, false);
}

void Tim_1_Timer(State& s, Window& w, Io& io) {
    // The flight is advanced before the picture is cleared (nothing of the flight
    // depends on the picture), so a flight stopped by a fault leaves the last
    // complete picture on the screen.
    if (flight_paused(io)) return;
    try {
        if (!tick_flight(s, w, io)) return;
        io.pic.clear();
        scene_redraw(s, w, io);
    } catch (const std::exception& e) {
        stop_with_message(s, w, io,
                          std::string("The flight was stopped at t = ") + float_text(s.t) +
                              " s by an internal error: " + e.what());
    }
}

}  // namespace soar
