#include "view/zoom_pan.h"

#include <cmath>

namespace soar {

namespace {

bool displacement_ok(float dx, float dy, float dz) {
    const double len = std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz);
    return std::isfinite(len) && len >= kFollowMin && len <= kFollowMax;
}

}  // namespace

bool zoom_displacement(Camera& c, double sign) {
    const double f = 1.0 + 0.05 * sign;
    const float dx = float(double(c.dx_follow) * f);
    const float dy = float(double(c.dy_follow) * f);
    const float dz = float(double(c.dz_follow) * f);
    // A displacement that is already outside (the fixed view's zeros) still scales:
    // only a step that leaves the valid range is refused.
    if (displacement_ok(c.dx_follow, c.dy_follow, c.dz_follow) && !displacement_ok(dx, dy, dz))
        return false;
    c.dx_follow = dx, c.dy_follow = dy, c.dz_follow = dz;
    return true;
}

bool zoom_view_angle(Camera& c, double sign) {
    const float z = float(double(c.zoom_deg) * (1.0 + 0.1 * sign));
    if (!(z >= kZoomMinDeg && z <= kZoomMaxDeg)) return false;
    c.zoom_deg = z;
    return true;
}

bool pan_height(Camera& c, double factor) {
    const float dz = float(double(c.dz_follow) * factor);
    if (displacement_ok(c.dx_follow, c.dy_follow, c.dz_follow) &&
        !displacement_ok(c.dx_follow, c.dy_follow, dz))
        return false;
    c.dz_follow = dz;
    return true;
}

void pan_pitch(Attitude& a, double sign) {
    a.pitch = float(double(a.pitch) + 5.0 * sign);
}

void pan_yaw(Attitude& a, double sign) {
    if (a.roll != 0.0f) {
        a.yaw = float(double(a.yaw) + 10.0 * sign * double(a.roll) / std::fabs(double(a.roll)));
    } else {
        a.yaw = float(double(a.yaw) + 10.0 * sign);
    }
}

}  // namespace soar
