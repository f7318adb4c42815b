#include "app/cli.h"

#include <cstdio>
#include <string>

#include "app/cli_args.h"
#include "app/cli_params.h"

namespace soar {

int cli_main(int argc, char** argv, const RasterSupport& raster,
             const std::function<int(int, char**)>& window) {
    if (argc < 2) {
        if (window) return window(argc, argv);
        std::fprintf(stderr, "%s", cli::kUsage);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "fly") return cli::fly_command(argc, argv);
    if (command == "render") return cli::render_command(argc, argv, raster);
    if (command == "export-geometry") return cli::export_geometry_command(argc, argv);
    if (command == "params") return cli::params_command(argc, argv);
    if (command == "min-wind") return cli::min_wind_command(argc, argv);
    if (command == "optimise") return cli::optimise_command(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fprintf(stdout, "%s", cli::kUsage);
        return 0;
    }
    // Anything else (a toolkit option such as -platform) goes to the window.
    if (command.rfind("-", 0) == 0 && window) return window(argc, argv);
    std::fprintf(stderr, "soarcalculus: unknown command \"%s\"\n%s", command.c_str(), cli::kUsage);
    return 2;
}

}  // namespace soar
