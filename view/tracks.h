// The flight tracks: every tick's position, kept for the whole flight, drawn as
// the ground track (the path straight below, on the sea surface, green) and the
// air track (the path in space, dark blue).
#pragma once

#include "platform/surface.h"
#include "sim/state.h"

namespace soar {

// Records tick n_step's point: (0, 0, Z) at the first tick, (X, Y, Z) after.
// Amortised O(1) per tick.
void track_record(State& s);

// Draws points 1 .. n_trk - 1 (the newest is left for the next tick) of the
// ground track and then of the air track, each as polylines that break where
// points fall behind the near limit. One pass over the points serves both.
void tracks_draw(State& s, Surface& pic, bool ground, bool air);

}  // namespace soar
