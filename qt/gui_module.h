// The program's GUI half (the window, and the raster picture that `render`
// saves) is a module of its own, loaded only by what needs it: a command-line
// flight starts without loading the Qt libraries. This header is all the
// program and the module share; it includes no Qt header.
#pragma once

#include "app/cli.h"

namespace soar {

struct GuiModule {
    RasterSupport (*raster_support)();
    int (*run_window)(int argc, char** argv);
};

// The module's one exported entry point, looked up by this name.
inline constexpr const char* kGuiModuleFile = "soarcalculus-gui.so";
inline constexpr const char* kGuiModuleEntry = "soarcalculus_gui_module";

}  // namespace soar

extern "C" const soar::GuiModule* soarcalculus_gui_module();
