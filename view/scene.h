// What the picture shows besides the bird: the sea grid, the flight tracks
// with their index, and the figure of the wind profile. Each part has one
// writer (the grid at start-up, the figure at set-up, the tracks at each tick);
// drawing only reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/arrays.h"
#include "view/ghost_path.h"
#include "view/track_lod.h"

namespace soar {

// White lines of constant x and of constant y on the sea surface: (x1, y1, x2, y2)
// per line, 1-based.
struct SeaGrid {
    float x_min = 0, x_max = 0, y_min = 0, y_max = 0;  // bounds, m
    float spacing = 0;                                 // between lines, m
    int16_t n_x = 0, n_y = 0;                          // lines of constant x, of constant y
    Array1 x_lines, y_lines;
};

// What the air track's colour shows, point by point.
enum class TrackColour : uint8_t {
    plain,     // one colour, dark blue
    energy,    // the rate of change of the specific energy E = Z + V^2/2g, m/s
    wind,      // the part of that rate the wind gradient supplies, m/s
    height,    // Z, m
    airspeed,  // V, m/s
};

// The values a coloured track shows, per point, beside the track's points:
// filled as each tick is recorded while the track is coloured. A point
// recorded while it was not has NaN (drawn in the plain colour), as have the
// arrays' index 0. Height needs none: it is the point's z.
struct TrackValues {
    std::vector<float> rate, wind, airspeed;  // dE/dt and its wind part, m/s; V, m/s
    int64_t n = 0;                            // points 1 .. n are covered
    // Over points 1 .. n: the largest |dE/dt| and |wind part|, the airspeed's and
    // the height's extremes (the height's over every point).
    float rate_abs = 0, wind_abs = 0;
    float v_lo = 0, v_hi = 0, z_lo = 0, z_hi = 0;
    bool any_v = false;
    uint64_t fills = 0;  // how often values were filled in after their points (track_fill_values)
};

// Every tick's position for the whole flight: point k is tick k (index 0 is
// never used). The ground track is the same points at height 0.
struct Tracks {
    std::vector<float> x, y, z;  // m
    int64_t n = 0;               // points 1 .. n belong to this flight
    // Where the track's blocks lie and their simplified copies, kept up to date
    // by track_record; drawing only reads it.
    TrackLod lod;
    // The coloured track's values; empty while the track was never coloured.
    TrackValues values;
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
    GhostPath ghost;  // a path to follow, drawn while SceneSwitches::ghost is on
};

}  // namespace soar
