#include "view/view_modes.h"

namespace soar {

void view_mode_place(State& s, Mode mode) {
    const float Z = s.Z;
    switch (mode) {
        case Mode::downwind:
            s.dx_ob = 5, s.dy_ob = 0, s.dz_ob = 2;
            // The observer starts 5 m along +y of the aim (y takes dx_ob's value);
            // the first tick moves it to the follow position along +x.
            s.xep = 0, s.yep = s.dx_ob, s.zep = float(double(Z) + 2.0);
            s.x_aim = 0, s.y_aim = 0, s.z_aim = Z;
            s.x_wp_off = -50;
            break;
        case Mode::circlezoom:
            s.dx_ob = -5, s.dy_ob = 0, s.dz_ob = 2;
            s.xep = -200, s.yep = -200, s.zep = 50;
            s.x_aim = 0, s.y_aim = 0, s.z_aim = Z;
            s.x_wp_off = -50;
            break;
        case Mode::upwind:
            s.dx_ob = -5, s.dy_ob = 0, s.dz_ob = 2;
            s.xep = -50, s.yep = -50, s.zep = 50;
            s.x_aim = 0, s.y_aim = 0, s.z_aim = 0;
            s.x_wp_off = 25;
            break;
        case Mode::crosswind:
            s.dx_ob = 0, s.dy_ob = -5, s.dz_ob = 2;
            s.xep = -50, s.yep = -50, s.zep = 50;
            s.x_aim = 0, s.y_aim = 0, s.z_aim = 0;
            s.x_wp_off = -50;
            break;
        case Mode::profile:
            s.xep = 0, s.yep = -15, s.zep = 10;
            s.x_aim = 0, s.y_aim = 0, s.z_aim = 10;
            s.x_wp_off = 0;
            s.x_shift = 8, s.z_shift = Z;
            s.yaw_b = 90, s.roll_b = -57;
            break;
        case Mode::fixed:
            return;
    }
    s.y_wp_pos = 0;
}

void follow_bird(State& s) {
    s.x_shift = s.X, s.x_aim = s.X, s.xep = float(double(s.X) + double(s.dx_ob));
    s.y_shift = s.Y, s.y_aim = s.Y, s.yep = float(double(s.Y) + double(s.dy_ob));
    s.z_shift = s.Z, s.z_aim = s.Z, s.zep = float(double(s.Z) + double(s.dz_ob));
}

}  // namespace soar
