// The wire model of the albatross in its own frame: x from the bill tip (0) to
// the tail end (1), y to the right wing tip, z up; one unit is one body length.
// Seven components of 1-based polylines, built once (bird_build) and only read
// afterwards; the left side is the right one mirrored when drawn.
#pragma once

#include <cstdint>

#include "sim/arrays.h"

namespace soar {

struct BirdModel {
    // Wing sections: n_wsec sections of n_wpt points (section, point).
    Array2 x_wing, y_wing, z_wing;
    int16_t n_wsec = 0, n_wpt = 0;
    // Wing outline: trailing edge root to tip, leading edge back.
    Array1 x_wout, y_wout, z_wout;
    int16_t n_wout = 0;
    // Spar line along the upper surface, root to tip.
    Array1 x_spar, y_spar, z_spar;
    int16_t n_spar = 0;
    // Body side profile in the plane of symmetry.
    Array1 x_prof, y_prof, z_prof;
    int16_t n_prof = 0;
    // Body plan outline at centre height.
    Array1 x_plan, y_plan, z_plan;
    int16_t n_plan = 0;
    // Body cross-sections: n_bsec half-rings of n_bpt points.
    Array2 x_bsec, y_bsec, z_bsec;
    int16_t n_bsec = 0, n_bpt = 0;
    // The eye: three nested rings as one spiral.
    Array1 x_eye, y_eye, z_eye;
    int16_t n_eye = 0;

    // Where the wing root meets the body: leading edge, trailing edge, spar point.
    float x_le_root = 0, y_le_root = 0, z_le_root = 0;
    float x_te_root = 0, y_te_root = 0, z_te_root = 0;
    float x_sp_root = 0, y_sp_root = 0, z_sp_root = 0;
    // Shape constants: end of the bill shaping, start of the tail fan, the eye's
    // centre and radius (body lengths).
    float x_bill = 0, x_tailc = 0, x_eye_c = 0, z_eye_c = 0, r_eye = 0;
    // Wings drooped (0) or straight (1).
    int16_t droop_off = 0;
};

}  // namespace soar
