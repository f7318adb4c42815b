// A video written frame by frame: H.264 in an MP4 file, through FFmpeg's
// libraries. This header is all the rest of the program sees of it (it
// includes no FFmpeg header): the encoder is built into a module of its own,
// soarcalculus-video.so, loaded only when a video is made.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace soar {

struct VideoFormat {
    int width = 0, height = 0;  // pixels, even, 16 to 8192 a side (H.264 in 4:2:0 needs even sides)
    int fps = 30;               // frames per second, 1 to 240
};

class VideoEncoder {
  public:
    // Without a successful finish() nothing is left on the disk.
    virtual ~VideoEncoder() = default;
    // One frame of 32-bit pixels 0xffRRGGBB (Qt's RGB32), rows `stride` pixels
    // apart, of the format's size. False with a reason when it cannot be encoded.
    virtual bool add(const uint32_t* pixels, int stride, std::string& error) = 0;
    // The last frames encoded and the file written whole (to a temporary beside
    // it, renamed over the target), or not at all: false with the reason.
    virtual bool finish(std::string& error) = 0;
    // Frames added so far.
    virtual int64_t frames() const = 0;
};

// An MP4 (H.264, yuv420p, constant frame rate) for `path`; null with a reason
// when the encoder cannot be set up. Nothing touches the disk before finish().
std::unique_ptr<VideoEncoder> open_mp4(const std::string& path, const VideoFormat& format,
                                       std::string& error);

// The module's table, looked up by kVideoModuleEntry.
struct VideoModule {
    std::unique_ptr<VideoEncoder> (*open_mp4)(const std::string& path, const VideoFormat& format,
                                              std::string& error);
};
inline constexpr const char* kVideoModuleFile = "soarcalculus-video.so";
inline constexpr const char* kVideoModuleEntry = "soarcalculus_video_module";

}  // namespace soar

extern "C" const soar::VideoModule* soarcalculus_video_module();
