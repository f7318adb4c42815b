// The toolkit-free pixel buffer against the window's raster picture: the same
// flight, the same drawing calls, the same pixels, for every pattern (and the
// grid, the energy-coloured track and its colour bar, the arrows at the bird).
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

// The window's picture without its text: the pixel buffer has no fonts, and
// what the two must share is everything else (the colour bar's boxes, not its
// numbers).
class WithoutText final : public soar::Surface {
  public:
    explicit WithoutText(soar::Surface& s) : s_(s) {}
    void clear() override { s_.clear(); }
    void scale(double a, double b, double c, double d) override { s_.scale(a, b, c, d); }
    double scale_top() const override { return s_.scale_top(); }
    int scale_mode() const override { return s_.scale_mode(); }
    double scale_y_to_pixels(double e, int m) const override { return s_.scale_y_to_pixels(e, m); }
    double scale_x_to_pixels(double e, int m) const override { return s_.scale_x_to_pixels(e, m); }
    soar::ScaleSetting scale_setting() const override { return s_.scale_setting(); }
    void set_scale_setting(const soar::ScaleSetting& v) override { s_.set_scale_setting(v); }
    void set_draw_width(int w) override { s_.set_draw_width(w); }
    void pset(double x, double y) override { s_.pset(x, y); }
    void set_pen(double x, double y) override { s_.set_pen(x, y); }
    double pen_x() const override { return s_.pen_x(); }
    double pen_y() const override { return s_.pen_y(); }
    void line_to(double x, double y, soar::Colour c) override { s_.line_to(x, y, c); }
    void path(std::span<const soar::PathVertex> v, soar::Colour c) override { s_.path(v, c); }
    void fill_band(double a, double b, double y, int w, soar::Colour c) override {
        s_.fill_band(a, b, y, w, c);
    }
    void fill_box(double a, double b, double c, double d, soar::Colour k) override {
        s_.fill_box(a, b, c, d, k);
    }

  private:
    soar::Surface& s_;
};

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
        QTest::newRow("upwind, grid, energy track, arrows")
            << int(soar::Mode::upwind) << true << true;
    }
    void draws_the_pictures_of_render_pixel_for_pixel() {
        QFETCH(int, mode);
        QFETCH(bool, grid);
        QFETCH(bool, energy);
        soar::RasterSurface qt;
        WithoutText qt_lines(qt);
        soar::PixelSurface ours;
        // Two runs of the same flight, as render makes it, one on each picture.
        const auto fly = [&](soar::Surface& picture) {
            soar::ManualClock clock{0.0f};
            soar::DirTextFiles no_export(".");
            soar::Session run(picture, clock, no_export);
            run.start_up();
            if (grid) run.set_check(soar::Id::grid_box, 1);
            if (energy) {
                run.set_track_colour(soar::TrackColour::energy);
                run.set_arrows(true);
            }
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
        fly(qt_lines);
        fly(ours);
        const Comparison c = compare(qt.image(), ours);
        const long total = long(qt.image().width()) * qt.image().height();
        std::printf("%s: %ld of %ld pixels differ (%.4f %%), %ld more than a pixel away\n",
                    QTest::currentDataTag(), c.differing, total,
                    100.0 * double(c.differing) / double(total), c.farther);
        // One-pixel lines, dots, bands and boxes land on the very pixels; only a
        // wide slanted line (the arrows) may put an edge pixel one over.
        if (!energy) QCOMPARE(c.differing, 0L);
        QCOMPARE(c.farther, 0L);
        QVERIFY(double(c.differing) <= 0.005 * double(total));
    }
};

QTEST_MAIN(PixelSurfaceTest)
#include "pixel_surface_test.moc"
