// render: the picture after a flight of N ticks, saved as PNG; or the flight
// as a video (MP4) and numbered PNG frames, drawn at flight times k / fps.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "app/cli.h"
#include "app/cli_args.h"
#include "app/cli_params.h"
#include "app/flight_video.h"
#include "app/session.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"

namespace soar::cli {

namespace {

std::optional<TrackColour> colour_named(const std::string& name) {
    if (name == "energy") return TrackColour::energy;
    if (name == "wind") return TrackColour::wind;
    if (name == "height") return TrackColour::height;
    if (name == "airspeed") return TrackColour::airspeed;
    if (name == "none" || name == "plain") return TrackColour::plain;
    return std::nullopt;
}

constexpr Range kSecondsRange{0.001, 86400.0, false, "s"};
constexpr Range kFpsRange{1.0, 240.0, false, "frames per second"};

// "frame 120 / 600 (20%)" on a terminal, at most five times a second.
class FrameProgress {
  public:
    explicit FrameProgress(int64_t total) : total_(total), on_(isatty(STDERR_FILENO) != 0) {}
    void update(int64_t done) {
        if (!on_) return;
        const auto now = std::chrono::steady_clock::now();
        if (done != total_ && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        std::fprintf(stderr, "\rframe %lld / %lld (%.0f%%)", static_cast<long long>(done),
                     static_cast<long long>(total_), 100.0 * double(done) / double(total_));
    }
    void done() {
        if (on_) std::fprintf(stderr, "\r%*s\r", 44, "");
    }

  private:
    int64_t total_;
    bool on_;
    std::chrono::steady_clock::time_point last_{};
};

// Ctrl-C, SIGTERM (a job's time is up) and SIGHUP (the terminal closed) stop
// a video at the next frame; nothing of it is written (the frames written so
// far are removed), and the exit status is 130.
volatile std::sig_atomic_t video_interrupted = 0;
extern "C" void on_video_interrupt(int) {
    video_interrupted = 1;
}

class VideoInterruptGuard {
  public:
    VideoInterruptGuard() {
        video_interrupted = 0;
        struct sigaction sa {};
        sa.sa_handler = on_video_interrupt;
        sigemptyset(&sa.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &previous_[i]);
    }
    ~VideoInterruptGuard() {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
    }
    VideoInterruptGuard(const VideoInterruptGuard&) = delete;
    VideoInterruptGuard& operator=(const VideoInterruptGuard&) = delete;

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kSignals)]{};
};

// Whether `path` is one of the numbered frames (frame-NNNNNN.png) that
// --frames writes into `dir`.
bool names_a_frame(const std::string& path, const std::string& dir) {
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return is_video_frame_name(base) && same_output_file(path, dir + "/" + base);
}

// Several sinks as one: each frame goes to every one.
class SinkPair final : public FrameSink {
  public:
    SinkPair(std::unique_ptr<FrameSink> a, std::unique_ptr<FrameSink> b)
        : a_(std::move(a)), b_(std::move(b)) {}
    bool add(Surface& p, std::string& e) override {
        return (!a_ || a_->add(p, e)) && (!b_ || b_->add(p, e));
    }
    bool finish(std::string& e) override {
        return (!a_ || a_->finish(e)) && (!b_ || b_->finish(e));
    }

  private:
    std::unique_ptr<FrameSink> a_, b_;
};

}  // namespace

int render_command(int argc, char** argv, const RasterSupport& raster, bool parse_only) {
    Mode mode;
    long long ticks = 1;
    double dt, clock_start;
    bool grid, arrows;
    int width = 833, height = 667;
    std::string png, video, frames_dir;
    TrackColour colour = TrackColour::plain;
    int fps = 30;
    double seconds = 0;
    bool by_ticks = false;
    ParamSet params;
    try {
        std::vector<char*> rest;
        const ParamOptions po = take_param_options(argc, argv, rest);
        const Args a = parse_args(int(rest.size()), rest.data(),
                                  {"pattern", "ticks", "dt", "clock-start", "size", "png", "video",
                                   "frames", "fps", "seconds", "colour-by"},
                                  {"grid", "arrows"});
        mode = pattern_arg(a, true);
        params = resolve_param_options(po, mode);
        by_ticks = a.values.count("ticks") > 0;
        ticks = count_arg(a, "ticks", 1);
        clock_start = number_arg(a, "clock-start", 0.0, kClockStartRange);
        grid = a.flags.count("grid") > 0;
        arrows = a.flags.count("arrows") > 0;
        size_arg(a, "size", width, height);
        if (a.values.count("colour-by")) {
            const auto c = colour_named(a.values.at("colour-by"));
            if (!c)
                throw ArgError{"--colour-by needs energy, wind, height or airspeed, not \"" +
                               a.values.at("colour-by") + "\""};
            colour = *c;
        }
        const bool moving = a.values.count("video") || a.values.count("frames");
        if (!moving && !a.values.count("png"))
            throw ArgError{"--png, --video or --frames is required"};
        for (const char* name : {"fps", "seconds"})
            if (!moving && a.values.count(name))
                throw ArgError{std::string("--") + name + " belongs to --video or --frames"};
        if (moving) {
            if (mode == Mode::fixed) throw ArgError{"a video needs a flight pattern, not fixed"};
            if (a.values.count("seconds") && by_ticks)
                throw ArgError{"--seconds and --ticks each give the video's length: give one"};
            fps = int(number_arg(a, "fps", 30.0, kFpsRange));
            if (double(fps) != number_arg(a, "fps", 30.0, kFpsRange))
                throw ArgError{"--fps needs a whole number of frames per second"};
            seconds = number_arg(a, "seconds", 10.0, kSecondsRange);
        }
        dt = number_arg(a, "dt", moving ? default_video_dt(fps) : 0.02, kDtRange);
        // Before the flight, not after it.
        if (a.values.count("png")) png = output_arg(a, "png");
        if (a.values.count("video")) video = output_arg(a, "video");
        if (a.values.count("frames")) {
            frames_dir = a.values.at("frames");
            struct stat st {};
            if (frames_dir.empty() || ::stat(frames_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                throw ArgError{"--frames: \"" + frames_dir + "\" is not a folder that exists"};
        }
        refuse_one_file_twice({{"--png", png}, {"--video", video}, {"--params", po.file, false}});
        for (const auto& [option, path] : {std::pair{"--png", png}, std::pair{"--video", video}})
            if (!frames_dir.empty() && !path.empty() && names_a_frame(path, frames_dir))
                throw ArgError{std::string(option) + " and --frames name the same file \"" + path +
                               "\": one would overwrite the other"};
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus render: %s\n%s", e.message.c_str(),
                     command_usage("render"));
        return 2;
    }
    if (parse_only) return 0;
    if (!video.empty() || !frames_dir.empty())
        width = video_side(width), height = video_side(height);
    if (!raster.make || !raster.encode_png) {
        std::fprintf(stderr, "soarcalculus render: no raster support in this build\n");
        return 1;
    }
    std::unique_ptr<Surface> picture = raster.make(width, height);
    if (!picture) {
        std::fprintf(stderr, "soarcalculus render: no picture can be made\n");
        return 1;
    }
    int status = 0;
    if (!video.empty() || !frames_dir.empty()) {
        VideoTiming timing;
        timing.fps = fps;
        timing.dt = dt;
        timing.frames = by_ticks ? video_frames_for_ticks(ticks, fps, dt)
                                 : std::max<int64_t>(1, std::llround(seconds * fps));
        std::unique_ptr<FrameSink> mp4, pngs;
        std::string error;
        // From here on (a FIFO's open waits for its reader): a signal stops it.
        const VideoInterruptGuard interrupt;
        if (!video.empty()) {
            mp4 = raster.open_video ? raster.open_video(video, width, height, fps, error) : nullptr;
            if (!mp4 && video_interrupted) {
                std::fprintf(stderr, "soarcalculus render: interrupted; nothing was written\n");
                return 130;
            }
            if (!mp4) {
                std::fprintf(stderr, "soarcalculus render: cannot write \"%s\": %s\n",
                             video.c_str(), error.empty() ? "no video encoder" : error.c_str());
                return 1;
            }
        }
        if (!frames_dir.empty()) pngs = png_frame_sink(frames_dir, raster.encode_png);
        SinkPair sink(std::move(mp4), std::move(pngs));
        VideoFlight flight;
        flight.mode = mode;
        flight.params = params;
        flight.grid = grid;
        flight.colour = colour;
        flight.arrows = arrows;
        flight.clock_start = clock_start;
        FrameProgress progress(timing.frames);
        const VideoResult r = fly_video(flight, timing, *picture, sink, [&](int64_t done, int64_t) {
            progress.update(done);
            return video_interrupted == 0;
        });
        progress.done();
        if (r.cancelled) {
            std::fprintf(stderr, "soarcalculus render: interrupted; nothing was written\n");
            return 130;
        }
        if (!r.ok) {
            std::fprintf(stderr, "soarcalculus render: %s\n", r.error.c_str());
            return 1;
        }
        if (!r.fault.empty()) {
            std::fprintf(
                stderr,
                "soarcalculus render: %s; the video ends at the frame before (%lld frames)\n",
                r.fault.c_str(), static_cast<long long>(r.frames));
            status = 1;
        }
        if (png.empty()) return status;
        // --png with a video: its last frame.
    } else {
        ManualClock clock{float(clock_start)};
        DirTextFiles no_export(".");  // "Write to File" stays off
        Session run(*picture, clock, no_export);
        run.model().params = params;
        run.start_up();
        if (grid) run.set_check(Id::grid_box, 1);
        run.set_track_colour(colour);
        run.set_arrows(arrows);
        if (mode == Mode::fixed) {
            run.set_up_flight();
        } else {
            run.choose_pattern(mode);
            run.set_up_flight();
            run.start_flight();
            // Every tick does its state work; only the picture that is saved, the
            // last complete tick's, is drawn.
            Progress progress(ticks);
            Frame last;
            for (long long k = 1; k <= ticks; ++k) {
                clock.set(clock_at(clock_start, k, dt));
                run.advance_tick(last);
                if (!run.flying()) {
                    std::fprintf(stderr,
                                 "soarcalculus render: %s; the picture is of the tick before\n",
                                 run.fault().c_str());
                    status = 1;
                    break;
                }
                progress.update(k);
            }
            progress.done();
            run.draw(last, *picture);
        }
    }
    std::string bytes, error;
    if (!raster.encode_png(*picture, bytes, error)) {
        std::fprintf(stderr, "soarcalculus render: cannot write \"%s\": %s\n", png.c_str(),
                     error.c_str());
        return 1;
    }
    if (!write_file_atomically(png, bytes, error)) {
        std::fprintf(stderr, "soarcalculus render: %s\n", error.c_str());
        return 1;
    }
    return status;
}

}  // namespace soar::cli
