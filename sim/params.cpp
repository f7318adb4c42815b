#include "sim/params.h"

namespace soar {

Params pattern_defaults(Mode mode) {
    Params p;
    switch (mode) {
        case Mode::circlezoom:
            p.Z_start = 1.8f, p.gam_A = 15.0f, p.gam_B = 0.0f;
            p.R_0 = 40.0f, p.R_A = 0.0f, p.R_ph = 0.0f;
            p.CD0 = 0.0f, p.K_ind = 0.0f, p.U_ref = 0.0f;
            break;
        case Mode::downwind:
        case Mode::profile:
            p.Z_start = 1.7f, p.gam_A = 18.0f, p.gam_B = 6.7f;
            p.R_0 = 40.0f, p.R_A = -15.0f, p.R_ph = 0.0f;
            break;
        case Mode::upwind:
            p.Z_start = 1.02f, p.gam_A = 10.0f, p.gam_B = -3.2f;
            p.T_cyc = 8.0f, p.c_warp = -0.2f, p.mu_max = 55.3f, p.mu_ph = 0.348f;
            break;
        case Mode::crosswind:
            p.Z_start = 1.0f, p.gam_A = 13.5f, p.gam_B = -4.5f;
            p.T_cyc = 13.0f, p.c_warp = -0.11f, p.psi_A = 55.0f, p.psi_B = 15.0f;
            break;
        case Mode::fixed:
            break;
    }
    return p;
}

}  // namespace soar
