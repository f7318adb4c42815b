// The sea grid: white lines of constant x and of constant y on the sea surface.
#pragma once

#include "platform/surface.h"
#include "sim/state.h"

namespace soar {

// Builds grid_xl and grid_yl (x1, y1, x2, y2 per line) from the bounds and spacing.
// A spacing of 0 (or a grid too large for its counts) builds no lines.
void grid_setup(State& s);

// Draws every grid line whose two ends are both visible. The line ends get the
// drawing shift added here and once more by the projection, so the grid moves by
// twice the shift: the per-tick shift is chosen with that in mind.
void grid_draw(State& s, Surface& pic);

// The drawing shift before the grid is drawn: whole grid cells by the observer's
// distance from x_grid_max.
float grid_shift(const State& s);

}  // namespace soar
