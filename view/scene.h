// What the picture shows besides the bird: the sea grid, the flight tracks
// with their index, and the figure of the wind profile. Each part has one
// writer (the grid at start-up, the figure at set-up, the tracks at each tick);
// drawing only reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/arrays.h"
#include "view/track_lod.h"

namespace soar {

// White lines of constant x and of constant y on the sea surface: (x1, y1, x2, y2)
// per line, 1-based.
struct SeaGrid {
    float x_min = 0, x_max = 0, y_min = 0, y_max = 0;  // bounds, m
    float spacing = 0;                                  // between lines, m
    int16_t n_x = 0, n_y = 0;                           // lines of constant x, of constant y
    Array1 x_lines, y_lines;
};

// Every tick's position for the whole flight: point k is tick k (index 0 is
// never used). The ground track is the same points at height 0.
struct Tracks {
    std::vector<float> x, y, z;  // m
    int64_t n = 0;               // points 1 .. n belong to this flight
    // Where the track's blocks lie and their simplified copies, kept up to date
    // by track_record; drawing only reads it.
    TrackLod lod;
};

// Ten arrows whose lengths show the wind profile's shape (7 points each, 1-based).
struct WindFigure {
    int16_t n = 0;
    Array1 x, y, z;      // m
    float x_offset = 0;  // where the figure stands along x, m
};

struct Scene {
    SeaGrid grid;
    Tracks tracks;
    WindFigure wind;
};

}  // namespace soar
