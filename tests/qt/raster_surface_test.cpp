// The raster picture box: pixels land where the user scale puts them, in the
// pen's colour and width; clearing, refused scales, PNG output.
#include "qt/raster_surface.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "headless/recording_surface.h"

using soar::Colour;
using soar::RasterSurface;

namespace {

constexpr QRgb kBack = RasterSurface::kBackground;

QRgb at(const RasterSurface& s, int x, int y) {
    return s.image().pixel(x, y) | 0xFF000000u;
}
QRgb rgb_of(const Colour& c) {
    return qRgb(c.r, c.g, c.b);
}

// Rows of column x that hold `colour`, as [first, last]; {-1, -1} for none.
std::pair<int, int> rows_with(const RasterSurface& s, int x, QRgb colour) {
    int first = -1, last = -1;
    for (int y = 0; y < s.image().height(); ++y) {
        if (at(s, x, y) != colour) continue;
        if (first < 0) first = y;
        last = y;
    }
    return {first, last};
}

int count_not_background(const RasterSurface& s) {
    int n = 0;
    for (int y = 0; y < s.image().height(); ++y)
        for (int x = 0; x < s.image().width(); ++x) n += at(s, x, y) != kBack;
    return n;
}

}  // namespace

Q_DECLARE_METATYPE(Colour)

class RasterSurfaceTest : public QObject {
    Q_OBJECT

  private slots:
    void lines_land_under_a_y_up_user_scale_data() {
        QTest::addColumn<Colour>("colour");
        QTest::newRow("palette dark red") << soar::palette_colour(4);
        QTest::newRow("palette white") << soar::palette_colour(15);
        QTest::newRow("rgb") << soar::rgb(125, 160, 225);
    }
    void lines_land_under_a_y_up_user_scale() {
        QFETCH(Colour, colour);
        RasterSurface s(200, 100);
        s.scale(-10, 5, 10, -5);  // 10 pixels per unit, y growing upwards
        s.set_pen(-5, 2);         // pixel (50, 30)
        s.line_to(5, 2, colour);  // pixel (150, 30)
        const QRgb want = rgb_of(colour);
        QCOMPARE(at(s, 50, 30), want);
        QCOMPARE(at(s, 100, 30), want);
        QCOMPARE(at(s, 149, 30), want);
        QCOMPARE(at(s, 100, 29), kBack);  // one pixel wide
        QCOMPARE(at(s, 100, 31), kBack);
        QCOMPARE(at(s, 100, 70), kBack);  // not mirrored to y = -2
        QCOMPARE(at(s, 40, 30), kBack);
        QCOMPARE(at(s, 160, 30), kBack);
        QCOMPARE(s.pen_x(), 5.0);
        QCOMPARE(s.pen_y(), 2.0);

        // The pen continues from the end of the last line; the first stays.
        s.line_to(5, -2, colour);  // down to pixel (150, 70)
        QCOMPARE(at(s, 150, 50), want);
        QCOMPARE(at(s, 100, 30), want);
    }

    // One-pixel lines in every direction: both end pixels, one pixel per step
    // along the longer axis, none far from the ideal line.
    void thin_lines_in_every_direction_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::newRow("shallow right down") << QPoint(5, 5) << QPoint(60, 20);
        QTest::newRow("shallow left up") << QPoint(60, 20) << QPoint(5, 5);
        QTest::newRow("steep right up") << QPoint(10, 70) << QPoint(25, 3);
        QTest::newRow("steep left down") << QPoint(40, 3) << QPoint(31, 77);
        QTest::newRow("diagonal") << QPoint(0, 0) << QPoint(79, 79);
        QTest::newRow("vertical") << QPoint(7, 79) << QPoint(7, 0);
        QTest::newRow("single pixel") << QPoint(33, 44) << QPoint(33, 44);
        QTest::newRow("corner to corner") << QPoint(79, 0) << QPoint(0, 79);
    }
    void thin_lines_in_every_direction() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        RasterSurface s(80, 80);
        // Points inside the pixels, not on their corners.
        s.set_pen(from.x() + 0.3, from.y() + 0.6);
        s.line_to(to.x() + 0.9, to.y() + 0.1, soar::palette_colour(12));
        const QRgb red = rgb_of(soar::palette_colour(12));
        QCOMPARE(at(s, from.x(), from.y()), red);
        QCOMPARE(at(s, to.x(), to.y()), red);
        const int dx = to.x() - from.x(), dy = to.y() - from.y();
        QCOMPARE(count_not_background(s), std::max(std::abs(dx), std::abs(dy)) + 1);
        const double len = std::hypot(dx, dy);
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                if (at(s, x, y) != red || len == 0) continue;
                const double off = std::fabs((x - from.x()) * dy - (y - from.y()) * dx) / len;
                QVERIFY2(off <= 0.75, qPrintable(QString("pixel (%1, %2)").arg(x).arg(y)));
            }
        }
    }

    void thick_horizontal_line_fills_a_band_its_width_tall_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("first");  // rows whose centres lie within width / 2 of y
        QTest::addColumn<int>("last");
        QTest::newRow("2 px") << 2 << 40.2 << 39 << 40;
        QTest::newRow("3 px") << 3 << 40.2 << 39 << 41;
        QTest::newRow("10 px") << 10 << 40.7 << 36 << 45;
        QTest::newRow("11 px") << 11 << 40.3 << 35 << 45;
        QTest::newRow("taller than the picture") << 500 << 50.0 << 0 << 99;
    }
    void thick_horizontal_line_fills_a_band_its_width_tall() {
        QFETCH(int, width);
        QFETCH(double, y);
        QFETCH(int, first);
        QFETCH(int, last);
        RasterSurface s(120, 100);  // pixel scale
        s.set_draw_width(width);
        s.set_pen(10, y);
        s.line_to(110, y, soar::rgb(90, 120, 240));
        const QRgb sea = qRgb(90, 120, 240);
        QCOMPARE(rows_with(s, 60, sea), std::make_pair(first, last));
        for (int row = first; row <= last; ++row) QCOMPARE(at(s, 60, row), sea);
        // Square ends: the band reaches half the width beyond both end points.
        const int reach = std::min(10, width / 2);
        QCOMPARE(at(s, 10 - reach, first), sea);
        QCOMPARE(at(s, 109 + reach, last), sea);
        if (width < 20) QCOMPARE(at(s, 10 - reach - 2, first), kBack);
    }

    // Sky and sea are painted as two thick lines meeting at the horizon; together
    // they must cover the picture from top to bottom.
    void sky_and_sea_bands_cover_the_picture_data() {
        QTest::addColumn<double>("horizon");  // user y, picture spans +-2.88
        QTest::newRow("centre") << 0.0;
        QTest::newRow("high") << 2.0;
        QTest::newRow("low") << -1.234;
        QTest::newRow("just below the top") << 2.87;
        for (int i = 0; i < 40; ++i) {  // horizon rows 0.5 apart, half of them on a tie
            const double y = 2.88 - i * 0.5 * 5.76 / 667.0 - 0.2;
            QTest::newRow(qPrintable(QString("step %1").arg(i))) << y;
        }
    }
    void sky_and_sea_bands_cover_the_picture() {
        QFETCH(double, horizon);
        RasterSurface s;
        const double w = 3.6, h = 2.88;
        s.scale(-w, h, w, -h);
        const double T = s.scale_top();
        const double top_px = s.scale_y_to_pixels(h - T, s.scale_mode());
        const double hor_px = s.scale_y_to_pixels(horizon - T, s.scale_mode());
        const double bottom_px = s.scale_y_to_pixels(-h - T, s.scale_mode());
        const auto sky = soar::rgb(125, 160, 225), sea = soar::rgb(90, 120, 240);
        s.set_draw_width(static_cast<int>(std::nearbyint(std::fabs(top_px - hor_px))));
        s.pset(-w, (horizon + h) * 0.5);
        s.line_to(w, (horizon + h) * 0.5, sky);
        s.set_draw_width(static_cast<int>(std::nearbyint(std::fabs(bottom_px - hor_px))));
        s.pset(-w, (horizon - h) * 0.5);
        s.line_to(w, (horizon - h) * 0.5, sea);
        for (int x : {0, 1, 416, 831, 832}) {
            for (int y = 0; y < 667; ++y) {
                const QRgb p = at(s, x, y);
                if (p != rgb_of(sky) && p != rgb_of(sea))
                    QFAIL(
                        qPrintable(QString("pixel (%1, %2) is neither sky nor sea").arg(x).arg(y)));
            }
        }
        // The sky is above the horizon, the sea below it.
        const int hor_row = static_cast<int>(hor_px);
        QCOMPARE(at(s, 416, std::max(0, hor_row - 3)), rgb_of(sky));
        QCOMPARE(at(s, 416, hor_row + 3), rgb_of(sea));
    }

    // After clear() the rows that bands paint whole are not cleared first. Over
    // a picture full of old drawing, clear and bands (and then a line, or just
    // reading the picture) must give the pixels the bands give on a new picture:
    // bands across the width or not, tall, thin, beyond the edges, in the
    // background colour, in the old drawing's colours, meeting or overlapping.
    void bands_after_a_clear_leave_nothing_of_the_old_picture() {
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        const Colour palette[] = {soar::rgb(125, 160, 225), soar::rgb(90, 120, 240),
                                  soar::rgb(128, 128, 255), soar::rgb(255, 0, 0)};
        for (int i = 0; i < 300; ++i) {
            const int W = 60 + i % 9, H = 40 + i % 13;
            RasterSurface old(W, H), fresh(W, H);
            for (int k = 0; k < 6; ++k) {  // the old picture: bands and lines
                old.fill_band(-5, W + 5, u(rng) * H, 1 + int(u(rng) * H), palette[k % 4]);
                old.set_pen(u(rng) * W, u(rng) * H);
                old.line_to(u(rng) * W, u(rng) * H, palette[(k + 1) % 4]);
            }
            (void)old.image();
            old.clear();  // the fresh picture is drawn on without a put-off clear
            const int bands = 1 + i % 3;
            for (int k = 0; k < bands; ++k) {
                const bool across = u(rng) < 0.8;
                const double x1 = across ? -u(rng) * 3 : u(rng) * W;
                const double x2 = across ? W + u(rng) * 3 : u(rng) * W;
                const double y = -0.5 * H + u(rng) * 2.0 * H;
                const int width = u(rng) < 0.2 ? 1 + int(u(rng) * 3) : 1 + int(u(rng) * 1.5 * H);
                const Colour c = palette[int(u(rng) * 4)];
                for (RasterSurface* s : {&old, &fresh}) s->fill_band(x1, x2, y, width, c);
            }
            if (i % 2 == 0) {
                for (RasterSurface* s : {&old, &fresh}) {
                    s->set_draw_width(1);
                    s->set_pen(0, 0);
                    s->line_to(W, H, palette[3]);
                }
            }
            if (old.image() != fresh.image()) QFAIL(qPrintable(QString("case %1").arg(i)));
        }
    }

    void pset_plots_a_point_of_the_pen_width_in_black() {
        RasterSurface s(100, 100);
        s.pset(10, 10);
        QCOMPARE(at(s, 10, 10), qRgb(0, 0, 0));
        QCOMPARE(at(s, 11, 10), kBack);
        QCOMPARE(s.pen_x(), 10.0);

        s.set_draw_width(9);
        s.pset(50.5, 50.5);
        QCOMPARE(at(s, 50, 50), qRgb(0, 0, 0));
        QCOMPARE(at(s, 53, 50), qRgb(0, 0, 0));  // within the radius
        QCOMPARE(at(s, 50, 46), qRgb(0, 0, 0));
        QCOMPARE(at(s, 56, 50), kBack);  // beyond it
        QCOMPARE(at(s, 54, 54), kBack);  // a round dot, not a square

        // A line after a wide point is drawn in its own colour and width.
        s.line_to(90, 50.5, soar::palette_colour(2));
        QCOMPARE(at(s, 70, 50), rgb_of(soar::palette_colour(2)));
        QCOMPARE(rows_with(s, 70, rgb_of(soar::palette_colour(2))), std::make_pair(46, 54));
    }

    void clear_restores_the_background_and_the_pen() {
        const RasterSurface picture_box;  // the picture box's size, empty
        QCOMPARE(picture_box.image().size(), QSize(833, 667));
        QCOMPARE(count_not_background(picture_box), 0);

        RasterSurface s(100, 80);
        s.scale(0, 8, 10, 0);
        s.set_draw_width(5);
        s.set_pen(1, 1);
        s.line_to(9, 7, soar::palette_colour(14));
        s.pset(3, 3);
        QVERIFY(count_not_background(s) > 0);
        s.clear();
        QCOMPARE(count_not_background(s), 0);
        QCOMPARE(s.pen_x(), 0.0);
        QCOMPARE(s.pen_y(), 0.0);
        // The scale and the pen width survive a clear.
        QCOMPARE(s.scale_top(), 8.0);
        s.set_pen(0, 4.01);  // pixel row 39.9
        s.line_to(10, 4.01, soar::palette_colour(0));
        QCOMPARE(rows_with(s, 50, qRgb(0, 0, 0)), std::make_pair(37, 41));
    }

    void degenerate_scale_is_refused_and_draws_nothing_data() {
        QTest::addColumn<double>("x1");
        QTest::addColumn<double>("y1");
        QTest::addColumn<double>("x2");
        QTest::addColumn<double>("y2");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("zero width") << 1.0 << 1.0 << 1.0 << -1.0;
        QTest::newRow("zero height") << -1.0 << 2.0 << 1.0 << 2.0;
        QTest::newRow("all zero") << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("NaN") << nan << 1.0 << 1.0 << -1.0;
        QTest::newRow("infinite") << -1.0 << inf << 1.0 << -1.0;
    }
    void degenerate_scale_is_refused_and_draws_nothing() {
        QFETCH(double, x1);
        QFETCH(double, y1);
        QFETCH(double, x2);
        QFETCH(double, y2);
        RasterSurface s(100, 100);
        s.scale(-5, 5, 5, -5);
        s.scale(x1, y1, x2, y2);
        QCOMPARE(s.scale_top(), 5.0);  // the previous scale is kept
        QCOMPARE(s.user_scale().left, -5.0);
        QCOMPARE(s.scale_mode(), soar::kScaleUser);
        s.set_pen(-4, 0);
        s.line_to(4, 0, soar::palette_colour(0));
        s.pset(0, 2);
        QCOMPARE(count_not_background(s), 0);
        QCOMPARE(s.pen_x(), 0.0);  // the pen still moves
        QCOMPARE(s.pen_y(), 2.0);
        // A valid scale brings drawing back.
        s.scale(-5, 5, 5, -5);
        s.set_pen(-4, 0);
        s.line_to(4, 0, soar::palette_colour(0));
        QCOMPARE(at(s, 50, 50), qRgb(0, 0, 0));
    }

    // The perspective projection can put a point of a line very far away (just
    // beyond the near limit) or, after a fault, nowhere at all.
    void far_and_invalid_points() {
        RasterSurface s(100, 100);
        s.set_pen(50, 50);
        s.line_to(50, -1e15, soar::palette_colour(0));  // straight up, far off
        QCOMPARE(rows_with(s, 50, qRgb(0, 0, 0)), std::make_pair(0, 50));
        s.clear();
        s.set_pen(-3e12, 20);
        s.line_to(3e12, 20, soar::palette_colour(0));
        QCOMPARE(at(s, 0, 20), qRgb(0, 0, 0));
        QCOMPARE(at(s, 99, 20), qRgb(0, 0, 0));
        s.clear();
        s.set_pen(-1e9, -1e9);
        s.line_to(-1e9, 1e9, soar::palette_colour(0));  // wholly outside
        s.set_pen(100, 0);
        s.line_to(100, 100, soar::palette_colour(0));  // on the far edge: no pixel's
        s.set_pen(0, 100);
        s.line_to(100, 100, soar::palette_colour(0));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        s.set_pen(10, 10);
        s.line_to(nan, 30, soar::palette_colour(0));
        s.line_to(30, 30, soar::palette_colour(0));  // from the NaN point: nothing
        s.set_draw_width(1 << 30);
        QCOMPARE(s.draw_width(), 32767);
        s.set_draw_width(-4);
        QCOMPARE(s.draw_width(), 1);
        QCOMPARE(count_not_background(s), 0);
        s.set_pen(10, 10);
        s.line_to(20, 10, soar::palette_colour(0));  // and drawing goes on
        QCOMPARE(at(s, 15, 10), qRgb(0, 0, 0));
    }

    void png_round_trip() {
        const soar::RasterSupport support = soar::qt_raster_support();
        auto surface = support.make(64, 48);
        QVERIFY(surface != nullptr);
        surface->scale(0, 0, 64, 48);
        surface->set_pen(5, 5);
        surface->line_to(60, 40, soar::rgb(12, 200, 34));
        surface->pset(1, 40);
        const QImage drawn = static_cast<RasterSurface&>(*surface).image().copy();

        std::string bytes, error;
        QVERIFY(support.encode_png(*surface, bytes, error));
        QVERIFY(error.empty());
        QImage loaded;
        QVERIFY(loaded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()),
                                    "png"));
        QCOMPARE(loaded.size(), QSize(64, 48));
        QCOMPARE(loaded.convertToFormat(QImage::Format_RGB32), drawn);
    }

    void png_failures_are_reported() {
        const soar::RasterSupport support = soar::qt_raster_support();
        std::string bytes, error;
        soar::RecordingSurface headless;
        QVERIFY(!support.encode_png(headless, bytes, error));
        QVERIFY(!error.empty());

        // A picture that cannot be made is inert: drawing on it is harmless and
        // saving it fails with a reason.
        for (auto [w, h] : {std::pair{0, 10}, std::pair{10, -1}}) {
            auto bad = support.make(w, h);
            QVERIFY(bad != nullptr);
            QVERIFY(!static_cast<RasterSurface&>(*bad).ok());
            bad->clear();
            bad->set_draw_width(3);
            bad->pset(1, 1);
            bad->line_to(5, 5, soar::palette_colour(0));
            error.clear();
            QVERIFY(!support.encode_png(*bad, bytes, error));
            QVERIFY(!error.empty());
        }
    }

    // The band fill leaves out the wide dot that starts a band: it must not lose
    // a pixel of it. Random pictures, scales, widths and centres, a third of them
    // with the band's edges on pixel centres (ties).
    void band_fill_covers_what_dot_and_line_cover() {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int i = 0; i < 3000; ++i) {
            const int W = 50 + int(rng() % 900), H = 40 + int(rng() % 700);
            const double L = -1 - 100 * unit(rng), T = 1 + 100 * unit(rng);
            double y = T * (3 * unit(rng) - 1.5);
            if (i % 3 == 0) y = std::round((y - T) * H / (-2 * T) * 2) / 2 * (-2 * T) / H + T;
            const int width = 1 + int(rng() % (i % 2 ? 40 : 2000));
            RasterSurface a(W, H), b(W, H);
            for (RasterSurface* s : {&a, &b}) s->scale(L, T, -L, -T);
            a.set_draw_width(width);
            a.pset(L, y);
            a.line_to(-L, y, soar::rgb(1, 2, 3));
            b.fill_band(L, -L, y, width, soar::rgb(1, 2, 3));
            QVERIFY2(a.image() == b.image(), qPrintable(QString("case %1").arg(i)));
            QCOMPARE(b.pen_x(), -L);
            QCOMPARE(b.draw_width(), a.draw_width());
        }
    }

    // A polyline drawn in one call is what a dot at each run's start and a line
    // to every vertex draw: random runs over and far off the picture, NaN
    // vertices, several scales and pen widths, the pen where it began.
    void path_draws_what_dots_and_lines_draw() {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> spread(-1.5, 1.5);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (int i = 0; i < 400; ++i) {
            const double L = -1 - 50 * (spread(rng) + 1.5), T = 1 + 40 * (spread(rng) + 1.5);
            RasterSurface a(120 + i % 7, 90 + i % 5), b(120 + i % 7, 90 + i % 5);
            std::vector<soar::PathVertex> path;
            const double reach = i % 10 == 0 ? 1e7 : 1.0;  // some runs far off
            // Every third run a walk of steps up to two pixels, as a long track
            // comes, in and out of the picture: lines within a pixel or to a
            // neighbouring one, and lines across the edges.
            const bool walk = i % 3 == 1;
            const double step_x = -2 * L / 60, step_y = 2 * T / 45;
            double wx = spread(rng) * -L, wy = spread(rng) * T;
            for (int k = 0; k < 60; ++k) {
                wx += spread(rng) * step_x, wy += spread(rng) * step_y;
                const float x = float(walk ? wx : spread(rng) * reach * -L);
                const float y = float(walk ? wy : spread(rng) * reach * T);
                path.push_back({k == 0 || rng() % 8 == 0, k % 23 == 5 ? nan : x, y});
            }
            const int width = i % 4 == 3 ? 3 : 1;
            for (RasterSurface* s : {&a, &b}) {
                s->scale(L, T, -L, -T);
                s->set_draw_width(width);
                s->set_pen(-L * 0.3, T * 0.2);  // the first vertex may continue a line
            }
            const soar::Colour c = soar::rgb(0, 128, 0);
            for (const soar::PathVertex& v : path) {
                if (v.start) a.pset(v.x, v.y);
                a.line_to(v.x, v.y, c);
            }
            b.path(path, c);
            QVERIFY2(a.image() == b.image(), qPrintable(QString("case %1").arg(i)));
            QVERIFY(std::isnan(a.pen_x()) ? std::isnan(b.pen_x()) : a.pen_x() == b.pen_x());
            QCOMPARE(b.pen_y(), a.pen_y());
        }
    }
};

QTEST_GUILESS_MAIN(RasterSurfaceTest)
#include "raster_surface_test.moc"
