// A flight's tracks as the ticks record them, and the camera they are seen
// with, for the track tests.
#pragma once

#include <cstdint>

#include "view/camera.h"
#include "view/scene.h"
#include "view/tracks.h"

namespace soar::test {

struct TrackRun {
    Tracks tracks;
    Camera camera;
    Shift shift;
    int64_t tick = 0;
    float X = 0, Y = 0, Z = 0;  // the bird's place at `tick`, m
};

// Records the bird's place as tick `tick`'s point.
inline void record(TrackRun& r) {
    track_record(r.tracks, r.tick, r.X, r.Y, r.Z);
}

// Draws the tracks up to the last tick recorded.
inline int64_t draw(const TrackRun& r, Surface& pic, bool ground, bool air,
                    TrackDetail detail = TrackDetail::indexed) {
    return tracks_draw(r.tracks, r.camera, pic, ground, air, r.tracks.n, detail);
}

}  // namespace soar::test
