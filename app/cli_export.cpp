// export-geometry: the eight geometry files of the bird at a typed attitude.
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "app/cli_args.h"
#include "app/session.h"
#include "bird/build.h"
#include "platform/dir_text_files.h"
#include "platform/number_text.h"
#include "view/bird_drawing.h"

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
        std::fprintf(stderr, "soarcalculus export-geometry: %s\n%s", e.message.c_str(),
                     command_usage("export-geometry"));
        return 2;
    }
    if (parse_only) return 0;
    // The bird as the fixed view of a newly opened window draws it at this
    // attitude and scale, each value read as the window reads a typed box.
    RunModel m;
    m.roll = float(text_value(roll));
    m.pitch = float(text_value(pitch));
    m.yaw = float(text_value(yaw));
    m.bird_scale = float(text_value(scale));
    BirdModel bird;
    bird_build(bird);
    const BirdPose pose{drawn_attitude(m), m.bird_scale};
    DirTextFiles files(dir);
    const ExportResult r = export_bird(bird, pose, fixed_view_camera(m.observer), Shift{}, files);
    if (!r.ok) {
        std::fprintf(stderr,
                     "soarcalculus export-geometry: the geometry files could not be written: %s\n",
                     r.error.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote the eight geometry files to \"%s\"\n", dir.c_str());
    return 0;
}

}  // namespace soar::cli
