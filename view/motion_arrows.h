// Arrows at the bird: the wind at its height, its velocity through the air and
// its velocity over the sea, drawn in the picture's perspective from the bird's
// place, each as long as the distance it covers in kArrowSeconds. The ground
// velocity is the air velocity plus the wind: a student sees the bird climb
// into the wind and dive with it.
#pragma once

#include "platform/surface.h"
#include "view/camera.h"
#include "view/frame.h"

namespace soar {

// Seconds of motion an arrow's length stands for.
inline constexpr double kArrowSeconds = 0.2;

// The arrows' colours: wind magenta, air velocity white, ground velocity black.
Colour wind_arrow_colour();
Colour air_arrow_colour();
Colour ground_arrow_colour();

// The three arrows from the bird at `shift` (where the picture draws it), seen
// by `c`; an arrow whose base or tip lies behind the observer is left out.
void draw_motion_arrows(const BirdMotion& m, const Camera& c, Shift shift, Surface& pic);

// The legend of the arrows, at the picture's lower left.
void draw_arrow_legend(Surface& pic);

}  // namespace soar
