// The toolkit-free pixel buffer against the window's raster picture: the same
// flight, the same drawing calls, the same pixels, for every pattern (and the
// grid and the energy-coloured track).
#include "raster/pixel_surface.h"

#include <QImage>
#include <QtTest>
#include <cstdio>

#include "app/cli_args.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/raster_surface.h"

namespace {

struct Comparison {
    long differing = 0;
    long farther = 0;  // differing pixels with no pixel of their colour a pixel away
};

Comparison compare(const QImage& qt, const soar::PixelSurface& ours) {
    Comparison c;
    const auto at = [&](int x, int y) { return ours.pixel(x, y) | 0xFF000000u; };
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            const QRgb q = qt.pixel(x, y) | 0xFF000000u;
            if (q == at(x, y)) continue;
            ++c.differing;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int u = x + dx, v = y + dy;
                    if (u >= 0 && v >= 0 && u < qt.width() && v < qt.height() &&
                        (qt.pixel(u, v) | 0xFF000000u) == at(x, y))
                        near = true;
                }
            c.farther += !near;
        }
    return c;
}

}  // namespace

class PixelSurfaceTest : public QObject {
    Q_OBJECT

  private slots:
    void draws_the_pictures_of_render_pixel_for_pixel_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("grid");
        QTest::addColumn<bool>("energy");
        QTest::newRow("upwind") << int(soar::Mode::upwind) << false << false;
        QTest::newRow("downwind") << int(soar::Mode::downwind) << false << false;
        QTest::newRow("crosswind") << int(soar::Mode::crosswind) << false << false;
        QTest::newRow("circle zoom") << int(soar::Mode::circlezoom) << false << false;
        QTest::newRow("profile") << int(soar::Mode::profile) << false << false;
        QTest::newRow("fixed") << int(soar::Mode::fixed) << false << false;
        QTest::newRow("upwind, grid, energy track") << int(soar::Mode::upwind) << true << true;
    }
    void draws_the_pictures_of_render_pixel_for_pixel() {
        QFETCH(int, mode);
        QFETCH(bool, grid);
        QFETCH(bool, energy);
        soar::RasterSurface qt;
        soar::PixelSurface ours;
        // Two runs of the same flight, as render makes it, one on each picture.
        const auto fly = [&](soar::Surface& picture) {
            soar::ManualClock clock{0.0f};
            soar::DirTextFiles no_export(".");
            soar::Session run(picture, clock, no_export);
            run.start_up();
            if (grid) run.set_check(soar::Id::grid_box, 1);
            if (energy) run.set_track_colour(soar::TrackColour::energy);
            if (soar::Mode(mode) == soar::Mode::fixed) {
                run.set_up_flight();
                return;
            }
            run.choose_pattern(soar::Mode(mode));
            run.set_up_flight();
            run.start_flight();
            soar::Frame last;
            for (long long k = 1; k <= 1500 && run.flying(); ++k) {
                clock.set(soar::cli::clock_at(0.0, k, 0.02));
                run.advance_tick(last);
            }
            run.draw(last, picture);
        };
        fly(qt);
        fly(ours);
        const Comparison c = compare(qt.image(), ours);
        const long total = long(qt.image().width()) * qt.image().height();
        std::printf("%s: %ld of %ld pixels differ (%.4f %%), %ld more than a pixel away\n",
                    QTest::currentDataTag(), c.differing, total,
                    100.0 * double(c.differing) / double(total), c.farther);
        QCOMPARE(c.farther, 0L);
        QVERIFY(double(c.differing) <= 0.005 * double(total));
    }
};

QTEST_MAIN(PixelSurfaceTest)
#include "pixel_surface_test.moc"
