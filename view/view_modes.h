// Where each view mode puts the observer and the aim point at set-up. In the
// moving views the observer then rides along with the bird at the camera's
// follow displacement.
#pragma once

#include "sim/mode.h"
#include "view/camera.h"
#include "view/scene.h"

namespace soar {

// Observer, aim point and follow displacement of a moving mode or the profile
// demo, with the bird at height `Z` (m), and where the wind figure stands. The
// fixed view changes nothing: its observer comes from the observer boxes.
void place_camera(Camera& c, WindFigure& figure, Mode mode, float Z);

// The follow rule of each tick in the moving views: the aim at the bird, the
// observer displaced from it. Returns the drawing shift that puts the bird,
// drawn about the origin, at its place (X, Y, Z), m.
Shift follow_bird(Camera& c, float X, float Y, float Z);

}  // namespace soar
