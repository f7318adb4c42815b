// Pictures drawn on a thread of their own, so that the thread that ticks the
// flight only ticks. The renderer keeps its own copy of what a picture is drawn
// from: the frame (camera, pose, switches), the sea grid and the wind figure
// copied at each hand-off, the bird model once per flight, and the track, to
// which each hand-off appends only the points flown since the last one. So a
// hand-off costs a few small structs and a few new points however long the
// flight, and the drawing never reads what the ticking thread is changing.
//
// One picture at a time: start() while busy() is refused; the owner drops that
// frame (never a tick) and hands off a later one.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bird/model.h"
#include "platform/surface.h"
#include "view/frame.h"
#include "view/scene.h"

namespace soar {

class FrameRenderer {
  public:
    // `pic` is drawn on only by the renderer's thread while a picture is being
    // drawn; between pictures the owner may read it.
    explicit FrameRenderer(Surface& pic);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // True from start() until the picture is finished.
    bool busy() const;
    // Hands off the picture of `f`, drawn from `scene` (its tracks must hold f's
    // points) and `bird`. `flight` tells flights apart: a new one starts the copy
    // of the track afresh and takes the bird model again. `pic` must be idle.
    // False (nothing done) while busy.
    bool start(const Frame& f, const Scene& scene, const BirdModel& bird, int64_t flight);
    // The tick of a picture finished since the last call, or -1. A picture whose
    // drawing failed gives -1 and its reason in `error`.
    int64_t take_finished(std::string* error = nullptr);
    // Waits until no picture is being drawn.
    void wait() const;

    // Track points handed to the renderer's copy so far (tests; the copy holds
    // them once the picture they came with is finished).
    int64_t track_points() const { return copied_points_; }

  private:
    void run();
    // The points of the track not yet handed over, set aside for the renderer's
    // thread to append (the owner's thread, idle). True when the copy starts again.
    bool hand_over_track(const Tracks& tracks, int64_t flight);
    // The points handed over appended to the copy, its index brought up to
    // date (the renderer's thread, in the picture's job).
    void append_track();

    Surface& pic_;
    // The renderer's copies: written by the owner only while idle.
    Scene scene_;
    BirdModel bird_;
    Frame f_;
    int64_t flight_ = -1;
    int64_t copied_points_ = 0;  // track indices 1 .. copied_points_ are handed over
    // Handed over and not yet appended; `restart`: the copy starts again first.
    std::vector<float> new_x_, new_y_, new_z_;
    bool restart_ = false;
    // The same for the coloured track's values (index as the points), which
    // may cover fewer points than the track.
    int64_t copied_values_ = 0;
    uint64_t copied_fills_ = 0;  // the values' fills when they were last handed over
    std::vector<float> new_rate_, new_wind_, new_airspeed_;
    bool values_restart_ = false;
    // A job failed part-way: the copy may lack points, and the next starts it again.
    bool copy_lost_ = false;

    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    bool job_ = false;  // a picture is waiting to be drawn or being drawn
    bool quit_ = false;
    int64_t finished_tick_ = -1;
    std::string failure_;
    std::thread thread_;  // last: starts after everything above exists
};

}  // namespace soar
