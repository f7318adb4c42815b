// Zoom and pan. In the moving views they scale the observer's displacement from
// the bird; in the fixed view zoom changes the view angle and pan turns the bird.
// Both are kept where the picture stays valid: the view angle inside
// [kZoomMinDeg, kZoomMaxDeg] (the picture's half-width grows as tan(zoom_deg) and
// fails at 90), the displacement's length inside [kFollowMin, kFollowMax] m.
#pragma once

#include "sim/state.h"

namespace soar {

inline constexpr float kZoomMinDeg = 1.0f;
inline constexpr float kZoomMaxDeg = 80.0f;
inline constexpr double kFollowMin = 0.5;
inline constexpr double kFollowMax = 5000.0;

// (dx_ob, dy_ob, dz_ob) times (1 + 0.05 s); s = -1 zooms in, +1 out. Refused
// (false, unchanged) where the displacement would leave its limits.
bool zoom_displacement(State& s, double sign);
// zoom_deg times (1 + 0.1 s), refused outside the view-angle limits.
bool zoom_view_angle(State& s, double sign);
// dz_ob times `factor` (1.1 up, 0.9 down), refused outside the displacement limits.
bool pan_height(State& s, double factor);
// Pitch up (+1) or down (-1) by 5 degrees.
void pan_pitch(State& s, double sign);
// Yaw by 10 degrees; the direction follows the sign of the roll.
void pan_yaw(State& s, double sign);

}  // namespace soar
