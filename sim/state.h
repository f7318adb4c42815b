// The program's shared state: one plain struct, one field per shared variable,
// under the names that flight mechanics gives them. Physical quantities are
// 32-bit floats (stored), every formula is evaluated in 64-bit and rounded when
// it is stored. A fresh State is the state before start-up: everything 0.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/arrays.h"
#include "view/track_lod.h"  // plain data, no drawing

namespace soar {

// The pattern and view chosen with the option buttons (exactly one is selected).
enum class Mode { fixed, upwind, downwind, crosswind, circlezoom, profile };

// Heading-scheduled patterns: turn radius and flight-path angle follow the heading.
inline bool heading_scheduled(Mode m) {
    return m == Mode::circlezoom || m == Mode::downwind || m == Mode::profile;
}

struct State {
    // The air, bird, wind-profile and pattern constants are not here: they are
    // the flight's Params (sim/params.h), passed to the flight model apart.

    // --- wind at the bird ---
    float U = 0, Up = 0, Up_V_g = 0;

    // --- flight state ---
    float t = 0, t_start = 0, dt = 0;
    // Tick counter. Wide, so that a flight runs as long as the user lets it.
    int64_t n_step = 0;
    float V = 0, X = 0, Y = 0, Z = 0;
    float gam_deg = 0, gam = 0, gam_dot = 0, dgam_dpsi = 0;
    float psi_deg = 0, psi = 0, psi_dot = 0;
    float mu_deg = 0, mu = 0;
    float R_turn = 0, alpha = 0;
    float Nz = 0, Nx = 0, CL = 0, CD = 0, D_L = 0;
    float Xdot_air = 0, Xdot = 0, Ydot = 0;

    // --- step memory ---
    float t_old = 0, V_old = 0, X_old = 0, Y_old = 0, Z_old = 0, gam_deg_old = 0, psi_deg_old = 0,
          Nx_old = 0, psi_dot_old = 0, Xdot_old = 0, Ydot_old = 0;

    // Clock bookkeeping across midnight: the last raw clock reading of the flight
    // and the whole days (in s) added since FLY, so that t never runs backwards.
    double clock_last = 0, clock_days = 0;

    // --- observer, view and drawing surface ---
    float xep = 0, yep = 0, zep = 0;
    float x_aim = 0, y_aim = 0, z_aim = 0;
    float dx_ob = 0, dy_ob = 0, dz_ob = 0;
    float x_shift = 0, y_shift = 0, z_shift = 0;
    float zoom_deg = 0, pic_aspect = 0;
    float omedeg = 0, sigdeg = 0, D_ob = 0;
    float pic_w = 0, pic_h = 0, pic_left = 0, pic_right = 0, pic_top = 0, pic_bottom = 0;
    uint16_t i_pic = 0;
    float vis_prev = 0;

    // --- sea grid ---
    float x_grid_min = 0, x_grid_max = 0, y_grid_min = 0, y_grid_max = 0, d_grid = 0;
    int16_t n_grid_x = 0, n_grid_y = 0;
    Array1 grid_xl, grid_yl;

    // --- flight tracks: index 0 is never used, point k is tick k. The ground track
    // is the same points at height 0. ---
    std::vector<float> x_trk, y_trk, z_trk;
    int64_t n_trk = 0;
    // Where the track's blocks lie and their simplified copies, kept up to date
    // by track_record; drawing only reads it.
    TrackLod trk_lod;

    // --- wind-profile figure ---
    int16_t n_wp = 0;
    Array1 x_wp, y_wp, z_wp;
    float x_wp_off = 0, y_wp_pos = 0;

    // --- bird drawing and model (body lengths) ---
    float bird_scale = 0, roll_b = 0, pitch_b = 0, yaw_b = 0;
    int16_t bird_colour = 0, write_flag = 0;
    Array2 x_wing, y_wing, z_wing;
    int16_t n_wsec = 0, n_wpt = 0;
    Array1 x_wout, y_wout, z_wout;
    int16_t n_wout = 0;
    Array1 x_spar, y_spar, z_spar;
    int16_t n_spar = 0;
    Array1 x_prof, y_prof, z_prof;
    int16_t n_prof = 0;
    Array1 x_plan, y_plan, z_plan;
    int16_t n_plan = 0;
    Array2 x_bsec, y_bsec, z_bsec;
    int16_t n_bsec = 0, n_bpt = 0;
    Array1 x_eye, y_eye, z_eye;
    int16_t n_eye = 0;
    float x_le_root = 0, y_le_root = 0, z_le_root = 0;
    float x_te_root = 0, y_te_root = 0, z_te_root = 0;
    float x_sp_root = 0, y_sp_root = 0, z_sp_root = 0;
    float x_bill = 0, x_tailc = 0, x_eye_c = 0, z_eye_c = 0, r_eye = 0;
    int16_t droop_off = 0;
};

}  // namespace soar
