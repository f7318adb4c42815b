// Zoom and pan. In the moving views they scale the observer's follow
// displacement; in the fixed view zoom changes the view angle and pan turns the
// bird. Both are kept where the picture stays valid: the view angle inside
// [kZoomMinDeg, kZoomMaxDeg] (the picture's half-width grows as tan(zoom_deg) and
// fails at 90), the displacement's length inside [kFollowMin, kFollowMax] m.
#pragma once

#include "sim/flight_state.h"
#include "view/camera.h"

namespace soar {

inline constexpr float kZoomMinDeg = 1.0f;
inline constexpr float kZoomMaxDeg = 80.0f;
inline constexpr double kFollowMin = 0.5;
inline constexpr double kFollowMax = 5000.0;

// The follow displacement times (1 + 0.05 s); s = -1 zooms in, +1 out. Refused
// (false, unchanged) where the displacement would leave its limits.
bool zoom_displacement(Camera& c, double sign);
// zoom_deg times (1 + 0.1 s), refused outside the view-angle limits.
bool zoom_view_angle(Camera& c, double sign);
// The follow height times `factor` (1.1 up, 0.9 down), refused outside the
// displacement limits.
bool pan_height(Camera& c, double factor);
// Pitch up (+1) or down (-1) by 5 degrees.
void pan_pitch(Attitude& a, double sign);
// Yaw by 10 degrees; the direction follows the sign of the roll.
void pan_yaw(Attitude& a, double sign);

}  // namespace soar
