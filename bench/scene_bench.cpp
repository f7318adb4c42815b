// Speed of one full tick (flight update and the whole redraw on the raster
// picture) as the recorded track grows.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/raster_surface.h"
#include "view/frame.h"
#include "view/projection.h"

namespace soar {
namespace {

struct Flying {
    RasterSurface pic;
    ManualClock clock;
    MemoryTextFiles files;
    Session session{pic, clock, files};
    Window& w = session.window();
    double now = 0.0;
    static constexpr double kDt = 0.001;  // a 1 ms timer at full speed

    explicit Flying(Id pattern) {
        session.start_up();
        session.choose_option(pattern);
        session.click(Id::ok_button);
        clock.set(0.0f);
        session.click(Id::fly_button);
    }
    // Flies `ticks` ticks with all their state work (the track recorded, the
    // observer following) and keeps the last tick's picture inputs.
    void fly_state_only(int64_t ticks, Frame& frame) {
        for (int64_t k = 0; k < ticks && session.flying(); ++k) {
            clock.set(float(now));
            session.advance_tick(frame);
            now += kDt;
        }
    }
    void tick() {
        clock.set(float(now));
        session.advance_tick();
        now += kDt;
    }
};

void BM_FullTick(benchmark::State& bs) {
    Flying f(Id::upwind_option);
    Frame frame;
    f.fly_state_only(bs.range(0), frame);
    f.tick();
    if (!f.session.flying()) bs.SkipWithError(f.w.message.c_str());
    for (auto _ : bs) f.tick();
    bs.counters["track_points"] = double(f.session.scene().tracks.n);
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
    Flying f(Id::circle_zoom_option);
    Frame frame;
    f.fly_state_only(bs.range(0), frame);
    if (!f.session.flying()) bs.SkipWithError(f.w.message.c_str());
    for (auto _ : bs) f.session.draw(frame, f.pic);
    bs.counters["track_points"] = double(f.session.scene().tracks.n);
}
BENCHMARK(BM_FullFrame)->Arg(1)->Arg(1000000)->Arg(3600000)->Unit(benchmark::kMillisecond);

// Sky and sea of a moving view.
void BM_SkySea(benchmark::State& bs) {
    Flying f(Id::upwind_option);
    Frame frame;
    f.fly_state_only(100, frame);
    for (auto _ : bs) sky_sea(f.session.camera(), f.pic);
}
BENCHMARK(BM_SkySea)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace soar
