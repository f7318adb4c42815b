#include "sim/initial_conditions.h"

namespace soar {

void air_defaults(State& s) {
    s.W_S = 107.8f;
    s.g = 9.8f;
    s.Nz = 1.0f;
    s.alpha_off = 3.0f;
    s.rho = 1.22f;
    s.CD0 = kCD0;
    s.CL_alpha = float(1.76 / 19.0);
    s.K_ind = kK_ind;
}

void math_start(State& s, Mode mode, const TypedAttitude& typed) {
    s.pitch_b = float(typed.pitch);
    s.roll_b = float(-typed.roll);
    s.yaw_b = float(-typed.yaw);

    // The circle zoom flies without drag; every other pattern gets the start-up
    // polar back, so that a zoom flown earlier does not leave the drag switched off.
    if (mode != Mode::circlezoom) {
        s.CD0 = kCD0;
        s.K_ind = kK_ind;
    }
    switch (mode) {
        case Mode::circlezoom:
            s.Z = 1.8f, s.gam_A = 15.0f, s.gam_B = 0.0f;
            s.R_0 = 40.0f, s.R_A = 0.0f, s.R_ph = 0.0f;
            s.CD0 = 0.0f, s.K_ind = 0.0f;
            break;
        case Mode::downwind:
        case Mode::profile:
            s.Z = 1.7f, s.gam_A = 18.0f, s.gam_B = 6.7f;
            s.R_0 = 40.0f, s.R_A = -15.0f, s.R_ph = 0.0f;
            break;
        case Mode::upwind:
            s.Z = 1.02f, s.gam_A = 10.0f, s.gam_B = -3.2f;
            s.T_cyc = 8.0f, s.c_warp = -0.2f, s.mu_max = 55.3f, s.mu_ph = 0.348f;
            break;
        case Mode::crosswind:
            s.Z = 1.0f, s.gam_A = 13.5f, s.gam_B = -4.5f;
            s.T_cyc = 13.0f, s.c_warp = -0.11f, s.psi_A = 55.0f, s.psi_B = 15.0f;
            break;
        case Mode::fixed:
            break;
    }
    s.t_old = 0, s.X_old = 0, s.Y_old = 0;
    s.Z_old = s.Z;
    s.t = 0, s.X = 0, s.Y = 0;
}

}  // namespace soar
