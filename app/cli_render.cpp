// render: the picture after a flight of N ticks, saved as PNG.
#include <cstdio>
#include <string>

#include "app/cli.h"
#include "app/cli_args.h"
#include "app/cli_params.h"

namespace soar::cli {

int render_command(int argc, char** argv, const RasterSupport& raster) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    bool grid;
    int width = 833, height = 667;
    std::string png;
    ParamSet params;
    try {
        const ParamOptions po = take_param_options(argc, argv);
        const Args a = parse_args(
            argc, argv, {"pattern", "ticks", "dt", "clock-start", "size", "png"}, {"grid"});
        mode = pattern_arg(a, true);
        params = resolve_param_options(po, mode);
        ticks = count_arg(a, "ticks", 1);
        dt = number_arg(a, "dt", 0.02);
        if (!(dt > 0)) throw ArgError{"--dt must be greater than 0"};
        clock_start = number_arg(a, "clock-start", 0.0);
        grid = a.flags.count("grid") > 0;
        if (a.values.count("size")) {
            const std::string& sz = a.values.at("size");
            if (std::sscanf(sz.c_str(), "%dx%d", &width, &height) != 2 || width < 16 ||
                height < 16 || width > 8192 || height > 8192)
                throw ArgError{"--size needs WxH between 16x16 and 8192x8192, not \"" + sz + "\""};
        }
        if (!a.values.count("png")) throw ArgError{"--png is required"};
        png = a.values.at("png");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus render: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    if (!raster.make) {
        std::fprintf(stderr, "soarcalculus render: no raster support in this build\n");
        return 1;
    }
    Session run(raster.make(width, height));
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
        for (long long k = 1; k <= ticks; ++k) {
            if (!run.tick(clock_at(clock_start, k, dt))) {
                std::fprintf(stderr, "soarcalculus render: %s\n", run.w.message.c_str());
                status = 1;
                break;
            }
        }
    }
    std::string error;
    if (!raster.save_png(*run.pic, png, error)) {
        std::fprintf(stderr, "soarcalculus render: cannot write \"%s\": %s\n", png.c_str(),
                     error.c_str());
        return 1;
    }
    return status;
}

}  // namespace soar::cli
