// H.264 in MP4 through libavcodec (libx264) and libavformat.
//
// The caller's thread only copies each picture into a queue of a few frames;
// a thread of the encoder's converts them to YUV and encodes them, so the next
// picture is drawn while this one is encoded.
//
// The MP4 is muxed into memory and written whole through AtomicFile at the
// end: the muxer goes back to the start to fill in the sizes of what it wrote,
// which a file written from front to back cannot take, and a video of a flight
// is a few megabytes (flat sky and sea, thin lines). A failure or a cancel
// before the end therefore leaves nothing on the disk.
//
// 4:2:0 H.264 needs an even width and height (the callers draw an odd-sized
// picture one pixel larger). The x264 settings do not depend on the machine
// (a fixed number of threads), so the same frames give the same file anywhere.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include "platform/atomic_file.h"
#include "video/video_encoder.h"

namespace soar {

namespace {

std::string av_reason(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

// A file in memory that the muxer can write and seek in.
struct MemoryFile {
    std::string bytes;
    int64_t pos = 0;

    static int write(void* opaque, uint8_t* buf, int n) {
        auto* f = static_cast<MemoryFile*>(opaque);
        if (n < 0) return AVERROR(EINVAL);
        try {
            const size_t end = size_t(f->pos) + size_t(n);
            if (f->bytes.size() < end) f->bytes.resize(end);
            std::memcpy(f->bytes.data() + f->pos, buf, size_t(n));
        } catch (const std::bad_alloc&) {
            return AVERROR(ENOMEM);
        }
        f->pos += n;
        return n;
    }
    static int64_t seek(void* opaque, int64_t offset, int whence) {
        auto* f = static_cast<MemoryFile*>(opaque);
        const int64_t size = int64_t(f->bytes.size());
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return size;
            case SEEK_SET:
                break;
            case SEEK_CUR:
                offset += f->pos;
                break;
            case SEEK_END:
                offset += size;
                break;
            default:
                return AVERROR(EINVAL);
        }
        if (offset < 0) return AVERROR(EINVAL);
        f->pos = offset;
        return offset;
    }
};

// 0xffRRGGBB pixels to BT.709 limited-range Y, Cb, Cr (4:2:0: each chroma
// sample from the mean of a 2 x 2 block), with coefficients in 1/256: 16-bit
// arithmetic, which the compiler vectorises eight pixels at a time with plain
// SSE2. Within half a level of the exact conversion, far below what the
// encoder's quantisation takes away.
void rgb32_to_yuv420(const uint32_t* rgb, int width, int height, AVFrame* f) {
    // Y = 16 + 219/255 (0.2126 R + 0.7152 G + 0.0722 B); Cb, Cr as BT.709 with 224/255.
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = rgb + ptrdiff_t(y) * width;
        uint8_t* out = f->data[0] + ptrdiff_t(y) * f->linesize[0];
        for (int x = 0; x < width; ++x) {
            const uint16_t r = uint16_t((row[x] >> 16) & 0xff), g = uint16_t((row[x] >> 8) & 0xff),
                           b = uint16_t(row[x] & 0xff);
            out[x] = uint8_t(uint16_t(uint16_t(47 * r + 157 * g + 16 * b + 128) >> 8) + 16);
        }
    }
    for (int y = 0; y < height / 2; ++y) {
        const uint32_t* a = rgb + ptrdiff_t(2 * y) * width;
        const uint32_t* c = a + width;
        uint8_t* u = f->data[1] + ptrdiff_t(y) * f->linesize[1];
        uint8_t* v = f->data[2] + ptrdiff_t(y) * f->linesize[2];
        for (int x = 0; x < width / 2; ++x) {
            const auto mean = [&](int shift) {
                const auto at = [shift](uint32_t q) { return uint16_t((q >> shift) & 0xff); };
                return int16_t(uint16_t(at(a[2 * x]) + at(a[2 * x + 1]) + at(c[2 * x]) +
                                        at(c[2 * x + 1]) + 2) >>
                               2);
            };
            const int16_t r = mean(16), g = mean(8), b = mean(0);
            u[x] = uint8_t(int16_t((-26 * r - 86 * g + 112 * b + 128) >> 8) + 128);
            v[x] = uint8_t(int16_t((112 * r - 102 * g - 10 * b + 128) >> 8) + 128);
        }
    }
}

class Mp4Encoder final : public VideoEncoder {
  public:
    Mp4Encoder(std::string path, const VideoFormat& f) : path_(std::move(path)), format_(f) {}
    ~Mp4Encoder() override { release(); }

    bool open(std::string& error);
    bool add(const uint32_t* pixels, int stride, std::string& error) override;
    bool finish(std::string& error) override;
    int64_t frames() const override { return frames_; }

    // The encoding thread: frames from the queue until it is closed and empty.
    void run();

  private:
    bool fail(const std::string& what, int code, std::string& error) {
        error = what + (code != 0 ? ": " + av_reason(code) : std::string());
        failed_ = true;
        return false;
    }
    // Every packet the encoder has ready, into the file. `frame` null: the
    // encoder is drained.
    bool send(AVFrame* frame, std::string& error);
    void release();
    // The thread stopped and joined; the queue is empty afterwards.
    void stop_thread();
    // One picture converted and encoded (the encoding thread).
    bool encode(const uint32_t* pixels, std::string& error);

    std::string path_;
    VideoFormat format_;
    MemoryFile file_;
    AVFormatContext* out_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t frames_ = 0, encoded_ = 0;
    bool header_ = false, finished_ = false;
    std::atomic<bool> failed_{false};  // also set by the encoding thread

    // The queue between the caller and the encoding thread.
    static constexpr size_t kQueued = 3;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::vector<uint32_t>> queue_, spare_;
    bool closing_ = false;
    std::string thread_error_;  // set by the thread when it failed: it encodes no more
    std::thread thread_;
};

void Mp4Encoder::stop_thread() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(m_);
        closing_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void Mp4Encoder::run() {
    std::unique_lock lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;  // closing, and everything encoded
        std::vector<uint32_t> frame = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = !thread_error_.empty();
        lock.unlock();
        std::string why;
        const bool ok = skip || encode(frame.data(), why);
        lock.lock();
        if (!ok) thread_error_ = why;
        spare_.push_back(std::move(frame));
        cv_.notify_all();
    }
}

void Mp4Encoder::release() {
    stop_thread();
    if (out_ && io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (out_) avformat_free_context(out_), out_ = nullptr;
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
}

bool Mp4Encoder::open(std::string& error) {
    av_log_set_level(AV_LOG_ERROR);
    int r = avformat_alloc_output_context2(&out_, nullptr, "mp4", nullptr);
    if (r < 0 || !out_) return fail("the MP4 writer is missing", r, error);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return fail("this FFmpeg has no H.264 encoder (libx264)", 0, error);
    codec_ = avcodec_alloc_context3(codec);
    if (!codec_) return fail("the H.264 encoder cannot be set up", AVERROR(ENOMEM), error);
    codec_->width = format_.width;
    codec_->height = format_.height;
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    codec_->time_base = AVRational{1, format_.fps};
    codec_->framerate = AVRational{format_.fps, 1};
    codec_->gop_size = 2 * format_.fps;  // a key frame every 2 s: quick to seek in
    codec_->thread_count = 2;            // fixed, so the file is the same on any machine
    codec_->color_range = AVCOL_RANGE_MPEG;
    codec_->colorspace = AVCOL_SPC_BT709;
    codec_->color_primaries = AVCOL_PRI_BT709;
    codec_->color_trc = AVCOL_TRC_BT709;
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    // The pictures are flat colour and thin lines: "ultrafast" at a constant
    // quality keeps them as sharp as slower presets do (the 4:2:0 colour of the
    // one-pixel lines is what differs from the picture, whatever the preset), at
    // about 2 MB for 10 s of 834 x 668, and leaves the cores free for ten times
    // real time with the flight and its drawing.
    av_dict_set(&opts, "preset", "ultrafast", 0);
    av_dict_set(&opts, "crf", "20", 0);
    r = avcodec_open2(codec_, codec, &opts);
    av_dict_free(&opts);
    if (r < 0) return fail("the H.264 encoder refused the settings", r, error);

    stream_ = avformat_new_stream(out_, nullptr);
    if (!stream_) return fail("the MP4 writer cannot add the stream", AVERROR(ENOMEM), error);
    stream_->time_base = codec_->time_base;
    stream_->avg_frame_rate = codec_->framerate;
    r = avcodec_parameters_from_context(stream_->codecpar, codec_);
    if (r < 0) return fail("the MP4 writer cannot take the stream", r, error);

    constexpr int kIoBuffer = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    if (!buffer) return fail("out of memory", AVERROR(ENOMEM), error);
    io_ = avio_alloc_context(buffer, kIoBuffer, 1, &file_, nullptr, &MemoryFile::write,
                             &MemoryFile::seek);
    if (!io_) {
        av_free(buffer);
        return fail("out of memory", AVERROR(ENOMEM), error);
    }
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    out_->pb = io_;
    out_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_BITEXACT;  // no library version in the file
    r = avformat_write_header(out_, nullptr);
    if (r < 0) return fail("the MP4 header cannot be written", r, error);
    header_ = true;

    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!frame_ || !packet_) return fail("out of memory", AVERROR(ENOMEM), error);
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = format_.width;
    frame_->height = format_.height;
    r = av_frame_get_buffer(frame_, 0);
    if (r < 0) return fail("out of memory", r, error);
    thread_ = std::thread([this] { run(); });
    return true;
}

bool Mp4Encoder::send(AVFrame* frame, std::string& error) {
    int r = avcodec_send_frame(codec_, frame);
    if (r < 0) return fail("the H.264 encoder failed", r, error);
    for (;;) {
        r = avcodec_receive_packet(codec_, packet_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return fail("the H.264 encoder failed", r, error);
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        r = av_interleaved_write_frame(out_, packet_);
        if (r < 0) return fail("the MP4 writer failed", r, error);
    }
}

bool Mp4Encoder::encode(const uint32_t* pixels, std::string& error) {
    int r = av_frame_make_writable(frame_);
    if (r < 0) return fail("out of memory", r, error);
    rgb32_to_yuv420(pixels, format_.width, format_.height, frame_);
    frame_->pts = encoded_++;
    return send(frame_, error);
}

bool Mp4Encoder::add(const uint32_t* pixels, int stride, std::string& error) {
    std::vector<uint32_t> frame;
    {
        std::unique_lock lock(m_);
        // The encoding thread's own reason first: it also marks the video failed.
        if (thread_error_.empty() && (failed_ || finished_)) {
            error = failed_ ? "the video has failed already" : "the video is finished";
            return false;
        }
        cv_.wait(lock, [this] { return queue_.size() < kQueued || !thread_error_.empty(); });
        if (!thread_error_.empty()) {
            error = thread_error_;
            failed_ = true;
            return false;
        }
        if (!spare_.empty()) frame = std::move(spare_.front()), spare_.pop_front();
    }
    try {
        frame.resize(size_t(format_.width) * size_t(format_.height));
    } catch (const std::bad_alloc&) {
        return fail("out of memory", 0, error);
    }
    for (int y = 0; y < format_.height; ++y)
        std::memcpy(frame.data() + ptrdiff_t(y) * format_.width, pixels + ptrdiff_t(y) * stride,
                    size_t(format_.width) * sizeof(uint32_t));
    {
        std::lock_guard lock(m_);
        queue_.push_back(std::move(frame));
    }
    cv_.notify_all();
    ++frames_;
    return true;
}

bool Mp4Encoder::finish(std::string& error) {
    if (finished_) return true;
    stop_thread();  // every queued frame encoded
    if (!thread_error_.empty()) return fail(thread_error_, 0, error);
    if (failed_) {
        error = "the video has failed already";
        return false;
    }
    if (!send(nullptr, error)) return false;
    const int r = av_write_trailer(out_);
    if (r < 0) return fail("the MP4 index cannot be written", r, error);
    avio_flush(io_);
    if (io_->error < 0) return fail("the MP4 could not be kept in memory", io_->error, error);
    finished_ = true;
    std::string why;
    if (!write_file_atomically(path_, file_.bytes, why)) {
        error = why;
        failed_ = true;
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<VideoEncoder> open_mp4(const std::string& path, const VideoFormat& format,
                                       std::string& error) {
    if (format.width < 16 || format.height < 16 || format.width > 8192 || format.height > 8192 ||
        format.width % 2 != 0 || format.height % 2 != 0 || format.fps < 1 || format.fps > 240) {
        error =
            "a video needs an even number of pixels a side, 16 to 8192, and 1 to 240 frames "
            "a second";
        return nullptr;
    }
    auto e = std::make_unique<Mp4Encoder>(path, format);
    if (!e->open(error)) return nullptr;
    return e;
}

}  // namespace soar

extern "C" __attribute__((visibility("default"))) const soar::VideoModule*
soarcalculus_video_module() {
    static const soar::VideoModule module{soar::open_mp4};
    return &module;
}
