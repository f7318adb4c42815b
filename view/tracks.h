// The flight tracks: every tick's position, kept for the whole flight, drawn as
// the ground track (on the sea surface, green) and the air track (dark blue).
#pragma once

#include "platform/surface.h"
#include "sim/state.h"

namespace soar {

// Records tick n_step's point: (0, 0, 0, Z) at the first tick, (X, Y, 0, Z) after.
// Amortised O(1) per tick.
void track_record(State& s);

// Points 1 .. n_trk - 1 (the newest is left for the next tick) as polylines that
// break where points fall behind the near limit.
void ground_track_draw(State& s, Surface& pic);
void air_track_draw(State& s, Surface& pic);

}  // namespace soar
