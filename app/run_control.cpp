#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "platform/number_text.h"
#include "sim/flight_step.h"

namespace soar {

int32_t timer_interval(const Window& w) {
    // The box's rounded number; an interval the timer cannot take (0, negative,
    // huge, no number) becomes the nearest sensible one: 1 ms to 10 s.
    const double v = number_in(w, Id::txt_msec);
    if (std::isnan(v)) return 1;
    return std::clamp(to_i32(std::clamp(v, -1e9, 1e9)), 1, 10000);
}

void cmd_RESUME_Click(State& s, Window& w, Io& io) {
    // A second FLY during a flight would restart the clock under the running
    // integration and give the next step a negative dt: it is ignored.
    if (w.timer.enabled) return;
    hide(w, Id::opt_fixed);
    for (Id id : {Id::opt_circlezoom, Id::opt_upwind, Id::opt_crosswind, Id::opt_downwind})
        if (!selected(w, id)) hide(w, id);
    hide(w, Id::chk_groundtrack);
    hide(w, Id::chk_airtrack);
    show(w, Id::cmd_STOP);
    s.yep = float(number_in(w, Id::txt_yep));
    s.pitch_b = float(number_in(w, Id::txt_pitchup));
    s.roll_b = float(-number_in(w, Id::txt_rollR));
    s.yaw_b = float(-number_in(w, Id::txt_yawR));
    w.timer.interval_ms = timer_interval(w);
    w.timer.enabled = true;
    if (io.flight_clock) io.flight_clock->restart();
    start_clock(s, io.clock.seconds_since_midnight());
}

void cmd_STOp_click(State&, Window& w, Io& io) {
    // A paused flight that is stopped is stopped: the next FLY runs the clock.
    if (io.flight_clock) io.flight_clock->resume();
    if (io.record) io.record->end("stopped with STOP");
    hide(w, Id::cmd_RESUME);
    for (Id id : {Id::opt_circlezoom, Id::opt_upwind, Id::opt_crosswind, Id::opt_downwind})
        show(w, id);
    w.timer.enabled = false;
}

void cmd_END_Click(State&, Window& w, Io&) {
    w.timer.enabled = false;
    w.ended = true;
}

void txt_msec_Change(State&, Window& w, Io&) {
    w.timer.interval_ms = timer_interval(w);
}

void stop_with_message(State& s, Window& w, Io& io, const std::string& message) {
    if (io.record) io.record->end(message);
    cmd_STOp_click(s, w, io);
    w.message = message;
}

bool flight_paused(const Io& io) {
    return io.flight_clock && io.flight_clock->paused();
}

void pause_or_resume(State&, Window& w, Io& io) {
    if (!io.flight_clock) return;
    if (io.flight_clock->paused()) {
        io.flight_clock->resume();
    } else if (w.timer.enabled) {
        io.flight_clock->pause();
    }
}

void change_pace(State&, Window&, Io& io, int step) {
    if (io.flight_clock) io.flight_clock->set_pace(io.flight_clock->pace_index() + step);
}

}  // namespace soar
