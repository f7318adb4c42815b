#include "app/flight_video.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

#include "app/cli_args.h"
#include "app/session.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"

namespace soar {

namespace {

class PngFrameSink final : public FrameSink {
  public:
    PngFrameSink(std::string dir, PngEncoder encode)
        : dir_(std::move(dir)), encode_(std::move(encode)) {}
    ~PngFrameSink() override {
        if (!finished_) remove_written();
    }
    bool add(Surface& picture, std::string& error) override {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld.png",
                      static_cast<long long>(written_.size()));
        const std::string path = dir_ + "/" + name;
        std::string bytes;
        if (!encode_ || !encode_(picture, bytes, error)) {
            if (error.empty()) error = "the frame cannot be encoded as PNG";
            return false;
        }
        if (!write_file_atomically(path, bytes, error)) return false;
        written_.push_back(path);
        return true;
    }
    bool finish(std::string&) override {
        finished_ = true;
        return true;
    }

  private:
    void remove_written() {
        for (const std::string& p : written_) ::unlink(p.c_str());
        written_.clear();
    }
    std::string dir_;
    PngEncoder encode_;
    std::vector<std::string> written_;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> png_frame_sink(const std::string& dir, PngEncoder encode) {
    return std::make_unique<PngFrameSink>(dir, std::move(encode));
}

double default_video_dt(int fps) {
    const double frame = 1.0 / double(fps);
    const double m = std::ceil(frame / 0.02 - 1e-9);
    return frame / std::max(1.0, m);
}

int64_t video_tick_of_frame(int64_t j, int fps, double dt) {
    // Ticks per frame, a whole number when the step divides the frame's time;
    // the small margin keeps its rounding from dropping a tick.
    const double ticks = double(j) / (double(fps) * dt);
    return 1 + int64_t(std::floor(ticks + 1e-6));
}

int64_t video_frames_for_ticks(int64_t ticks, int fps, double dt) {
    // The last frame j whose tick is flown: (j / fps) / dt + 1 <= ticks.
    int64_t j = int64_t(std::floor(double(ticks - 1) * double(fps) * dt + 1e-6));
    while (j > 0 && video_tick_of_frame(j, fps, dt) > ticks) --j;
    while (video_tick_of_frame(j + 1, fps, dt) <= ticks) ++j;
    return j + 1;
}

VideoResult fly_video(const VideoFlight& flight, const VideoTiming& timing, Surface& picture,
                      FrameSink& sink,
                      const std::function<bool(int64_t done, int64_t total)>& progress) {
    VideoResult result;
    const int fps = timing.fps;
    const double dt = timing.dt > 0 ? timing.dt : default_video_dt(fps);
    if (flight.mode == Mode::fixed && !flight.loop) {
        result.error = "a video needs a flight: the fixed view has none";
        return result;
    }
    if (timing.frames < 1 || fps < 1) {
        result.error = "the video has no frames";
        return result;
    }
    try {
        ManualClock clock{float(flight.clock_start)};
        DirTextFiles no_export(".");  // "Write to File" stays off
        Session run(picture, clock, no_export);
        run.model().params = flight.params;
        run.start_up();
        if (flight.grid) run.set_check(Id::grid_box, 1);
        if (flight.ground >= 0) run.set_check(Id::ground_track_box, flight.ground);
        if (flight.air >= 0) run.set_check(Id::air_track_box, flight.air);
        run.set_track_colour(flight.colour);
        run.set_arrows(flight.arrows);
        if (flight.loop) {
            run.fly_loop(*flight.loop);  // sets up and starts the loop
        } else {
            run.choose_pattern(flight.mode);
            run.set_up_flight();
            run.start_flight();
        }
        Frame frame;
        int64_t tick = 0;
        const int64_t last = timing.first + timing.frames - 1;
        for (int64_t j = timing.first; j <= last; ++j) {
            const int64_t want = video_tick_of_frame(j, fps, dt);
            while (tick < want && run.flying()) {
                ++tick;
                clock.set(cli::clock_at(flight.clock_start, tick, dt));
                run.advance_tick(frame);
            }
            if (!run.flying()) {
                result.fault = run.fault();
                break;
            }
            run.draw(frame, picture);
            if (!sink.add(picture, result.error)) return result;
            ++result.frames;
            if (progress && !progress(j - timing.first + 1, timing.frames)) {
                result.cancelled = true;
                return result;
            }
        }
    } catch (const std::exception& e) {
        result.error = std::string("the video stopped: ") + e.what();
        return result;
    }
    if (result.frames == 0) {
        result.error = "the flight stopped before the first frame: " + result.fault;
        return result;
    }
    if (!sink.finish(result.error)) return result;
    result.ok = true;
    return result;
}

}  // namespace soar
