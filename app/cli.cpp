#include "app/cli.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "app/cli_sweep.h"

#ifndef SOAR_VERSION
#define SOAR_VERSION "unknown"
#endif

namespace soar {

namespace {

bool set(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

// A window needs an X11 or Wayland display, unless the user picked another Qt
// platform (offscreen, vnc, ...) through the environment or -platform.
bool display_available(int argc, char** argv) {
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) return true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-platform" || arg == "--platform" || arg.rfind("-platform=", 0) == 0)
            return true;
    }
    return false;
}

int open_window(int argc, char** argv, const std::function<int(int, char**)>& window) {
    if (!display_available(argc, argv)) {
        std::fprintf(stderr,
                     "soarcalculus: no display: the window needs X11 or Wayland; the fly, render "
                     "and export-geometry commands run without one\n");
        return 2;
    }
    return window(argc, argv);
}

// --help and --version anywhere before a command's own arguments.
int informational(const std::string& command) {
    if (command == "--help" || command == "-h" || command == "help") {
        std::fprintf(stdout, "%s", cli::kUsage);
        return cli::stdout_written("--help") ? 0 : 1;
    }
    if (command == "--version" || command == "-v" || command == "version") {
        std::fprintf(stdout, "soarcalculus %s\n", SOAR_VERSION);
        return cli::stdout_written("--version") ? 0 : 1;
    }
    return -1;
}

// "fly --help" and the like: a command asked for its own usage.
bool asks_for_help(int argc, char** argv) {
    if (!cli::command_usage(argv[1])) return false;
    for (int i = 2; i < argc; ++i)
        if (std::string(argv[i]) == "--help") return true;
    return false;
}

}  // namespace

int cli_main(int argc, char** argv, const RasterSupport& raster,
             const std::function<int(int, char**)>& window) {
    if (argc < 2) {
        if (window) return open_window(argc, argv, window);
        std::fprintf(stderr, "%s", cli::kUsage);
        return 2;
    }
    const std::string command = argv[1];
    if (asks_for_help(argc, argv)) {
        std::fputs(cli::command_usage(command), stdout);
        return cli::stdout_written(command.c_str()) ? 0 : 1;
    }
    if (command == "fly") return cli::fly_command(argc, argv);
    if (command == "render") return cli::render_command(argc, argv, raster);
    if (command == "export-geometry") return cli::export_geometry_command(argc, argv);
    if (command == "params") return cli::params_command(argc, argv);
    if (command == "min-wind") return cli::min_wind_command(argc, argv);
    if (command == "optimise") return cli::optimise_command(argc, argv);
    if (command == "sweep") return cli::sweep_command(argc, argv);
    if (command == "merge") return cli::merge_command(argc, argv);
    if (command == "sweep-worker") return cli::sweep_worker_command(argc, argv);
    if (const int status = informational(command); status >= 0) return status;
    // Anything else (a toolkit option such as -platform) goes to the window.
    if (command.rfind("-", 0) == 0 && window) return open_window(argc, argv, window);
    std::fprintf(stderr, "soarcalculus: unknown command \"%s\"\n%s", command.c_str(), cli::kUsage);
    return 2;
}

int cli_check(int argc, char** argv) {
    if (argc < 2) return 0;
    const std::string command = argv[1];
    if (asks_for_help(argc, argv)) return 0;
    if (command == "fly") return cli::fly_command(argc, argv, true);
    if (command == "render") return cli::render_command(argc, argv, RasterSupport{}, true);
    if (command == "export-geometry") return cli::export_geometry_command(argc, argv, true);
    if (command == "params") return cli::params_command(argc, argv, true);
    if (command == "min-wind") return cli::min_wind_command(argc, argv, true);
    if (command == "optimise") return cli::optimise_command(argc, argv, true);
    if (command == "sweep") return cli::sweep_command(argc, argv, true);
    if (command == "merge") return cli::merge_command(argc, argv, true);
    if (informational(command) >= 0) return 0;
    if (command.rfind("-", 0) == 0) return 0;  // the window's toolkit options
    return 2;
}

}  // namespace soar
