#include "app/flight_video.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/cli_args.h"
#include "app/session.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"

namespace soar {

namespace {

constexpr const char kStagingPrefix[] = ".soarcalculus-frames-";

// The process that made a staging folder ".soarcalculus-frames-PID-XXXXXX",
// or 0 for any other name.
long staging_owner(const std::string& name) {
    const size_t start = sizeof kStagingPrefix - 1;
    if (name.rfind(kStagingPrefix, 0) != 0) return 0;
    size_t end = start;
    while (end < name.size() && end - start < 10 && name[end] >= '0' && name[end] <= '9') ++end;
    if (end == start || end + 7 != name.size() || name[end] != '-') return 0;
    return std::stol(name.substr(start, end - start));
}

// Frames are written into a folder of their own inside `dir`
// (".soarcalculus-frames-PID-XXXXXX") and moved into `dir` only when the
// video is finished, so that `dir` holds all of a video's frames or none of
// them: a failure, a cancel or a signal leaves it as it was. The frames of an
// earlier video there are replaced, all of them, by the new ones; other files
// are left alone.
class PngFrameSink final : public FrameSink {
  public:
    PngFrameSink(std::string dir, PngEncoder encode)
        : dir_(std::move(dir)), encode_(std::move(encode)) {}
    ~PngFrameSink() override {
        std::error_code ec;
        if (!staging_.empty()) std::filesystem::remove_all(staging_, ec);
    }
    bool add(Surface& picture, std::string& error) override {
        if (staging_.empty() && !make_staging(error)) return false;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(frames_));
        std::string bytes;
        if (!encode_ || !encode_(picture, bytes, error)) {
            if (error.empty()) error = "the frame cannot be encoded as PNG";
            return false;
        }
        if (!write_file_atomically(staging_ + "/" + name, bytes, error)) return false;
        ++frames_;
        return true;
    }
    bool finish(std::string& error) override {
        if (staging_.empty() && !make_staging(error)) return false;
        namespace fs = std::filesystem;
        std::error_code ec;
        // The earlier frames step aside first, so that a move that fails can be
        // undone whole.
        const std::string earlier = staging_ + "/earlier";
        if (::mkdir(earlier.c_str(), 0700) != 0) return fail(error, "cannot set aside", earlier);
        std::vector<std::string> old;
        for (const auto& e : fs::directory_iterator(dir_, ec))
            if (is_video_frame_name(e.path().filename().string()) && e.is_regular_file(ec))
                old.push_back(e.path().filename().string());
        std::vector<std::string> moved_old, moved_new;
        const auto undo = [&] {
            for (const std::string& n : moved_new)
                ::rename((dir_ + "/" + n).c_str(), (staging_ + "/" + n).c_str());
            for (const std::string& n : moved_old)
                ::rename((earlier + "/" + n).c_str(), (dir_ + "/" + n).c_str());
        };
        for (const std::string& n : old) {
            if (::rename((dir_ + "/" + n).c_str(), (earlier + "/" + n).c_str()) != 0) {
                const int err = errno;
                undo();
                errno = err;
                return fail(error, "cannot set aside the earlier frame", dir_ + "/" + n);
            }
            moved_old.push_back(n);
        }
        for (int64_t k = 0; k < frames_; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(k));
            if (::rename((staging_ + "/" + name).c_str(), (dir_ + "/" + name).c_str()) != 0) {
                const int err = errno;
                undo();
                errno = err;
                return fail(error, "cannot move the frame into", dir_);
            }
            moved_new.push_back(name);
        }
        // The folder's new entries reach the disk before the earlier frames go.
        if (const int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        fs::remove_all(staging_, ec);
        staging_.clear();
        return true;
    }

  private:
    bool fail(std::string& error, const char* what, const std::string& path) {
        error = std::string(what) + " \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    // The staging folder, after removing those that killed runs left in `dir_`.
    bool make_staging(std::string& error) {
        namespace fs = std::filesystem;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir_, ec)) {
            const long pid = staging_owner(e.path().filename().string());
            if (pid <= 0 || pid == long(::getpid())) continue;
            if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;  // still running
            struct stat st {};
            if (::lstat(e.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
                st.st_uid == ::geteuid())
                fs::remove_all(e.path(), ec);
        }
        std::string name = dir_ + "/" + kStagingPrefix + std::to_string(::getpid()) + "-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr)
            return fail(error, "cannot make a folder for the frames in", dir_);
        staging_ = name;
        return true;
    }

    std::string dir_;
    PngEncoder encode_;
    std::string staging_;  // where the frames are written until finish()
    int64_t frames_ = 0;
};

}  // namespace

bool is_video_frame_name(const std::string& name) {
    if (name.size() != 16 || name.rfind("frame-", 0) != 0 || name.compare(12, 4, ".png") != 0)
        return false;
    for (size_t i = 6; i < 12; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

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
