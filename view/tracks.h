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

// How finely tracks_draw draws a long track.
enum class TrackDetail {
    // Through the track's level-of-detail index: blocks behind the near limit or
    // off the picture skipped, blocks far away by their simplified copies, each
    // within half a pixel of the points it stands for.
    indexed,
    every_point,  // every point projected (what short tracks always get)
};

// Draws points 1 .. n_trk - 1 (the newest is left for the next tick) of the
// ground track and then of the air track, each as polylines that break where
// points fall behind the near limit. One pass over the points serves both.
// Sets vis_prev, the visibility of the last point drawn, in either detail.
// Returns the number of points projected (both tracks count a point once).
int64_t tracks_draw(State& s, Surface& pic, bool ground, bool air,
                 TrackDetail detail = TrackDetail::indexed);

}  // namespace soar
