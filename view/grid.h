// The sea grid: white lines of constant x and of constant y on the sea surface.
#pragma once

#include "platform/surface.h"
#include "view/camera.h"
#include "view/scene.h"

namespace soar {

// Builds the lines from the grid's bounds and spacing. A spacing of 0 (or a
// grid too large for its counts) builds no lines.
void grid_setup(SeaGrid& g);

// Draws every grid line whose two ends are both visible. The line ends get the
// drawing shift added here and once more by the projection, so the grid moves by
// twice the shift: the per-tick shift is chosen with that in mind.
void grid_draw(const SeaGrid& g, const Camera& c, Shift shift, Surface& pic);

// The drawing shift along x before the grid is drawn: whole grid cells by the
// observer's distance from the grid's far edge.
float grid_shift(const SeaGrid& g, const Camera& c);

}  // namespace soar
