// A video file read back with libavformat and libavcodec, apart from the
// program's encoder: its frames (as RGB32 images), size and duration.
#pragma once

#include <QImage>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

struct DecodedVideo {
    bool ok = false;
    std::string codec;
    int width = 0, height = 0;
    double duration_s = 0;  // the container's
    double fps = 0;
    std::vector<QImage> frames;  // the first `keep` frames; count has them all
    long count = 0;
};

inline DecodedVideo decode_video(const std::string& path, int keep = 1) {
    DecodedVideo v;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return v;
    if (avformat_find_stream_info(in, nullptr) < 0) return avformat_close_input(&in), v;
    const int s = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s < 0) return avformat_close_input(&in), v;
    AVStream* st = in->streams[s];
    const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(dec);
    avcodec_parameters_to_context(ctx, st->codecpar);
    avcodec_open2(ctx, dec, nullptr);
    v.codec = dec->name;
    v.width = st->codecpar->width, v.height = st->codecpar->height;
    v.duration_s = in->duration / double(AV_TIME_BASE);
    v.fps = av_q2d(st->avg_frame_rate);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    SwsContext* sws = nullptr;
    const auto take = [&] {
        while (avcodec_receive_frame(ctx, f) == 0) {
            if (long(v.frames.size()) < keep) {
                QImage img(f->width, f->height, QImage::Format_RGB32);
                sws = sws_getCachedContext(sws, f->width, f->height, AVPixelFormat(f->format),
                                           f->width, f->height, AV_PIX_FMT_BGRA, SWS_BILINEAR,
                                           nullptr, nullptr, nullptr);
                const int* coeffs = sws_getCoefficients(SWS_CS_ITU709);
                sws_setColorspaceDetails(sws, coeffs, 0, coeffs, 1, 0, 1 << 16, 1 << 16);
                uint8_t* dst[1] = {img.bits()};
                const int stride[1] = {int(img.bytesPerLine())};
                sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
                v.frames.push_back(img);
            }
            ++v.count;
        }
    };
    while (av_read_frame(in, pkt) >= 0) {
        if (pkt->stream_index == s) {
            avcodec_send_packet(ctx, pkt);
            take();
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(ctx, nullptr);
    take();
    sws_freeContext(sws);
    av_frame_free(&f);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&in);
    v.ok = true;
    return v;
}

// The mean of |a - b| over every channel of every pixel, 0 to 255; 255 when
// the sizes differ.
inline double mean_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}
