// render: the picture after a flight of N ticks, saved as PNG.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "app/cli_args.h"
#include "app/cli_params.h"
#include "platform/atomic_file.h"

namespace soar::cli {

int render_command(int argc, char** argv, const RasterSupport& raster, bool parse_only) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    bool grid;
    int width = 833, height = 667;
    std::string png;
    ParamSet params;
    try {
        std::vector<char*> rest;
        const ParamOptions po = take_param_options(argc, argv, rest);
        const Args a =
            parse_args(int(rest.size()), rest.data(),
                       {"pattern", "ticks", "dt", "clock-start", "size", "png"}, {"grid"});
        mode = pattern_arg(a, true);
        params = resolve_param_options(po, mode);
        ticks = count_arg(a, "ticks", 1);
        dt = number_arg(a, "dt", 0.02, kDtRange);
        clock_start = number_arg(a, "clock-start", 0.0, kClockStartRange);
        grid = a.flags.count("grid") > 0;
        size_arg(a, "size", width, height);
        if (!a.values.count("png")) throw ArgError{"--png is required"};
        png = output_arg(a, "png");  // before the flight, not after it
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus render: %s\n%s", e.message.c_str(), command_usage("render"));
        return 2;
    }
    if (parse_only) return 0;
    if (!raster.make || !raster.encode_png) {
        std::fprintf(stderr, "soarcalculus render: no raster support in this build\n");
        return 1;
    }
    std::unique_ptr<Surface> picture = raster.make(width, height);
    if (!picture) {
        std::fprintf(stderr, "soarcalculus render: no picture can be made\n");
        return 1;
    }
    Session run(std::move(picture));
    run.w.params = params;
    run.start();
    if (grid) set_check(run.s, run.w, run.io, Id::chk_grid, 1);
    int status = 0;
    if (mode == Mode::fixed) {
        run.press_ok();
    } else {
        run.choose(mode);
        run.press_ok();
        run.press_fly(float(clock_start));
        Progress progress(ticks);
        for (long long k = 1; k <= ticks; ++k) {
            if (!run.tick(clock_at(clock_start, k, dt))) {
                std::fprintf(stderr, "soarcalculus render: %s\n", run.w.message.c_str());
                status = 1;
                break;
            }
            progress.update(k);
        }
        progress.done();
    }
    std::string bytes, error;
    if (!raster.encode_png(*run.pic, bytes, error)) {
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
