// Speed of the flight model: one integration tick per pattern, and the `fly`
// command's rows per second written to a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "sim/flight.h"

namespace soar {
namespace {

void BM_IntegrationTick(benchmark::State& bs, Mode mode) {
    const Flight start(pattern_defaults(mode), mode);
    Flight f = start;
    int k = 1;
    for (auto _ : bs) {
        // A fresh flight every 2000 ticks (20 s), before any pattern can stall.
        if (k == 2000) {
            bs.PauseTiming();
            f = start;
            k = 1;
            bs.ResumeTiming();
        }
        const float t = float(0.01 * k++);
        f.step(double(t) - double(f.state().t));
        benchmark::DoNotOptimize(f.state().X);
    }
}
BENCHMARK_CAPTURE(BM_IntegrationTick, upwind, Mode::upwind);
BENCHMARK_CAPTURE(BM_IntegrationTick, downwind, Mode::downwind);
BENCHMARK_CAPTURE(BM_IntegrationTick, crosswind, Mode::crosswind);
BENCHMARK_CAPTURE(BM_IntegrationTick, circlezoom, Mode::circlezoom);
BENCHMARK_CAPTURE(BM_IntegrationTick, profile, Mode::profile);

// The whole command: start-up, set-up, N full ticks (flight and redraw on the
// headless picture) and the CSV written to a file.
void BM_FlyCommand(benchmark::State& bs) {
    const std::string ticks = std::to_string(bs.range(0));
    const std::string csv = "/tmp/soar_bench_fly.csv";
    for (auto _ : bs) {
        std::vector<std::string> args = {"soarcalculus", "fly",  "--pattern", "downwind", "--ticks",
                                         ticks,          "--dt", "0.001",     "--csv",    csv};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        std::FILE* saved = std::freopen("/dev/null", "w", stderr);
        const int rc = cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
        (void)saved;
        if (rc != 0) bs.SkipWithError("fly failed");
    }
    bs.SetItemsProcessed(bs.iterations() * bs.range(0));
    bs.counters["rows_per_s"] =
        benchmark::Counter(double(bs.iterations() * bs.range(0)), benchmark::Counter::kIsRate);
    std::remove(csv.c_str());
}
BENCHMARK(BM_FlyCommand)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace soar
