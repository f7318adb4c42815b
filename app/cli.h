// The headless commands: fly, render, export-geometry. They run start-up, the
// option click, "OK", "FLY" and the timer ticks through the same handlers as the
// window, on a headless picture.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/surface.h"

namespace soar {

// A raster picture for `render`, supplied by the caller (the core has no image code).
struct RasterSupport {
    std::function<std::unique_ptr<Surface>(int width_px, int height_px)> make;
    // Writes the picture as PNG; false with a reason when it cannot.
    std::function<bool(Surface& surface, const std::string& path, std::string& error)> save_png;
};

// With no arguments (or when `window` is given and no command is named) the
// window runs through `window`; otherwise the command named in argv[1].
int cli_main(int argc, char** argv, const RasterSupport& raster,
             const std::function<int(int, char**)>& window);

}  // namespace soar
