// The headless commands: fly, render, export-geometry. They run start-up, the
// option click, "OK", "FLY" and the timer ticks through the same handlers as the
// window, on a headless picture.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/flight_video.h"
#include "platform/surface.h"

namespace soar {

// A raster picture for `render`, supplied by the caller (the core has no image code).
struct RasterSupport {
    std::function<std::unique_ptr<Surface>(int width_px, int height_px)> make;
    // The picture encoded as PNG into `bytes`; false with a reason when it cannot.
    // The command writes the bytes to the file (completely or not at all).
    std::function<bool(Surface& surface, std::string& bytes, std::string& error)> encode_png;
    // An MP4 video (H.264) for frames of `surface`'s kind and the given size,
    // written whole at finish() or not at all; null with a reason when no
    // encoder can be had.
    std::function<std::unique_ptr<FrameSink>(const std::string& path, int width_px, int height_px,
                                             int fps, std::string& error)>
        open_video;
};

// With no arguments (or when `window` is given and no command is named) the
// window runs through `window`, if there is a display (else exit 2 with a
// message); otherwise the command named in argv[1]. --help and --version print
// and exit 0 without opening anything.
// Exit codes: 0 done; 1 a flight stopped by a fault, a file that could not be
// written; 2 bad arguments (nothing written) or no display for the window;
// 130 `fly` interrupted (Ctrl-C), its file complete up to the last row.
int cli_main(int argc, char** argv, const RasterSupport& raster,
             const std::function<int(int, char**)>& window);

// The arguments' check alone, as cli_main would make it: 2 (with the message on
// standard error) for arguments a command refuses, 0 otherwise. Nothing is flown,
// drawn or written, and no window is opened.
int cli_check(int argc, char** argv);

}  // namespace soar
