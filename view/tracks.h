// The flight tracks: every tick's position, kept for the whole flight, drawn as
// the ground track (the path straight below, on the sea surface, green) and the
// air track (the path in space, dark blue).
#pragma once

#include <cstdint>

#include "platform/surface.h"
#include "view/camera.h"
#include "view/scene.h"

namespace soar {

struct ColourScale;

// Records tick `tick`'s point: (0, 0, Z) at the first tick, (X, Y, Z) after (m).
// Amortised O(1) per tick.
void track_record(Tracks& tr, int64_t tick, float X, float Y, float Z);

// How finely tracks_draw draws a long track.
enum class TrackDetail {
    // Through the track's level-of-detail index: blocks behind the near limit or
    // off the picture skipped, blocks far away by their simplified copies, each
    // within half a pixel of the points it stands for.
    indexed,
    every_point,  // every point projected (what short tracks always get)
};

// Draws points 1 .. upto - 1 (the newest is left for the next tick) of the
// ground track and then of the air track, each as polylines that break where
// points fall behind the near limit. One pass over the points serves both.
// Returns the number of points projected (both tracks count a point once).
// Given a scale other than plain, each line of the air track takes the colour
// of its end point's value on that scale (view/track_colour.h).
int64_t tracks_draw(const Tracks& tr, const Camera& c, Surface& pic, bool ground, bool air,
                    int64_t upto, TrackDetail detail = TrackDetail::indexed,
                    const ColourScale* colour = nullptr);

}  // namespace soar
