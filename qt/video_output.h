// Videos from the raster picture: the encoder module (soarcalculus-video.so,
// FFmpeg) loaded beside the program on first use, and the sink that hands it
// the picture's pixels frame by frame.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/flight_video.h"
#include "video/video_encoder.h"

namespace soar {

using VideoOpener = std::function<std::unique_ptr<VideoEncoder>(
    const std::string& path, const VideoFormat& format, std::string& error)>;

// The encoder of the module beside the program; when the module cannot be
// loaded the opener says why and gives none.
VideoOpener module_video_opener();

// Frames of RasterSurface pictures (of the encoder's size) into `encoder`.
std::unique_ptr<FrameSink> raster_video_sink(std::unique_ptr<VideoEncoder> encoder);

}  // namespace soar
