// Long tracks drawn through the level-of-detail index against the same tracks
// drawn point by point: in every pattern after a long flight, in the view the
// flight ends with and in zoomed, widened, panned and distant views, every track
// pixel of the one picture lies within one pixel of a track pixel of the other.
#include <QImage>
#include <QtTest>
#include <memory>
#include <vector>

#include "../app/app_fixture.h"
#include "../view/track_run.h"
#include "app/session.h"
#include "headless/recording_surface.h"
#include "qt/raster_surface.h"
#include "view/projection.h"
#include "view/tracks.h"

using soar::Mode;
using soar::TrackDetail;

Q_DECLARE_METATYPE(soar::Mode)

namespace {

// Positions of the pixels that differ from the cleared picture.
std::vector<QPoint> drawn_pixels(const QImage& img) {
    std::vector<QPoint> out;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (row[x] != soar::RasterSurface::kBackground) out.push_back({x, y});
    }
    return out;
}

// Pixels of `from` with no pixel of `to` in their 3 x 3 neighbourhood.
int strays(const std::vector<QPoint>& from, const QImage& to) {
    int n = 0;
    for (const QPoint& p : from) {
        bool near = false;
        for (int dy = -1; dy <= 1 && !near; ++dy) {
            for (int dx = -1; dx <= 1 && !near; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                near = to.rect().contains(q) && to.pixel(q) != soar::RasterSurface::kBackground;
            }
        }
        n += !near;
    }
    return n;
}

QImage tracks_picture(soar::test::TrackRun& s, bool ground, bool air, TrackDetail detail) {
    soar::RasterSurface pic;
    soar::update_view(s.camera, pic);
    s.shift.x = s.shift.y = s.shift.z = 0.0f;
    pic.clear();
    soar::test::draw(s, pic, ground, air, detail);
    return pic.image().copy();
}

int64_t points_projected(soar::test::TrackRun& s) {
    soar::RecordingSurface pic(soar::RasterSurface::kDefaultWidth,
                               soar::RasterSurface::kDefaultHeight, false);
    soar::update_view(s.camera, pic);
    return soar::test::draw(s, pic, true, true);
}

}  // namespace

class TrackDetailTest : public QObject {
    Q_OBJECT

  private slots:
    void long_tracks_within_a_pixel_of_every_point_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("ticks");
        // 5 ms ticks; each pattern as long as it flies (crosswind and downwind
        // lose their airspeed at 125 s and 324 s, upwind reaches the sea at 680 s).
        QTest::newRow("upwind 600 s") << Mode::upwind << 120000;
        QTest::newRow("downwind 300 s") << Mode::downwind << 60000;
        QTest::newRow("crosswind 120 s") << Mode::crosswind << 24000;
        QTest::newRow("circle zoom 1200 s") << Mode::circlezoom << 240000;
        QTest::newRow("profile 300 s") << Mode::profile << 60000;
    }

    void long_tracks_within_a_pixel_of_every_point() {
        QFETCH(Mode, mode);
        QFETCH(int, ticks);
        soar::test::Run run(false);
        run.session.set_check(soar::Id::ground_track_box, 1);
        run.session.set_check(soar::Id::air_track_box, 1);
        run.start(mode, 1000.0);
        for (int k = 0; k < ticks; ++k)
            if (!run.tick_unseen(float(1000.0 + k * 0.005))) break;
        soar::test::TrackRun flown;
        flown.tracks = run.session.scene().tracks;
        flown.camera = run.session.camera();
        QVERIFY2(flown.tracks.n > 20000, qPrintable(QString("%1 points").arg(flown.tracks.n)));

        struct View {
            const char* name;
            void (*set)(soar::test::TrackRun&);
        };
        const View views[] = {
            {"as flown", [](soar::test::TrackRun&) {}},
            {"zoomed in", [](soar::test::TrackRun& s) { s.camera.zoom_deg = 6.0f; }},
            {"wide", [](soar::test::TrackRun& s) { s.camera.zoom_deg = 78.0f; }},
            {"panned",
             [](soar::test::TrackRun& s) {
                 s.camera.x_aim += 25.0f, s.camera.y_aim -= 10.0f, s.camera.z_aim += 3.0f;
             }},
            {"low, inside the track",
             [](soar::test::TrackRun& s) {
                 s.camera.x_eye = s.tracks.x[s.tracks.n / 2],
                 s.camera.y_eye = s.tracks.y[s.tracks.n / 2] - 2, s.camera.z_eye = 1;
             }},
            {"far above",
             [](soar::test::TrackRun& s) {
                 s.camera.x_eye -= 900.0f, s.camera.y_eye -= 700.0f, s.camera.z_eye += 600.0f;
             }},
        };
        for (const View& v : views) {
            soar::test::TrackRun s = flown;
            v.set(s);
            const struct {
                bool ground, air;
            } which[] = {{true, false}, {false, true}, {true, true}};
            for (const auto& w : which) {
                const QImage fast = tracks_picture(s, w.ground, w.air, TrackDetail::indexed);
                const QImage full = tracks_picture(s, w.ground, w.air, TrackDetail::every_point);
                const auto fast_px = drawn_pixels(fast), full_px = drawn_pixels(full);
                const QString where = QString("%1, %2%3: %4 pixels fast, %5 full")
                                          .arg(v.name)
                                          .arg(w.ground ? "ground " : "")
                                          .arg(w.air ? "air" : "")
                                          .arg(fast_px.size())
                                          .arg(full_px.size());
                QVERIFY2(strays(fast_px, full) == 0 && strays(full_px, fast) == 0,
                         qPrintable(where + QString(", strays %1 / %2")
                                                .arg(strays(fast_px, full))
                                                .arg(strays(full_px, fast))));
            }
        }
        // Seen from afar the whole track is a few hundred pixels across: the
        // index must have stood in for most of its points.
        soar::test::TrackRun far = flown;
        views[5].set(far);
        const int64_t projected = points_projected(far);
        QVERIFY2(
            projected * 10 < flown.tracks.n,
            qPrintable(QString("%1 of %2 points projected").arg(projected).arg(flown.tracks.n)));
    }
};

QTEST_MAIN(TrackDetailTest)
#include "track_detail_test.moc"
