// The `render` command end to end: the same start-up, option click, "OK", "FLY"
// and ticks as the window, the picture saved as PNG.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/raster_surface.h"

namespace {

int render(std::vector<std::string> args) {
    args.insert(args.begin(), {"soarcalculus", "render"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return soar::cli_main(int(argv.size()), argv.data(), soar::qt_raster_support(), nullptr);
}

int count(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == colour;
    return n;
}

}  // namespace

class RenderCommand : public QObject {
    Q_OBJECT

  private slots:
    // render draws only the picture it saves: that picture is the one a redraw
    // of every tick ends with, pixel for pixel, grid and tracks included.
    void the_saved_picture_is_the_last_ticks_full_redraw() {
        for (const char* pattern : {"upwind", "profile"}) {
            QTemporaryDir dir;
            const std::string png = dir.filePath("last.png").toStdString();
            QCOMPARE(render({"--pattern", pattern, "--ticks", "700", "--dt", "0.02", "--grid",
                             "--png", png}),
                     0);
            soar::RasterSurface pic;
            soar::ManualClock clock;
            soar::MemoryTextFiles files;
            soar::Session every(pic, clock, files);
            every.start_up();
            every.set_check(soar::Id::grid_box, 1);
            every.choose_pattern(*soar::mode_named(pattern));
            every.set_up_flight();
            every.start_flight();
            for (int k = 1; k <= 700; ++k) {
                clock.set(float(0.02 * (k - 1)));
                every.advance_tick();
            }
            QVERIFY(every.flying());
            QCOMPARE(QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32),
                     pic.image().convertToFormat(QImage::Format_RGB32));
        }
    }

    void picture_of_each_view_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("wind_figure");
        QTest::addColumn<bool>("tracks");
        QTest::newRow("fixed") << "fixed" << false << false;
        QTest::newRow("upwind") << "upwind" << true << true;
        QTest::newRow("downwind") << "downwind" << true << true;
        QTest::newRow("crosswind") << "crosswind" << true << true;
        QTest::newRow("circlezoom") << "circlezoom" << false << true;
    }
    void picture_of_each_view() {
        QFETCH(QString, pattern);
        QFETCH(bool, wind_figure);
        QFETCH(bool, tracks);
        QTemporaryDir dir;
        const std::string png = dir.filePath("view.png").toStdString();
        QCOMPARE(render({"--pattern", pattern.toStdString(), "--ticks", "150", "--dt", "0.02",
                         "--png", png}),
                 0);
        const QImage img(QString::fromStdString(png));
        QCOMPARE(img.size(), QSize(833, 667));
        QVERIFY(count(img, qRgb(90, 120, 240)) > 1000);          // sea
        QVERIFY(count(img, qRgb(255, 255, 255)) > 50);           // the bird's white wire
        QCOMPARE(count(img, qRgb(128, 0, 0)) > 0, wind_figure);  // dark red arrows
        QCOMPARE(count(img, qRgb(0, 0, 128)) > 0, tracks);       // air track
    }
    void size_and_grid() {
        QTemporaryDir dir;
        const std::string png = dir.filePath("grid.png").toStdString();
        QCOMPARE(render({"--pattern", "upwind", "--ticks", "20", "--grid", "--size", "400x300",
                         "--png", png}),
                 0);
        const QImage img(QString::fromStdString(png));
        QCOMPARE(img.size(), QSize(400, 300));
    }
    void bad_arguments_write_nothing() {
        QTemporaryDir dir;
        const std::string png = dir.filePath("bad.png").toStdString();
        QCOMPARE(render({"--pattern", "sideways", "--png", png}), 2);
        QCOMPARE(render({"--pattern", "upwind", "--size", "10x10", "--png", png}), 2);
        QCOMPARE(render({"--pattern", "upwind"}), 2);
        QVERIFY(!QFile::exists(QString::fromStdString(png)));
        QCOMPARE(render({"--pattern", "fixed", "--png", "/nonexistent/dir/x.png"}), 2);
    }
    // The PNG is written whole or not at all: a full device is reported, and the
    // previous picture survives a failing encoder.
    void failed_write_keeps_the_previous_picture() {
        QTemporaryDir dir;
        const std::string png = dir.filePath("keep.png").toStdString();
        QCOMPARE(render({"--pattern", "fixed", "--png", png}), 0);
        QFile before(QString::fromStdString(png));
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray old = before.readAll();
        before.close();
        if (QFile::exists("/dev/full"))
            QCOMPARE(render({"--pattern", "fixed", "--png", "/dev/full"}), 1);
        soar::RasterSupport failing = soar::qt_raster_support();
        failing.encode_png = [](soar::Surface&, std::string& bytes, std::string& error) {
            bytes = "\x89PNG half";
            error = "the encoder gave up";
            return false;
        };
        std::vector<std::string> args = {"soarcalculus", "render", "--pattern",
                                         "upwind",       "--png",  png};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        QCOMPARE(soar::cli_main(int(argv.size()), argv.data(), failing, nullptr), 1);
        QFile after(QString::fromStdString(png));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
};

QTEST_APPLESS_MAIN(RenderCommand)
#include "render_command_test.moc"
