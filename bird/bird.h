// The albatross as a wire model: seven components of 3-D polylines in the bird's
// own frame (x from bill tip 0 to tail end 1, y to the right wing tip, z up; one
// unit is one body length), built once at start-up, and turned to the bird's
// attitude and size when it is drawn (the drawing itself is the view's).
//
//   model.h   BirdModel: the components' arrays
//   body.h    body cross-section at a station, points on it; profile, plan, eye
//   wing.h    planform, cambered section, wing root on the body; wing components
//   build.h   bird_build: all components in their order
//   pose.h    BirdPose: attitude and scale; a model point turned into metres
//   export.h  the eight geometry files of a drawing
#pragma once

#include "bird/body.h"
#include "bird/build.h"
#include "bird/export.h"
#include "bird/model.h"
#include "bird/pose.h"
#include "bird/wing.h"
