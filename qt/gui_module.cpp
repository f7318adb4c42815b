#include "qt/gui_module.h"

#include "qt/raster_surface.h"
#include "qt/run_window.h"

extern "C" __attribute__((visibility("default"))) const soar::GuiModule* soarcalculus_gui_module() {
    static const soar::GuiModule module{soar::qt_raster_support, soar::run_window};
    return &module;
}
