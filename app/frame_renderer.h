// Pictures drawn on a thread of their own, so that the thread that ticks the
// flight only ticks. The renderer keeps its own copy of what a picture is drawn
// from: the scene's state (the view, the bird and its model, the grid, the wind
// figure) copied whole at each hand-off, and the track, to which each hand-off
// appends only the points flown since the last one. So a hand-off costs the
// small state and a few new points however long the flight, and the drawing
// never reads what the ticking thread is changing.
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

#include "app/frame.h"
#include "platform/surface.h"
#include "sim/state.h"

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
    // Hands off the picture of the tick of `f`, drawn from `s` (its tracks must
    // hold f's points). `flight` tells flights apart: a new one starts the copy
    // of the track afresh. `pic` must be idle. False (nothing done) while busy.
    // `s` is left as it was (its tracks are set aside while the rest is copied).
    bool start(State& s, const FrameInputs& f, int64_t flight);
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
    // The points of `s`'s track not yet handed over, set aside for the
    // renderer's thread to append (the owner's thread, idle).
    void hand_over_track(const State& s, int64_t flight);
    // The points handed over appended to the copy, its index brought up to
    // date (the renderer's thread, in the picture's job).
    void append_track();
    // Everything of `s` but its tracks (the owner's thread, idle).
    void copy_scene_state(State& s);

    Surface& pic_;
    State rs_;  // the renderer's state: written by the owner only while idle
    FrameInputs f_;
    int64_t flight_ = -1;
    int64_t copied_points_ = 0;  // track indices 1 .. copied_points_ are handed over
    // Handed over and not yet appended; `restart`: the copy starts again first.
    std::vector<float> new_x_, new_y_, new_z_;
    bool restart_ = false;
    // A job failed part-way: the copy may lack points, and the next starts it again.
    bool copy_lost_ = false;

    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    bool job_ = false;   // a picture is waiting to be drawn or being drawn
    bool quit_ = false;
    int64_t finished_tick_ = -1;
    std::string failure_;
    std::thread thread_;  // last: starts after everything above exists
};

}  // namespace soar
