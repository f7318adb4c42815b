#include "app/app.h"
#include "platform/number_text.h"
#include "view/projection.h"
#include "view/zoom_pan.h"

namespace soar {

namespace {

// What choosing a moving view does to the window before "OK".
void prepare_moving_view(Window& w, Io& io, bool fixed_first) {
    io.pic.clear();
    hide(w, Id::cmd_pan_Left);
    hide(w, Id::cmd_pan_right);
    show(w, Id::chk_groundtrack);
    show(w, Id::chk_airtrack);
    if (fixed_first) {
        hide(w, Id::opt_fixed);
        hide(w, Id::cmd_RESUME);
    } else {
        hide(w, Id::cmd_RESUME);
        hide(w, Id::opt_fixed);
    }
}

// The fixed view's redraw after a zoom or pan.
void redraw_fixed(State& s, Window& w, Io& io) {
    view_update(s, w, io);
    sky_sea(s, io.pic);
    draw_bird(s, w, io);
}

void zoom_in_out(State& s, Window& w, Io& io, double sign) {
    zoom_displacement(s, sign);
    if (scene_mode(w, io) != Mode::fixed) return;
    io.pic.clear();
    zoom_view_angle(s, sign);
    redraw_fixed(s, w, io);
}

void pan_up_down(State& s, Window& w, Io& io, double sign) {
    if (scene_mode(w, io) != Mode::fixed) return;
    pan_pitch(s, sign);
    io.pic.clear();
    set_text(w, Id::txt_pitchup, float_text(s.pitch_b));
    redraw_fixed(s, w, io);
}

void pan_left_right(State& s, Window& w, Io& io, double sign) {
    if (scene_mode(w, io) != Mode::fixed) return;
    pan_yaw(s, sign);
    io.pic.clear();
    set_text(w, Id::txt_yawR, float_text(-s.yaw_b));
    redraw_fixed(s, w, io);
}

}  // namespace

void opt_upwind_Click(State&, Window& w, Io& io) {
    prepare_moving_view(w, io, true);
}
void opt_downwind_Click(State&, Window& w, Io& io) {
    prepare_moving_view(w, io, false);
}
void opt_crosswind_Click(State&, Window& w, Io& io) {
    prepare_moving_view(w, io, false);
}
void opt_circlezoom_Click(State&, Window& w, Io& io) {
    prepare_moving_view(w, io, false);
}

void opt_fixed_Click(State&, Window& w, Io&) {
    hide(w, Id::cmd_RESUME);
    hide(w, Id::chk_groundtrack);
    hide(w, Id::chk_airtrack);
}

void opt_profile_Click(State&, Window& w, Io&) {
    hide(w, Id::cmd_draw);
    show(w, Id::cmd_STOP);
    hide(w, Id::cmd_RESUME);
    if (selected(w, Id::opt_profile)) show(w, Id::cmd_setup);
}

void cmd_zoom_in_Click(State& s, Window& w, Io& io) {
    zoom_in_out(s, w, io, -1.0);
}
void cmd_zoom_out_Click(State& s, Window& w, Io& io) {
    zoom_in_out(s, w, io, +1.0);
}

void cmd_pan_up_click(State& s, Window& w, Io& io) {
    pan_height(s, 1.1);
    if (scene_mode(w, io) == Mode::fixed) pan_up_down(s, w, io, +1.0);
}

void cmd_pan_down_Click(State& s, Window& w, Io& io) {
    pan_height(s, 0.9);
    if (scene_mode(w, io) == Mode::fixed) pan_up_down(s, w, io, -1.0);
}

void cmd_pan_Left_Click(State& s, Window& w, Io& io) {
    pan_left_right(s, w, io, -1.0);
}
void cmd_pan_right_Click(State& s, Window& w, Io& io) {
    pan_left_right(s, w, io, +1.0);
}

void cmd_reset_Click(State& s, Window& w, Io& io) {
    show(w, Id::opt_fixed);
    show(w, Id::chk_groundtrack);
    show(w, Id::chk_airtrack);
    set_text(w, Id::txt_pitchup, "0");
    set_text(w, Id::txt_rollR, "57");
    set_text(w, Id::txt_yawR, "-90");
    s.pitch_b = float(number_in(w, Id::txt_pitchup));
    s.roll_b = float(-number_in(w, Id::txt_rollR));
    s.yaw_b = float(-number_in(w, Id::txt_yawR));
    s.X = 0.0f, s.Y = 0.0f, s.t = 0.0f;
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    s.n_step = 0;
    cmd_setup_click(s, w, io);
    cmd_draw_Click(s, w, io);
}

void chk_write_Click(State& s, Window& w, Io&) {
    s.write_flag = control(w, Id::chk_write).value == 1 ? 1 : 0;
}

void chk_airtrack_Click(State&, Window& w, Io&) {
    hide(w, Id::cmd_RESUME);
}
void chk_groundtrack_Click(State&, Window& w, Io&) {
    hide(w, Id::cmd_RESUME);
}

void txt_bird_scale_Change(State& s, Window& w, Io&) {
    s.bird_scale = float(number_in(w, Id::txt_bird_scale));
}

}  // namespace soar
