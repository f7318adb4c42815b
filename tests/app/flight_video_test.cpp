// A flight as frames: each frame is the picture of the tick at its flight
// time, the same as a flight ticked to that tick would draw; a failed or
// cancelled video leaves nothing behind.
#include "app/flight_video.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "headless/recording_surface.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

// Keeps each frame's primitives.
class KeepFrames final : public FrameSink {
  public:
    bool add(Surface& picture, std::string&) override {
        frames.push_back(static_cast<RecordingSurface&>(picture).primitives());
        return true;
    }
    bool finish(std::string&) override {
        finished = true;
        return true;
    }
    std::vector<std::vector<Primitive>> frames;
    bool finished = false;
};

void expect_same(const std::vector<Primitive>& a, const std::vector<Primitive>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(int(a[i].op), int(b[i].op)) << i;
        ASSERT_EQ(a[i].x, b[i].x) << i;
        ASSERT_EQ(a[i].y, b[i].y) << i;
        ASSERT_EQ(a[i].colour, b[i].colour) << i;
    }
}

TEST(FlightVideo, FramesFallOnTicksAtTheirFlightTimes) {
    for (int fps : {24, 25, 30, 50, 60}) {
        const double dt = default_video_dt(fps);
        EXPECT_LE(dt, 0.02 + 1e-12);
        const int64_t m = int64_t(std::llround(1.0 / (fps * dt)));
        for (int64_t j = 0; j < 100000; j += 997)
            EXPECT_EQ(video_tick_of_frame(j, fps, dt), 1 + j * m);
    }
    // A step that does not divide the frame's time: the last tick before it.
    EXPECT_EQ(video_tick_of_frame(1, 30, 0.02), 2);  // 0.0333 s: tick 2 is at 0.02 s
    EXPECT_EQ(video_tick_of_frame(3, 30, 0.02), 6);  // 0.1 s exactly: tick 6
    EXPECT_EQ(video_frames_for_ticks(601, 30, 1.0 / 60), 301);
    EXPECT_EQ(video_frames_for_ticks(1, 30, 0.02), 1);
    EXPECT_EQ(video_frames_for_ticks(6, 30, 0.02), 4);  // 0 .. 0.1 s
}

// Frame j from fly_video and the picture of a flight ticked to its tick, with
// the colours and arrows on, are the same drawing.
TEST(FlightVideo, EachFrameIsThePictureOfItsTick) {
    VideoFlight flight;
    flight.mode = Mode::downwind;
    flight.colour = TrackColour::energy;
    flight.arrows = true;
    VideoTiming timing;
    timing.fps = 25;
    timing.first = 10;
    timing.frames = 40;
    RecordingSurface picture;
    KeepFrames sink;
    const VideoResult r = fly_video(flight, timing, picture, sink);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.frames, 40);
    ASSERT_TRUE(sink.finished);
    const double dt = default_video_dt(25);
    for (int64_t j : {10, 11, 33, 49}) {
        test::Run run;
        run.session.set_track_colour(TrackColour::energy);
        run.session.set_arrows(true);
        run.start(Mode::downwind, 0.0);
        Frame f;
        for (int64_t k = 1; k <= video_tick_of_frame(j, 25, dt); ++k) {
            run.clock.set(float(double(k - 1) * dt));
            run.session.advance_tick(f);
        }
        RecordingSurface pic;
        run.session.draw(f, pic);
        expect_same(sink.frames[size_t(j - 10)], pic.primitives());
    }
}

struct Folder {
    fs::path path;
    Folder() {
        char name[] = "/tmp/soar-frames-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~Folder() { fs::remove_all(path); }
    size_t files() const {
        return size_t(std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }
};

// PNG frames: all of them when the video is finished; none when it fails part
// way (a full disk, an encoder's failure) or is cancelled.
TEST(FlightVideo, FramesAreKeptWholeOrNotAtAll) {
    VideoFlight flight;
    VideoTiming timing;
    timing.frames = 12;
    for (int fail_at : {0, 5}) {
        Folder dir;
        int calls = 0;
        auto sink = png_frame_sink(dir.path.string(),
                                   [&](Surface&, std::string& bytes, std::string& error) {
                                       if (++calls == fail_at) {
                                           error = "no space left on the device";
                                           return false;
                                       }
                                       bytes = "frame";
                                       return true;
                                   });
        RecordingSurface picture;
        const VideoResult r = fly_video(flight, timing, picture, *sink);
        sink.reset();
        if (fail_at == 0) {
            EXPECT_TRUE(r.ok) << r.error;
            EXPECT_EQ(dir.files(), 12u);
            EXPECT_TRUE(fs::exists(dir.path / "frame-000011.png"));
        } else {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.error, "no space left on the device");
            EXPECT_EQ(dir.files(), 0u);
        }
    }
    Folder dir;
    auto sink = png_frame_sink(dir.path.string(), [](Surface&, std::string& bytes, std::string&) {
        bytes = "frame";
        return true;
    });
    RecordingSurface picture;
    const VideoResult r =
        fly_video(flight, timing, picture, *sink, [](int64_t done, int64_t) { return done < 4; });
    sink.reset();
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(dir.files(), 0u);
}

// A folder of frames is one video's, whole: while a video is made, and after
// it fails or is cancelled, the folder holds the earlier video's frames as
// they were; once it is finished, exactly its own. Other files stay, and the
// frames a killed run left aside are cleared by the next.
TEST(FlightVideo, AFramesFolderHoldsOneVideoWhole) {
    Folder dir;
    const auto frame = [&](int k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", k);
        return dir.path / name;
    };
    const auto read = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (int k = 0; k < 15; ++k) std::ofstream(frame(k)) << "earlier";
    std::ofstream(dir.path / "notes.txt") << "mine";
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const fs::path left = dir.path / (".soarcalculus-frames-" + std::to_string(gone) + "-AbC123");
    fs::create_directory(left);
    std::ofstream(left / "frame-000000.png") << "killed";

    const auto earlier_as_it_was = [&] {
        for (int k = 0; k < 15; ++k)
            if (read(frame(k)) != "earlier") return false;
        return !fs::exists(frame(15));
    };
    VideoFlight flight;
    VideoTiming timing;
    timing.frames = 12;
    const auto encode = [&](int fail_at) {
        auto calls = std::make_shared<int>(0);
        return [calls, fail_at](Surface&, std::string& bytes, std::string& error) {
            if (++*calls == fail_at) {
                error = "no space left on the device";
                return false;
            }
            bytes = "new";
            return true;
        };
    };
    RecordingSurface picture;
    {
        auto sink = png_frame_sink(dir.path.string(), encode(7));
        EXPECT_FALSE(fly_video(flight, timing, picture, *sink).ok);
    }
    EXPECT_TRUE(earlier_as_it_was());
    EXPECT_FALSE(fs::exists(left));
    {
        auto sink = png_frame_sink(dir.path.string(), encode(0));
        EXPECT_TRUE(fly_video(flight, timing, picture, *sink, [&](int64_t done, int64_t) {
                        return done < 5;
                    }).cancelled);
    }
    EXPECT_TRUE(earlier_as_it_was());
    bool whole_while_made = true;
    {
        auto sink = png_frame_sink(dir.path.string(), encode(0));
        const VideoResult r = fly_video(flight, timing, picture, *sink, [&](int64_t done, int64_t) {
            if (done == 11) whole_while_made = earlier_as_it_was();
            return true;
        });
        EXPECT_TRUE(r.ok) << r.error;
    }
    EXPECT_TRUE(whole_while_made);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 13u);  // twelve frames and the notes
    EXPECT_EQ(names.front(), "frame-000000.png");
    EXPECT_EQ(names[11], "frame-000011.png");
    EXPECT_EQ(names.back(), "notes.txt");
    for (int k = 0; k < 12; ++k) EXPECT_EQ(read(frame(k)), "new") << k;
    EXPECT_EQ(read(dir.path / "notes.txt"), "mine");
}

TEST(FlightVideo, TheFixedViewHasNoFlightToRecord) {
    VideoFlight flight;
    flight.mode = Mode::fixed;
    VideoTiming timing;
    timing.frames = 3;
    RecordingSurface picture;
    KeepFrames sink;
    const VideoResult r = fly_video(flight, timing, picture, sink);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(sink.frames.empty());
}

}  // namespace
}  // namespace soar
