// A tick's picture apart from its state work. Every tick records its track
// point, moves the observer and recomputes the view (scene_advance); the picture
// that the full redraw would have drawn at that tick can be drawn later, and only
// when it will be seen (scene_draw), from what the tick kept in its FrameInputs.
#pragma once

#include <cstdint>

#include "app/app.h"

namespace soar {

// The scalar state that the scene's drawing reads or changes on its way: the
// view, the drawing shift, the bird's place and attitude, the track length.
struct SceneScalars {
    float x_shift = 0, y_shift = 0, z_shift = 0;
    float x_aim = 0, y_aim = 0, z_aim = 0;
    float xep = 0, yep = 0, zep = 0;
    float dx_ob = 0, dy_ob = 0, dz_ob = 0;
    float zoom_deg = 0, pic_aspect = 0, omedeg = 0, sigdeg = 0, D_ob = 0;
    float pic_w = 0, pic_h = 0, pic_left = 0, pic_right = 0, pic_top = 0, pic_bottom = 0;
    float vis_prev = 0;
    float X = 0, Y = 0, Z = 0, roll_b = 0, pitch_b = 0, yaw_b = 0;
    int16_t bird_colour = 0;
    int64_t n_step = 0, n_trk = 0;
};

SceneScalars scene_scalars(const State& s);
void set_scene_scalars(State& s, const SceneScalars& v);

// What the redraw reads from the window's controls.
struct SceneSwitches {
    Mode mode = Mode::fixed;
    bool grid = false, ground = false, air = false;
};
SceneSwitches scene_switches(const Window& w, const Io& io);

// Everything one tick's picture is drawn from, besides the track arrays (points
// 1 .. n_trk of them, which later ticks only append to) and the bird model.
struct FrameInputs {
    bool valid = false;
    SceneScalars before;  // as the tick's redraw found them: the previous tick's view
    ScaleSetting scale;   // the picture's user scale at that moment
    SceneSwitches switches;
    int64_t n_step = 0;   // the tick this picture belongs to
};

// The state work of the redraw, without a pixel: the track point recorded, the
// observer moved with the bird, the view and its read-outs recomputed. With
// scene_draw of the inputs kept in `f` it does exactly what scene_redraw does.
void scene_advance(State& s, Window& w, Io& io, FrameInputs& f);

// Clears `pic` and draws the picture scene_redraw drew for the tick of `f`, bit
// for bit. `s` holds the track (at least f's points) and the bird model; its
// scalars are put back as they were. Writes no file.
void scene_draw(State& s, const FrameInputs& f, Surface& pic);

// One timer tick that produces no picture: the flight half and scene_advance.
// A flight stopped by a fault leaves `f` as the last complete tick left it.
void Tim_1_Timer_state_only(State& s, Window& w, Io& io, FrameInputs& f);

}  // namespace soar
