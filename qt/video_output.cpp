#include "qt/video_output.h"

#include <dlfcn.h>

#include <mutex>

#include "platform/module_path.h"
#include "qt/raster_surface.h"

namespace soar {

namespace {

struct LoadedModule {
    const VideoModule* module = nullptr;
    std::string error;
};

const LoadedModule& video_module() {
    static LoadedModule loaded;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string path = module_path(kVideoModuleFile);
        // RTLD_NOW: a module that does not fit fails here, naming what is missing.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            loaded.error = std::string("the video module cannot be loaded: ") + (why ? why : path);
            return;
        }
        using Entry = const VideoModule* (*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(handle, kVideoModuleEntry));
        if (entry == nullptr) {
            loaded.error = path + " has no entry point " + kVideoModuleEntry;
            return;
        }
        loaded.module = entry();  // loaded until the program ends
    });
    return loaded;
}

class RasterVideoSink final : public FrameSink {
  public:
    explicit RasterVideoSink(std::unique_ptr<VideoEncoder> e) : encoder_(std::move(e)) {}
    bool add(Surface& picture, std::string& error) override {
        const auto* raster = dynamic_cast<const RasterSurface*>(&picture);
        if (raster == nullptr || !raster->ok()) {
            error = "the picture is not a raster image";
            return false;
        }
        const QImage& image = raster->image();
        return encoder_->add(reinterpret_cast<const uint32_t*>(image.constBits()),
                             int(image.bytesPerLine() / 4), error);
    }
    bool finish(std::string& error) override { return encoder_->finish(error); }

  private:
    std::unique_ptr<VideoEncoder> encoder_;
};

}  // namespace

VideoOpener module_video_opener() {
    return [](const std::string& path, const VideoFormat& format,
              std::string& error) -> std::unique_ptr<VideoEncoder> {
        const LoadedModule& m = video_module();
        if (m.module == nullptr) {
            error = m.error;
            return nullptr;
        }
        return m.module->open_mp4(path, format, error);
    };
}

std::unique_ptr<FrameSink> raster_video_sink(std::unique_ptr<VideoEncoder> encoder) {
    if (!encoder) return nullptr;
    return std::make_unique<RasterVideoSink>(std::move(encoder));
}

}  // namespace soar
