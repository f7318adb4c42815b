// export-geometry: the eight geometry files of the bird at a typed attitude.
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "app/cli_args.h"
#include "platform/headless/recording_surface.h"

namespace soar::cli {

int export_geometry_command(int argc, char** argv, bool parse_only) {
    std::string dir, roll = "0", pitch = "2", yaw = "0", scale = "1";
    try {
        const Args a = parse_args(argc, argv, {"dir", "roll", "pitch", "yaw", "scale"}, {});
        if (!a.values.count("dir")) throw ArgError{"--dir is required"};
        dir = a.values.at("dir");
        std::error_code ec;
        if (dir.empty() || !std::filesystem::is_directory(dir, ec))
            throw ArgError{"--dir needs an existing folder, not \"" + dir + "\""};
        // Each value goes into its box as typed; it must be a number whose export
        // stays finite.
        for (auto [name, target, range] : {std::tuple{"roll", &roll, kAngleRange},
                                           {"pitch", &pitch, kAngleRange},
                                           {"yaw", &yaw, kAngleRange},
                                           {"scale", &scale, kScaleRange}}) {
            if (!a.values.count(name)) continue;
            number_arg(a, name, std::nullopt, range);
            *target = a.values.at(name);
        }
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus export-geometry: %s\n%s", e.message.c_str(), command_usage("export-geometry"));
        return 2;
    }
    if (parse_only) return 0;
    Session run(std::make_unique<RecordingSurface>(833, 667, false), dir);
    run.start();
    edit_text(run.s, run.w, run.io, Id::txt_rollR, roll);
    edit_text(run.s, run.w, run.io, Id::txt_pitchup, pitch);
    edit_text(run.s, run.w, run.io, Id::txt_yawR, yaw);
    edit_text(run.s, run.w, run.io, Id::txt_bird_scale, scale);
    set_check(run.s, run.w, run.io, Id::chk_write, 1);
    run.press_ok();
    if (!run.w.message.empty()) {
        std::fprintf(stderr, "soarcalculus export-geometry: %s\n", run.w.message.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote the eight geometry files to \"%s\"\n", dir.c_str());
    return 0;
}

}  // namespace soar::cli
