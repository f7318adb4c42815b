// Soarcalculus: with a command (fly, render, export-geometry) it runs headless;
// without one it opens the window.
#include "app/cli.h"
#include "platform/qt/raster_surface.h"
#include "platform/qt/run_window.h"

int main(int argc, char** argv) {
    return soar::cli_main(argc, argv, soar::qt_raster_support(), soar::run_window);
}
