// Speed of a video: the upwind flight at 30 frames/s and the default picture
// size (833 x 667, drawn at 834 x 668 for H.264), coloured by energy with the
// arrows, flown, drawn, encoded and written as MP4. Wall-clock time (the
// encoder works on threads of its own); frames/s and the factor over real
// time are the counters to read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/flight_video.h"
#include "qt/raster_surface.h"
#include "qt/video_output.h"
#include "video/video_encoder.h"

namespace soar {
namespace {

void BM_Video833x667At30(benchmark::State& state) {
    const int fps = 30;
    const int seconds = int(state.range(0));
    char dir[] = "/tmp/soar-video-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(dir) + "/flight.mp4";
    VideoFlight flight;
    flight.mode = Mode::upwind;
    flight.colour = TrackColour::energy;
    flight.arrows = true;
    VideoTiming timing;
    timing.fps = fps;
    timing.frames = int64_t(seconds) * fps;
    int64_t frames = 0;
    for (auto _ : state) {
        std::string error;
        auto sink = raster_video_sink(
            open_mp4(path, VideoFormat{video_side(833), video_side(667), fps}, error));
        RasterSurface picture(video_side(833), video_side(667));
        if (!sink) {
            state.SkipWithError(error.c_str());
            break;
        }
        const VideoResult r = fly_video(flight, timing, picture, *sink);
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        frames += r.frames;
    }
    ::unlink(path.c_str());
    ::rmdir(dir);
    state.counters["frames_per_s"] =
        benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] =
        benchmark::Counter(double(frames) / fps, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Video833x667At30)->Arg(20)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

}  // namespace
}  // namespace soar
