#include "app/app.h"
#include "platform/number_text.h"
#include "sim/initial_conditions.h"
#include "sim/wind.h"
#include "view/projection.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"

namespace soar {

namespace {

// Places the observer for the selected mode and shows it in the observer boxes.
void view_mode_setup(State& s, Window& w, Mode mode) {
    if (mode == Mode::fixed) {
        s.xep = float(number_in(w, Id::txt_xep));
        s.yep = float(number_in(w, Id::txt_yep));
        s.zep = float(number_in(w, Id::txt_zep));
    } else {
        view_mode_place(s, mode);
    }
    set_text(w, Id::txt_xep, float_text(s.xep));
    set_text(w, Id::txt_yep, float_text(s.yep));
    set_text(w, Id::txt_zep, float_text(s.zep));
}

TypedAttitude typed_attitude(const Window& w) {
    return {number_in(w, Id::txt_pitchup), number_in(w, Id::txt_rollR), number_in(w, Id::txt_yawR)};
}

}  // namespace

void cmd_setup_click(State& s, Window& w, Io& io) {
    // "OK" during a flight stops it first, as STOP does: set-up resets the state the
    // running ticks integrate, and the next tick would step from the old flight's
    // time to the new start in one huge step.
    if (w.timer.enabled) cmd_STOp_click(s, w, io);
    // The optimal loop, if one flew, gives way to the selected pattern.
    io.loop = nullptr;
    const Mode mode = selected_mode(w);
    const bool moving = mode != Mode::fixed;
    if (moving) show(w, Id::cmd_RESUME);
    io.pic.clear();
    view_update(s, w, io);
    sky_sea(s, io.pic);
    if (moving) s.zoom_deg = 45.0f;
    w.flight = w.params.of(mode);
    w.flight_mode = mode;
    wind_profile_setup(s, w.flight);
    if (!moving) {
        const TypedAttitude a = typed_attitude(w);
        s.pitch_b = float(a.pitch);
        s.roll_b = float(-a.roll);
        s.yaw_b = float(-a.yaw);
    }
    view_mode_setup(s, w, mode);
    if (moving) {
        math_start(s, w.flight, mode, typed_attitude(w));
        U_V_Z_Up(s, w.flight);
    }
    s.bird_scale = float(number_in(w, Id::txt_bird_scale));
    view_update(s, w, io);
    if (moving) {
        w.timer.interval_ms = timer_interval(w);
        s.n_step = 0;
    } else {
        draw_bird(s, w, io);
    }
}

void cmd_draw_Click(State& s, Window& w, Io& io) {
    show(w, Id::cmd_setup);
    io.pic.clear();
    draw_bird(s, w, io);
    const Mode mode = selected_mode(w);
    if (mode != Mode::fixed && mode != Mode::circlezoom) wind_profile_draw(s, io.pic);
}

}  // namespace soar
