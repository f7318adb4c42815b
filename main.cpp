// Soarcalculus: with a command (fly, render, export-geometry, ...) it runs
// headless; without one it opens the window.
//
// The window and the raster picture come from the GUI module beside the
// program, loaded on first use: the Qt libraries take about 40 ms to load and
// relocate, which a command-line flight of a million rows would otherwise pay.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "platform/module_path.h"
#include "qt/gui_module.h"

namespace {

class GuiLoader {
  public:
    // The module's entry points, or null (said on standard error once) when it
    // cannot be loaded.
    const soar::GuiModule* get() {
        if (tried_) return module_;
        tried_ = true;
        const std::string path = soar::module_path(soar::kGuiModuleFile);
        // RTLD_NOW: a module that does not fit this program fails here, with the
        // missing symbol named, not later in the middle of a flight.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            std::fprintf(stderr, "soarcalculus: cannot load the window and picture module: %s\n",
                         dlerror());
            return nullptr;
        }
        using Entry = const soar::GuiModule* (*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(handle, soar::kGuiModuleEntry));
        if (entry == nullptr) {
            std::fprintf(stderr, "soarcalculus: %s has no entry point %s\n", path.c_str(),
                         soar::kGuiModuleEntry);
            return nullptr;
        }
        module_ = entry();  // the module stays loaded until the program ends
        return module_;
    }

  private:
    bool tried_ = false;
    const soar::GuiModule* module_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    GuiLoader gui;
    soar::RasterSupport raster;
    raster.make = [&gui](int width_px, int height_px) -> std::unique_ptr<soar::Surface> {
        const soar::GuiModule* m = gui.get();
        if (m == nullptr) return nullptr;
        return m->raster_support().make(width_px, height_px);
    };
    raster.encode_png = [&gui](soar::Surface& surface, std::string& bytes, std::string& error) {
        const soar::GuiModule* m = gui.get();
        if (m == nullptr) {
            error = "the picture module is not loaded";
            return false;
        }
        return m->raster_support().encode_png(surface, bytes, error);
    };
    raster.open_video = [&gui](const std::string& path, int width_px, int height_px, int fps,
                               std::string& error) -> std::unique_ptr<soar::FrameSink> {
        const soar::GuiModule* m = gui.get();
        if (m == nullptr) {
            error = "the picture module is not loaded";
            return nullptr;
        }
        return m->raster_support().open_video(path, width_px, height_px, fps, error);
    };
    const auto window = [&gui](int n, char** args) {
        const soar::GuiModule* m = gui.get();
        return m == nullptr ? 1 : m->run_window(n, args);
    };
    return soar::cli_main(argc, argv, raster, window);
}
