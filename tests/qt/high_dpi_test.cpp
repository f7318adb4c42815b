// The main window on a screen of twice the pixel density (QT_SCALE_FACTOR=2,
// offscreen): the picture has two image pixels to each of the box's, and is
// the picture the `render` command draws at that pixel size; smoothed lines
// are as wide as a pixel of the box.
#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/main_window.h"
#include "qt/raster_surface.h"

using soar::Id;

class HighDpiTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QImage rendered(const char* pattern, long long ticks, QSize size) {
        const std::string png = dir_.filePath("r.png").toStdString();
        std::vector<std::string> args = {
            "soarcalculus", "render",
            "--pattern",    pattern,
            "--ticks",      std::to_string(ticks),
            "--dt",         "0.02",
            "--size",       std::to_string(size.width()) + "x" + std::to_string(size.height()),
            "--png",        png};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        if (soar::cli_main(int(argv.size()), argv.data(), soar::qt_raster_support(), nullptr) != 0)
            return {};
        return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    }

  private slots:
    void the_picture_at_twice_the_density() {
        auto clock = std::make_unique<soar::ManualClock>();
        soar::ManualClock& c = *clock;
        soar::MainWindow main(std::move(clock), std::make_unique<soar::MemoryTextFiles>());
        main.start();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(main.devicePixelRatioF(), 2.0);
        const QRect box = main.picture_rect();
        QCOMPARE(main.picture().image().size(), box.size() * 2);

        QTest::mouseClick(main.widget(Id::upwind_option), Qt::LeftButton, {}, QPoint(7, 5));
        QTest::mouseClick(main.widget(Id::ok_button), Qt::LeftButton);
        QTest::mouseClick(main.widget(Id::fly_button), Qt::LeftButton);
        for (int k = 0; k < 300; ++k) {
            c.set(float(0.02 * k));
            main.tick_once();
        }
        QTest::mouseClick(main.widget(Id::stop_button), Qt::LeftButton);
        const QImage sharp = main.picture().image().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(sharp, rendered("upwind", 300, box.size() * 2));
        // Shown in the box pixel for pixel: the screen's pixels are the picture's.
        const QPixmap on_screen = main.widget(Id::picture)->grab();
        QCOMPARE(on_screen.devicePixelRatio(), 2.0);
        QImage shown = on_screen.toImage().convertToFormat(QImage::Format_RGB32);
        shown.setDevicePixelRatio(1.0);
        QCOMPARE(shown, sharp);

        // Smoothed: the same picture but for its one-pixel lines, two pixels wide.
        main.set_smooth_lines(true);
        const QImage smooth = main.picture().image().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(smooth.size(), sharp.size());
        QVERIFY(smooth != sharp);
        int differ = 0;
        for (int y = 0; y < sharp.height(); ++y)
            for (int x = 0; x < sharp.width(); ++x)
                differ += smooth.pixel(x, y) != sharp.pixel(x, y);
        QVERIFY2(differ < sharp.width() * sharp.height() / 10, qPrintable(QString::number(differ)));
        main.set_smooth_lines(false);
        QCOMPARE(main.picture().image().convertToFormat(QImage::Format_RGB32), sharp);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HighDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "high_dpi_test.moc"
