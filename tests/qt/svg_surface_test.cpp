// The vector picture for slides: the same drawing as the raster picture, so
// the SVG drawn back at the same size looks the same; and the raster picture's
// boxes and text land where they are asked.
#include "qt/svg_surface.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

#include "app/session.h"
#include "decoded_video.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/raster_surface.h"
#include "view/track_colour.h"

class SvgSurfaceTest : public QObject {
    Q_OBJECT

  private slots:
    // A flight's picture with grid, coloured tracks, arrows, legend and colour
    // bar, drawn on both surfaces: the SVG, drawn back by Qt's SVG renderer,
    // matches the raster picture within the antialiasing of its lines.
    void the_svg_is_the_raster_picture_as_lines() {
        soar::RasterSurface raster;
        soar::ManualClock clock;
        soar::MemoryTextFiles files;
        soar::Session s(raster, clock, files);
        s.start_up();
        s.set_check(soar::Id::grid_box, 1);
        s.set_check(soar::Id::ground_track_box, 1);
        s.set_track_colour(soar::TrackColour::airspeed);
        s.set_arrows(true);
        s.choose_pattern(soar::Mode::crosswind);
        s.set_up_flight();
        s.start_flight();
        soar::Frame f;
        for (int k = 1; k <= 600; ++k) {
            clock.set(float(0.02 * (k - 1)));
            s.advance_tick(f);
        }
        QVERIFY(s.flying());
        s.draw(f, raster);
        soar::SvgSurface svg(raster.image().width(), raster.image().height());
        s.draw(f, svg);
        QVERIFY(svg.polylines() > 10);
        QVERIFY(svg.texts() >= 8);  // the legend's four lines, the bar's labels and title
        QSvgRenderer renderer(svg.svg(QStringLiteral("test")));
        QVERIFY(renderer.isValid());
        QImage back(raster.image().size(), QImage::Format_RGB32);
        back.fill(Qt::black);
        QPainter p(&back);
        renderer.render(&p);
        p.end();
        const double d = mean_difference(back, raster.image());
        QVERIFY2(d < 3.0, std::to_string(d).c_str());
        // ... and a picture of another tick is told apart.
        for (int k = 601; k <= 700; ++k) {
            clock.set(float(0.02 * (k - 1)));
            s.advance_tick(f);
        }
        s.draw(f, raster);
        QVERIFY(mean_difference(back, raster.image()) > 2.0 * d);
    }

    void boxes_and_text_land_where_asked() {
        soar::RasterSurface pic(200, 100);
        pic.clear();
        pic.scale(0, 0, 200, 100);
        pic.fill_box(10.2, 20.6, 30.4, 40.5, soar::rgb(255, 0, 0));
        const QImage& img = pic.image();
        // The pixels whose centres lie inside: columns 10 .. 29, rows 21 .. 39.
        QCOMPARE(img.pixel(10, 21) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(img.pixel(29, 39) & 0xFFFFFF, 0xFF0000u);
        QVERIFY((img.pixel(9, 21) & 0xFFFFFF) != 0xFF0000u);
        QVERIFY((img.pixel(30, 21) & 0xFFFFFF) != 0xFF0000u);
        QVERIFY((img.pixel(10, 20) & 0xFFFFFF) != 0xFF0000u);
        QVERIFY((img.pixel(10, 40) & 0xFFFFFF) != 0xFF0000u);
        pic.text(150, 60, "dE/dt", soar::palette_colour(0), 12, soar::TextAlign::right);
        int x_min = 200, x_max = -1, y_min = 100, y_max = -1;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                if (qGray(img.pixel(x, y)) < 60) {
                    x_min = std::min(x_min, x), x_max = std::max(x_max, x);
                    y_min = std::min(y_min, y), y_max = std::max(y_max, y);
                }
        // Right-aligned on x = 150, centred on y = 60, about 12 pixels tall.
        QVERIFY(x_max <= 150 && x_max >= 145);
        QVERIFY(x_min < 125);
        QVERIFY(y_min >= 50 && y_max <= 68 && y_max - y_min >= 7);
    }
};

QTEST_MAIN(SvgSurfaceTest)
#include "svg_surface_test.moc"
