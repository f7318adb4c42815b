// Speed of one full tick (flight update and the whole redraw on the raster
// picture) as the recorded track grows.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/app.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/manual_clock.h"
#include "platform/qt/raster_surface.h"
#include "app/frame.h"
#include "view/projection.h"
#include "view/tracks.h"

namespace soar {
namespace {

struct Flight {
    RasterSurface pic;
    ManualClock clock;
    MemoryTextFiles files;
    Io io{pic, clock, files};
    State s;
    Window w = make_window();
    double now = 0.0;
    static constexpr double kDt = 0.001;  // a 1 ms timer at full speed

    explicit Flight(Id pattern) {
        Form_Load(s, w, io);
        select_option(w, pattern);
        click(s, w, io, Id::cmd_setup);
        clock.set(0.0f);
        click(s, w, io, Id::cmd_RESUME);
    }
    // Flies `points` ticks without drawing, recording the track as the ticks would.
    void fly_unseen(int64_t points) {
        for (int64_t k = 0; k < points && w.timer.enabled; ++k) {
            clock.set(float(now));
            tick_flight(s, w, io);
            track_record(s);
            now += kDt;
        }
    }
    // Flies `ticks` ticks with all their state work (the observer follows) and
    // keeps the last tick's picture inputs.
    void fly_state_only(int64_t ticks, FrameInputs& frame) {
        for (int64_t k = 0; k < ticks && w.timer.enabled; ++k) {
            clock.set(float(now));
            Tim_1_Timer_state_only(s, w, io, frame);
            now += kDt;
        }
    }
    void tick() {
        clock.set(float(now));
        Tim_1_Timer(s, w, io);
        now += kDt;
    }
};

void BM_FullTick(benchmark::State& bs) {
    Flight f(Id::opt_upwind);
    f.fly_unseen(bs.range(0));
    f.tick();
    if (!f.w.timer.enabled) bs.SkipWithError(f.w.message.c_str());
    for (auto _ : bs) f.tick();
    bs.counters["track_points"] = double(f.s.n_trk);
}
BENCHMARK(BM_FullTick)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

// All the drawing of one picture (clear, sky, sea, grid, tracks, bird, wind
// figure) in the circle zoom after `points` ticks of 1 ms: 10^6 points after
// 1000 s, 3.6 x 10^6 after an hour.
void BM_FullFrame(benchmark::State& bs) {
    Flight f(Id::opt_circlezoom);
    FrameInputs frame;
    f.fly_state_only(bs.range(0), frame);
    if (!f.w.timer.enabled) bs.SkipWithError(f.w.message.c_str());
    for (auto _ : bs) scene_draw(f.s, frame, f.pic);
    bs.counters["track_points"] = double(f.s.n_trk);
}
BENCHMARK(BM_FullFrame)->Arg(1)->Arg(1000000)->Arg(3600000)->Unit(benchmark::kMillisecond);

// Sky and sea of a moving view.
void BM_SkySea(benchmark::State& bs) {
    Flight f(Id::opt_upwind);
    FrameInputs frame;
    f.fly_state_only(100, frame);
    for (auto _ : bs) sky_sea(f.s, f.pic);
}
BENCHMARK(BM_SkySea)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace soar
