// The albatross as a wire model: seven components of 3-D polylines in the bird's
// own frame (x from bill tip 0 to tail end 1, y to the right wing tip, z up; one
// unit is one body length), built once at start-up, and drawn every frame at the
// bird's attitude through the view's projection.
//
//   body.h    body cross-section at a station, points on it; profile, plan, eye
//   wing.h    planform, cambered section, wing root on the body; wing components
//   build.h   bird_build: all components in their order
//   draw.h    bird_draw: mirroring, scaling, graded roll, projection, export files
#pragma once

#include "bird/body.h"
#include "bird/build.h"
#include "bird/draw.h"
#include "bird/wing.h"
