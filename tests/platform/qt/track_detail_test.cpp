// Long tracks drawn through the level-of-detail index against the same tracks
// drawn point by point: in every pattern after a long flight, in the view the
// flight ends with and in zoomed, widened, panned and distant views, every track
// pixel of the one picture lies within one pixel of a track pixel of the other.
#include <QImage>
#include <QtTest>
#include <memory>
#include <vector>

#include "app/frame.h"
#include "app/session.h"
#include "platform/headless/recording_surface.h"
#include "platform/qt/raster_surface.h"
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

QImage tracks_picture(soar::State& s, bool ground, bool air, TrackDetail detail) {
    soar::RasterSurface pic;
    soar::ome_sig_scale(s, pic);
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    pic.clear();
    soar::tracks_draw(s, pic, ground, air, detail);
    return pic.image().copy();
}

int64_t points_projected(soar::State& s) {
    soar::RecordingSurface pic(soar::RasterSurface::kDefaultWidth,
                               soar::RasterSurface::kDefaultHeight, false);
    soar::ome_sig_scale(s, pic);
    return soar::tracks_draw(s, pic, true, true);
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
        soar::Session run(std::make_unique<soar::RecordingSurface>(
            soar::RasterSurface::kDefaultWidth, soar::RasterSurface::kDefaultHeight, false));
        run.start();
        soar::set_check(run.s, run.w, run.io, soar::Id::chk_groundtrack, 1);
        soar::set_check(run.s, run.w, run.io, soar::Id::chk_airtrack, 1);
        run.choose(mode);
        run.press_ok();
        run.press_fly(1000.0f);
        soar::FrameInputs frame;
        for (int k = 0; k < ticks && run.w.timer.enabled; ++k) {
            run.clock.set(float(1000.0 + k * 0.005));
            soar::Tim_1_Timer_state_only(run.s, run.w, run.io, frame);
        }
        QVERIFY2(run.s.n_trk > 20000, qPrintable(QString("%1 points").arg(run.s.n_trk)));

        const soar::State flown = run.s;
        struct View {
            const char* name;
            void (*set)(soar::State&);
        };
        const View views[] = {
            {"as flown", [](soar::State&) {}},
            {"zoomed in", [](soar::State& s) { s.zoom_deg = 6.0f; }},
            {"wide", [](soar::State& s) { s.zoom_deg = 78.0f; }},
            {"panned", [](soar::State& s) { s.x_aim += 25.0f, s.y_aim -= 10.0f, s.z_aim += 3.0f; }},
            {"low, inside the track",
             [](soar::State& s) { s.xep = s.x_trk[s.n_trk / 2], s.yep = s.y_trk[s.n_trk / 2] - 2, s.zep = 1; }},
            {"far above", [](soar::State& s) { s.xep -= 900.0f, s.yep -= 700.0f, s.zep += 600.0f; }},
        };
        for (const View& v : views) {
            soar::State s = flown;
            v.set(s);
            const struct {
                bool ground, air;
            } which[] = {{true, false}, {false, true}, {true, true}};
            for (const auto& w : which) {
                const QImage fast = tracks_picture(s, w.ground, w.air, TrackDetail::indexed);
                const float vis_fast = s.vis_prev;
                const QImage full = tracks_picture(s, w.ground, w.air, TrackDetail::every_point);
                QCOMPARE(vis_fast, s.vis_prev);
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
        soar::State far = flown;
        views[5].set(far);
        const int64_t projected = points_projected(far);
        QVERIFY2(projected * 10 < flown.n_trk, qPrintable(QString("%1 of %2 points projected")
                                                             .arg(projected)
                                                             .arg(flown.n_trk)));
    }
};

QTEST_MAIN(TrackDetailTest)
#include "track_detail_test.moc"
