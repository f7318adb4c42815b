#include <exception>

#include "app/app.h"
#include "app/frame.h"
#include "bird/draw.h"
#include "platform/number_text.h"
#include "view/grid.h"
#include "view/projection.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"

namespace soar {

namespace {

// The redraw's one sequence, for three callers: the full redraw (state work and
// drawing), the state work alone, and the drawing alone from kept inputs.
// `view` recomputes the view; `bird` draws the bird.
template <bool kDraw, bool kRecord, typename View, typename Bird>
void scene_pass(State& s, const SceneSwitches& sw, Surface& pic, View&& view, Bird&& bird) {
    const Mode mode = sw.mode;
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    // Sky, sea, grid and tracks are drawn with the view of the previous tick; the
    // bird with the new one.
    if (kDraw && mode != Mode::fixed) sky_sea(s, pic);
    if (sw.grid) {
        s.x_shift = grid_shift(s);
        s.y_shift = 0.0f;
        s.z_shift = 0.0f;
        if (kDraw) grid_draw(s, pic);
    }
    if (mode == Mode::profile) {
        s.y_shift = 0.0f;
        s.z_shift = s.Z;
        s.x_shift = float(8.0 - double(s.Z) * 14.0 / 20.0);
        view();
    }
    if (sw.ground || sw.air) {
        if (kRecord) {
            track_record(s);
        } else {
            s.n_trk = s.n_step;
        }
        if (s.n_step > 1) {
            s.x_shift = s.y_shift = s.z_shift = 0.0f;
            if (kDraw) tracks_draw(s, pic, sw.ground, sw.air);
        }
    }
    if (mode != Mode::fixed && mode != Mode::profile) {
        follow_bird(s);
        view();
    }
    bird();
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    if (kDraw && (mode == Mode::upwind || mode == Mode::downwind || mode == Mode::crosswind))
        wind_profile_draw(s, pic);
}

// Export files for a drawing that writes none (write_flag is 0 while it runs).
struct NoFiles final : TextFiles {
    bool open(int, const std::string&) override { return false; }
    bool write_line(int, const std::string&) override { return false; }
    bool write_record(int, std::span<const float>) override { return false; }
    bool close(int) override { return false; }
    std::string error() const override { return "no files"; }
};

}  // namespace

namespace {

// Every scalar of the scene in the state and its copy, in pairs: the one list
// both directions of the copy go by.
template <typename S, typename V, typename F>
void each_scene_scalar(S& s, V& v, F&& f) {
    f(s.x_shift, v.x_shift), f(s.y_shift, v.y_shift), f(s.z_shift, v.z_shift);
    f(s.x_aim, v.x_aim), f(s.y_aim, v.y_aim), f(s.z_aim, v.z_aim);
    f(s.xep, v.xep), f(s.yep, v.yep), f(s.zep, v.zep);
    f(s.dx_ob, v.dx_ob), f(s.dy_ob, v.dy_ob), f(s.dz_ob, v.dz_ob);
    f(s.zoom_deg, v.zoom_deg), f(s.pic_aspect, v.pic_aspect), f(s.omedeg, v.omedeg);
    f(s.sigdeg, v.sigdeg), f(s.D_ob, v.D_ob);
    f(s.pic_w, v.pic_w), f(s.pic_h, v.pic_h), f(s.pic_left, v.pic_left);
    f(s.pic_right, v.pic_right), f(s.pic_top, v.pic_top), f(s.pic_bottom, v.pic_bottom);
    f(s.vis_prev, v.vis_prev);
    f(s.X, v.X), f(s.Y, v.Y), f(s.Z, v.Z);
    f(s.roll_b, v.roll_b), f(s.pitch_b, v.pitch_b), f(s.yaw_b, v.yaw_b);
    f(s.bird_colour, v.bird_colour);
    f(s.n_step, v.n_step), f(s.n_trk, v.n_trk);
}

}  // namespace

SceneScalars scene_scalars(const State& s) {
    SceneScalars v;
    each_scene_scalar(s, v, [](const auto& state, auto& copy) { copy = state; });
    return v;
}

void set_scene_scalars(State& s, const SceneScalars& v) {
    each_scene_scalar(s, v, [](auto& state, const auto& copy) { state = copy; });
}

SceneSwitches scene_switches(const Window& w) {
    return {selected_mode(w), checked(w, Id::chk_grid), checked(w, Id::chk_groundtrack),
            checked(w, Id::chk_airtrack)};
}

void scene_redraw(State& s, Window& w, Io& io) {
    scene_pass<true, true>(
        s, scene_switches(w), io.pic, [&] { view_update(s, w, io); }, [&] { draw_bird(s, w, io); });
}

void scene_advance(State& s, Window& w, Io& io, FrameInputs& f) {
    f.before = scene_scalars(s);
    f.scale = io.pic.scale_setting();
    f.switches = scene_switches(w);
    f.n_step = s.n_step;
    f.valid = true;
    // The bird's drawing changes no state but its colour, which ends black.
    scene_pass<false, true>(
        s, f.switches, io.pic, [&] { view_update(s, w, io); }, [&] { s.bird_colour = 0; });
}

void scene_draw(State& s, const FrameInputs& f, Surface& pic) {
    if (!f.valid) return;
    const SceneScalars now = scene_scalars(s);
    const int16_t write_flag = s.write_flag;
    set_scene_scalars(s, f.before);
    s.write_flag = 0;
    pic.set_scale_setting(f.scale);
    pic.clear();
    NoFiles none;
    scene_pass<true, false>(
        s, f.switches, pic, [&] { ome_sig_scale(s, pic); }, [&] { bird_draw(s, pic, none); });
    s.write_flag = write_flag;
    set_scene_scalars(s, now);
}

void Tim_1_Timer_state_only(State& s, Window& w, Io& io, FrameInputs& f) {
    try {
        if (!tick_flight(s, w, io)) return;
        scene_advance(s, w, io, f);
    } catch (const std::exception& e) {
        stop_with_message(s, w, io,
                          std::string("The flight was stopped at t = ") + float_text(s.t) +
                              " s by an internal error: " + e.what());
    }
}

}  // namespace soar
