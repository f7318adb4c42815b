#include "view/view_modes.h"

namespace soar {

void place_camera(Camera& c, WindFigure& figure, Mode mode, float Z) {
    switch (mode) {
        case Mode::downwind:
            c.dx_follow = 5, c.dy_follow = 0, c.dz_follow = 2;
            // The observer starts 5 m along +y of the aim (y takes dx_follow's
            // value); the first tick moves it to the follow position along +x.
            c.x_eye = 0, c.y_eye = c.dx_follow, c.z_eye = float(double(Z) + 2.0);
            c.x_aim = 0, c.y_aim = 0, c.z_aim = Z;
            figure.x_offset = -50;
            break;
        case Mode::circlezoom:
            c.dx_follow = -5, c.dy_follow = 0, c.dz_follow = 2;
            c.x_eye = -200, c.y_eye = -200, c.z_eye = 50;
            c.x_aim = 0, c.y_aim = 0, c.z_aim = Z;
            figure.x_offset = -50;
            break;
        case Mode::upwind:
            c.dx_follow = -5, c.dy_follow = 0, c.dz_follow = 2;
            c.x_eye = -50, c.y_eye = -50, c.z_eye = 50;
            c.x_aim = 0, c.y_aim = 0, c.z_aim = 0;
            figure.x_offset = 25;
            break;
        case Mode::crosswind:
            c.dx_follow = 0, c.dy_follow = -5, c.dz_follow = 2;
            c.x_eye = -50, c.y_eye = -50, c.z_eye = 50;
            c.x_aim = 0, c.y_aim = 0, c.z_aim = 0;
            figure.x_offset = -50;
            break;
        case Mode::profile:
            // Side-on from 15 m off the track; the follow displacement is kept.
            c.x_eye = 0, c.y_eye = -15, c.z_eye = 10;
            c.x_aim = 0, c.y_aim = 0, c.z_aim = 10;
            figure.x_offset = 0;
            break;
        case Mode::fixed:
            return;
    }
}

Shift follow_bird(Camera& c, float X, float Y, float Z) {
    c.x_aim = X, c.x_eye = float(double(X) + double(c.dx_follow));
    c.y_aim = Y, c.y_eye = float(double(Y) + double(c.dy_follow));
    c.z_aim = Z, c.z_eye = float(double(Z) + double(c.dz_follow));
    return {X, Y, Z};
}

}  // namespace soar
