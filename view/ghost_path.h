// A path to follow drawn in the picture as a ghost: the optimal loop a pilot
// flies after, a closed line through the air in pale gold.
#pragma once

#include <vector>

#include "platform/surface.h"
#include "view/camera.h"

namespace soar {

// Points of a closed path, m (the last joins the first).
struct GhostPath {
    std::vector<float> x, y, z;
    bool empty() const { return x.empty(); }
};

// The ghost's colour: pale gold, apart from the sky, the sea, the white grid
// and the dark blue track.
Colour ghost_colour();

// Draws the path (and its closing segment) in the camera's view.
void draw_ghost(const GhostPath& g, const Camera& c, Surface& pic);

// The distance from (X, Y, Z) to the nearest point of the path's segments, m
// (the path's closing segment included); infinite for an empty path.
double distance_to_ghost(const GhostPath& g, double X, double Y, double Z);

}  // namespace soar
