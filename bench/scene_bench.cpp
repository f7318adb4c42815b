// Speed of one full tick (flight update and the whole redraw on the raster
// picture) as the recorded track grows.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/app.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/manual_clock.h"
#include "platform/qt/raster_surface.h"
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

}  // namespace
}  // namespace soar
