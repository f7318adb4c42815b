// A flight as a video: the flight flown tick by tick at a fixed step, its
// picture drawn at flight times j / fps and handed frame by frame to a sink
// (an MP4 encoder, a folder of numbered PNGs). Nothing depends on the machine's
// clock or speed, so the frames are the same wherever they are made; frame j
// is the very picture `render` saves after the tick at that time.
//
// Used by `render --video/--frames` and by the window's "Record video", which
// flies its own flight again from the start this way, on a thread of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/loop_flight.h"
#include "platform/surface.h"
#include "sim/mode.h"
#include "sim/param_set.h"
#include "view/scene.h"

namespace soar {

// Where a video's frames go, in order. Without a successful finish() nothing it
// wrote is left behind (its destructor removes it).
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // The picture as one frame. False with the reason when it cannot be kept.
    virtual bool add(Surface& picture, std::string& error) = 0;
    virtual bool finish(std::string& error) = 0;
};

// The picture encoded as PNG (false with a reason when it cannot be).
using PngEncoder = std::function<bool(Surface& picture, std::string& bytes, std::string& error)>;

// Frames as numbered PNGs in the folder `dir` (which must exist):
// frame-000000.png, frame-000001.png, ..., the folder's frames all of one
// video: they are written aside and moved in by finish(), replacing every
// frame an earlier video left there; on failure or without finish() the
// folder is left as it was.
std::unique_ptr<FrameSink> png_frame_sink(const std::string& dir, PngEncoder encode);
// Whether a file's name (without its folder) is one of those frames'.
bool is_video_frame_name(const std::string& name);

// The flight a video shows: as `render` or the window sets it up.
struct VideoFlight {
    Mode mode = Mode::upwind;
    ParamSet params;
    std::shared_ptr<const LoopFlight> loop;  // flown instead of the pattern when set
    bool grid = false;
    // The track boxes; unset: as a newly opened window has them.
    int ground = -1, air = -1;
    TrackColour colour = TrackColour::plain;
    bool arrows = false;
    double clock_start = 0;  // s since midnight, as fly's --clock-start
};

// Which frames, at what pace, and the flight's step.
struct VideoTiming {
    int fps = 30;
    double dt = 0;       // the tick step, s; 0: default_video_dt(fps)
    int64_t first = 0;   // the first frame's index j (flight time j / fps)
    int64_t frames = 0;  // how many
};

// A side of a video's picture: H.264 in 4:2:0 needs even sides, so an odd
// one is drawn a pixel larger (833 x 667 becomes 834 x 668).
inline int video_side(int pixels) {
    return pixels + (pixels & 1);
}

// The tick step a video takes unless told: 1 / (m fps) for the smallest whole
// m that makes it at most 0.02 s, so every frame falls on a tick.
double default_video_dt(int fps);
// The tick (1-based; tick 1 is flight time 0) whose picture is frame j: the
// last tick at or before flight time j / fps.
int64_t video_tick_of_frame(int64_t j, int fps, double dt);
// The frames j of a flight of `ticks` ticks: every j whose tick is flown.
int64_t video_frames_for_ticks(int64_t ticks, int fps, double dt);

struct VideoResult {
    bool ok = false;         // the sink finished: the video is written
    bool cancelled = false;  // progress said stop: nothing is written
    std::string error;       // why nothing was written
    std::string fault;       // a flight fault that ended the video early (it is written)
    int64_t frames = 0;      // frames written
};

// Flies `flight` and hands frames first .. first + frames - 1 to `sink`,
// drawn on `picture`. `progress(done, total)` is called after each frame and
// may return false to cancel (nothing is then written). A flight that stops
// with a fault ends the video at the last frame before it.
VideoResult fly_video(const VideoFlight& flight, const VideoTiming& timing, Surface& picture,
                      FrameSink& sink,
                      const std::function<bool(int64_t done, int64_t total)>& progress = {});

}  // namespace soar
