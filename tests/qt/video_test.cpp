// render --video and --frames end to end: the MP4 read back with libavformat
// (frame count, size, duration, the first frame against render's picture of
// that tick), the PNG frames against render's pictures bit for bit, and a
// failed or cancelled video that leaves nothing.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/flight_video.h"
#include "decoded_video.h"
#include "qt/raster_surface.h"
#include "qt/video_output.h"
#include "video/video_encoder.h"

namespace {

// The program's raster support with the encoder linked in, as the module gives it.
soar::RasterSupport support() {
    soar::RasterSupport s = soar::qt_raster_support();
    s.open_video = [](const std::string& path, int w, int h, int fps, std::string& error) {
        return soar::raster_video_sink(soar::open_mp4(path, soar::VideoFormat{w, h, fps}, error));
    };
    return s;
}

int render(std::vector<std::string> args, const soar::RasterSupport& raster = support()) {
    args.insert(args.begin(), {"soarcalculus", "render"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return soar::cli_main(int(argv.size()), argv.data(), raster, nullptr);
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class VideoTest : public QObject {
    Q_OBJECT

  private slots:
    // One second of the upwind flight at 30 frames/s and the default size
    // (833 x 667, drawn at 834 x 668 for H.264), coloured and with arrows.
    void the_video_reads_back_frame_for_frame() {
        QTemporaryDir dir;
        const std::string mp4 = dir.filePath("flight.mp4").toStdString();
        const QString frames = dir.filePath("frames");
        QVERIFY(QDir().mkdir(frames));
        QCOMPARE(render({"--pattern", "upwind", "--seconds", "1", "--video", mp4, "--frames",
                         frames.toStdString(), "--colour-by", "energy", "--arrows"}),
                 0);
        const DecodedVideo v = decode_video(mp4, 30);
        QVERIFY(v.ok);
        QCOMPARE(QString::fromStdString(v.codec), QStringLiteral("h264"));
        QCOMPARE(v.count, 30L);
        QCOMPARE(v.width, 834);
        QCOMPARE(v.height, 668);
        QVERIFY2(std::abs(v.duration_s - 1.0) < 0.05, std::to_string(v.duration_s).c_str());
        QCOMPARE(v.fps, 30.0);
        QCOMPARE(entries(frames).size(), 30);
        // Frame j at flight time j / 30 s, tick 1 + 2 j at the step of 1/60 s: the
        // PNG frames are render's pictures of those ticks, bit for bit, and the
        // video's frames are those pictures through the encoder.
        for (int j : {0, 29}) {
            const std::string png = dir.filePath("tick.png").toStdString();
            QCOMPARE(render({"--pattern", "upwind", "--ticks", std::to_string(1 + 2 * j), "--dt",
                             "0.016666666666666666", "--size", "834x668", "--colour-by", "energy",
                             "--arrows", "--png", png}),
                     0);
            const QImage rendered =
                QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
            const QImage frame =
                QImage(frames + QStringLiteral("/frame-%1.png").arg(j, 6, 10, QLatin1Char('0')))
                    .convertToFormat(QImage::Format_RGB32);
            QCOMPARE(frame, rendered);
            const double near = mean_difference(v.frames[size_t(j)], rendered);
            QVERIFY2(near < 2.5, std::to_string(near).c_str());
            // ... and told apart from another tick's picture.
            if (j == 0) QVERIFY(mean_difference(v.frames[29], rendered) > 2.0 * near);
        }
    }

    // The same flight makes the same file, byte for byte: nothing of the
    // machine's clock or the encoder's threads' timing is in it.
    void the_same_flight_makes_the_same_file() {
        QTemporaryDir dir;
        QByteArray bytes[2];
        for (int i = 0; i < 2; ++i) {
            const QString path = dir.filePath(QStringLiteral("v%1.mp4").arg(i));
            QCOMPARE(render({"--pattern", "crosswind", "--seconds", "2", "--size", "200x160",
                             "--colour-by", "height", "--video", path.toStdString()}),
                     0);
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            bytes[i] = f.readAll();
        }
        QVERIFY(bytes[0].size() > 1000);
        QVERIFY(bytes[0] == bytes[1]);
    }

    // A video that fails part way (here its PNG frames hit a full disk) leaves
    // neither the MP4 nor a frame nor a temporary file.
    void a_failed_video_leaves_nothing() {
        QTemporaryDir dir;
        const QString frames = dir.filePath("frames");
        QVERIFY(QDir().mkdir(frames));
        soar::RasterSupport broken = support();
        auto calls = std::make_shared<int>(0);
        const auto encode = broken.encode_png;
        broken.encode_png = [calls, encode](soar::Surface& s, std::string& bytes, std::string& e) {
            if (++*calls == 12) {
                e = "No space left on device";
                return false;
            }
            return encode(s, bytes, e);
        };
        const std::string mp4 = dir.filePath("flight.mp4").toStdString();
        QCOMPARE(render({"--pattern", "downwind", "--seconds", "1", "--size", "96x80", "--video",
                         mp4, "--frames", frames.toStdString()},
                        broken),
                 1);
        QCOMPARE(entries(dir.path()), QStringList());
        QCOMPARE(entries(frames), QStringList());
    }

    // Cancelled part way: nothing on the disk, no temporary either.
    void a_cancelled_video_leaves_nothing() {
        QTemporaryDir dir;
        std::string error;
        auto sink = soar::raster_video_sink(soar::open_mp4(dir.filePath("flight.mp4").toStdString(),
                                                           soar::VideoFormat{96, 80, 30}, error));
        QVERIFY2(sink != nullptr, error.c_str());
        soar::RasterSurface picture(96, 80);
        soar::VideoFlight flight;
        soar::VideoTiming timing;
        timing.frames = 60;
        const soar::VideoResult r = soar::fly_video(
            flight, timing, picture, *sink, [](int64_t done, int64_t) { return done < 20; });
        QVERIFY(r.cancelled);
        sink.reset();
        QCOMPARE(entries(dir.path()), QStringList());
    }

    void the_encoder_refuses_what_it_cannot_write() {
        std::string error;
        QVERIFY(soar::open_mp4("/tmp/x.mp4", soar::VideoFormat{833, 668, 30}, error) == nullptr);
        QVERIFY(!error.empty());
        // A folder that is gone by the end: the whole file fails, nothing is left.
        QTemporaryDir dir;
        const QString gone = dir.filePath("gone");
        QVERIFY(QDir().mkdir(gone));
        auto e = soar::open_mp4((gone + QStringLiteral("/v.mp4")).toStdString(),
                                soar::VideoFormat{32, 32, 10}, error);
        QVERIFY(e != nullptr);
        std::vector<uint32_t> pixels(32 * 32, 0xff336699u);
        QVERIFY(e->add(pixels.data(), 32, error));
        QVERIFY(QDir(gone).removeRecursively());
        QVERIFY(!e->finish(error));
        QVERIFY(QString::fromStdString(error).contains(QStringLiteral("gone")));
        QCOMPARE(entries(dir.path()), QStringList());
    }
};

QTEST_MAIN(VideoTest)
#include "video_test.moc"
