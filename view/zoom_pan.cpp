#include "view/zoom_pan.h"

#include <cmath>

namespace soar {

namespace {

bool displacement_ok(float dx, float dy, float dz) {
    const double len = std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz);
    return std::isfinite(len) && len >= kFollowMin && len <= kFollowMax;
}

}  // namespace

bool zoom_displacement(State& s, double sign) {
    const double f = 1.0 + 0.05 * sign;
    const float dx = float(double(s.dx_ob) * f);
    const float dy = float(double(s.dy_ob) * f);
    const float dz = float(double(s.dz_ob) * f);
    // A displacement that is already outside (the fixed view's zeros) still scales:
    // only a step that leaves the valid range is refused.
    if (displacement_ok(s.dx_ob, s.dy_ob, s.dz_ob) && !displacement_ok(dx, dy, dz)) return false;
    s.dx_ob = dx, s.dy_ob = dy, s.dz_ob = dz;
    return true;
}

bool zoom_view_angle(State& s, double sign) {
    const float z = float(double(s.zoom_deg) * (1.0 + 0.1 * sign));
    if (!(z >= kZoomMinDeg && z <= kZoomMaxDeg)) return false;
    s.zoom_deg = z;
    return true;
}

bool pan_height(State& s, double factor) {
    const float dz = float(double(s.dz_ob) * factor);
    if (displacement_ok(s.dx_ob, s.dy_ob, s.dz_ob) && !displacement_ok(s.dx_ob, s.dy_ob, dz))
        return false;
    s.dz_ob = dz;
    return true;
}

void pan_pitch(State& s, double sign) {
    s.pitch_b = float(double(s.pitch_b) + 5.0 * sign);
}

void pan_yaw(State& s, double sign) {
    if (s.roll_b != 0.0f) {
        s.yaw_b =
            float(double(s.yaw_b) + 10.0 * sign * double(s.roll_b) / std::fabs(double(s.roll_b)));
    } else {
        s.yaw_b = float(double(s.yaw_b) + 10.0 * sign);
    }
}

}  // namespace soar
