// The main window on a 3840 x 2160 screen at twice the pixel density
// (QT_SCALE_FACTOR=2, offscreen): the picture has two image pixels to each of
// the box's, and is the picture the `render` command draws at that pixel size;
// smoothed lines are as wide as a pixel of the box. The first start there
// (nothing remembered) puts the window and every dock inside the screen and
// none over the picture.
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/params_dialog.h"
#include "qt/program_window.h"
#include "qt/raster_surface.h"
#include "qt/remembered_settings.h"

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

    // The first start as the program makes it, with no settings kept (the
    // user's folders empty): the form at its standard size, Flight data
    // beside it, and each dock in turn (F3, F4, F6) inside the window and
    // clear of the picture, the window inside the screen.
    void first_start_on_a_4k_screen() {
        QTemporaryDir home;
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->devicePixelRatio(), 2.0);
        const QRect available = screen->availableGeometry();
        QCOMPARE(available.size(), QSize(1920, 1080));

        auto* form = new soar::MainWindow;
        form->start();
        soar::ProgramWindow program(form);
        auto* data = new soar::FlightDataWindow(form->run());
        auto* params = new soar::ParamsDialog(form->run());
        program.dock(data, params, data->optimal_loop());
        const soar::RememberedSettings settings(soar::RememberedSettings::user_path());
        QVERIFY(settings.path().startsWith(home.path()));
        QVERIFY(!settings.restore(form->run(), *data, params, &program));
        program.show();
        QVERIFY(QTest::qWaitForWindowExposed(&program));
        program.place_first(available);

        const auto global = [](const QWidget* w) {
            return QRect(w->mapToGlobal(QPoint()), w->size());
        };
        QTRY_COMPARE(form->size(), form->standard_size());
        QCOMPARE(form->picture().image().size(), form->picture_rect().size() * 2);
        QVERIFY(available.contains(program.frameGeometry()));
        const QRect picture(form->mapToGlobal(form->picture_rect().topLeft()),
                            form->picture_rect().size());
        struct Dock {
            QDockWidget* dock;
            Qt::Key key;
        };
        for (const Dock d : {Dock{program.flight_data_dock(), Qt::Key_unknown},
                             Dock{program.parameters_dock(), Qt::Key_F3},
                             Dock{program.optimal_loop_dock(), Qt::Key_F4},
                             Dock{program.fly_yourself_dock(), Qt::Key_F6}}) {
            if (d.key != Qt::Key_unknown) QTest::keyClick(form, d.key);
            QTRY_VERIFY(d.dock->isVisible());
            QTRY_VERIFY(!d.dock->visibleRegion().isEmpty());
            const QRect at = global(d.dock);
            QVERIFY2(global(&program).contains(at), qPrintable(d.dock->objectName()));
            QVERIFY2(!at.intersects(picture), qPrintable(d.dock->objectName()));
            QVERIFY2(at.width() >= 420, qPrintable(d.dock->objectName()));
        }
        QVERIFY(available.contains(program.frameGeometry()));
        QCOMPARE(form->size(), form->standard_size());
        QVERIFY(!QFile::exists(settings.path()));
    }
};

int main(int argc, char** argv) {
    // A 3840 x 2160 screen, its pixels counted twice as dense.
    QTemporaryDir dir;
    QFile screens(dir.filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly) ||
        screens.write(R"({"screens": [{"name": "uhd", "x": 0, "y": 0, "width": 3840,
                          "height": 2160, "logicalDpi": 96, "logicalBaseDpi": 96}]})") < 0)
        return 1;
    screens.close();
    qputenv("QT_QPA_PLATFORM",
            QFile::encodeName(QStringLiteral("offscreen:configfile=") + screens.fileName()));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HighDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "high_dpi_test.moc"
