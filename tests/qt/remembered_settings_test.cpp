// What the program remembers between runs, kept in a file in a temporary
// folder (never the user's): windows, pace, the charts' span, smoothed lines,
// the parameters and the folders of the saves come back in a new run; once
// forgotten (the menu item, --reset-settings) nothing comes back.
#include "qt/remembered_settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <memory>

#include "open_windows.h"
#include "qt/file_names.h"
#include "qt/help_window.h"

using soar::FlightDataWindow;
using soar::MainWindow;
using soar::RememberedSettings;

class RememberedSettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path() const { return dir_.filePath("settings.ini"); }

  private slots:
    void a_run_comes_back_as_it_was_left() {
        soar::ParamSet chosen;
        {
            std::unique_ptr<MainWindow> main;
            std::unique_ptr<FlightDataWindow> data;
            QVERIFY(open_main_and_flight_data(main, data));
            main->move(40, 30);
            main->resize(main->width() + 120, main->height() + 90);
            data->setGeometry(700, 60, 610, 700);
            main->flight_clock().set_pace(1);  // 1/4 x real time
            data->span_box()->setCurrentIndex(2);
            main->set_smooth_lines(true);
            soar::ParamSet& p = main->model().params;
            p.upwind.U_ref = p.downwind.U_ref = p.crosswind.U_ref = 8.5f;  // the wind all share
            p.upwind.T_cyc = 9.25f;                                        // one schedule's own
            chosen = p;
            main->show_help(MainWindow::HelpPage::soaring);
            soar::save_folders()["csv"] = dir_.path();
            data->hide();
            QTRY_VERIFY(!data->isVisible());
            RememberedSettings(path()).save(main->run(), *data, nullptr);
        }
        QVERIFY(QFile::exists(path()));
        soar::save_folders().clear();

        auto main = std::make_unique<MainWindow>();
        main->start();
        auto data = std::make_unique<FlightDataWindow>(main->run());
        QVERIFY(RememberedSettings(path()).restore(main->run(), *data, nullptr));
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        QCOMPARE(main->size(), main->standard_size() + QSize(120, 90));
        QCOMPARE(main->flight_clock().pace_index(), 1);
        QCOMPARE(data->span_box()->currentIndex(), 2);
        QVERIFY(main->smooth_lines());
        QVERIFY(main->model().params == chosen);
        QVERIFY(!data->isVisible());  // hidden when the run ended
        QVERIFY(main->help_window() && main->help_window()->isVisible());
        QCOMPARE(main->help_window()->pages()->currentIndex(), int(MainWindow::HelpPage::soaring));
        QCOMPARE(soar::save_folders().value("csv"), dir_.path());
        // Where a save of that kind now starts.
        QCOMPARE(soar::save_start("csv", "a.csv"), QDir(dir_.path()).filePath("a.csv"));
        main->help_window()->close();
    }

    void forgotten_settings_stay_forgotten() {
        std::unique_ptr<MainWindow> main;
        std::unique_ptr<FlightDataWindow> data;
        QVERIFY(open_main_and_flight_data(main, data));
        RememberedSettings settings(path());
        main->flight_clock().set_pace(5);
        settings.save(main->run(), *data, nullptr);
        QVERIFY(QFile::exists(path()));
        QVERIFY(settings.forget());
        QVERIFY(!QFile::exists(path()));
        settings.save(main->run(), *data, nullptr);  // at the end of this run: nothing
        QVERIFY(!QFile::exists(path()));
        QVERIFY(!RememberedSettings(path()).restore(main->run(), *data, nullptr));

        // --reset-settings is taken out of the arguments, the rest kept in order.
        char a0[] = "soarcalculus", a1[] = "--reset-settings", a2[] = "-style", a3[] = "fusion";
        char* argv[] = {a0, a2, a1, a3, nullptr};
        int argc = 4;
        QVERIFY(RememberedSettings::take_reset_option(argc, argv));
        QCOMPARE(argc, 3);
        QCOMPARE(std::strcmp(argv[1], "-style"), 0);
        QCOMPARE(std::strcmp(argv[2], "fusion"), 0);
        QVERIFY(argv[3] == nullptr);
        QVERIFY(!RememberedSettings::take_reset_option(argc, argv));
    }

    // A file from another version, or damaged, starts the program as new.
    void a_damaged_file_is_no_harm() {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "[windows]\nmain=@ByteArray(garbage)\n[parameters]\nset=\"U_ref = [\"\n"
            "[flight]\npace=99\n[charts]\nspan=-4\n");
        f.close();
        auto main = std::make_unique<MainWindow>();
        main->start();
        auto data = std::make_unique<FlightDataWindow>(main->run());
        const int span = data->span_box()->currentIndex();
        QVERIFY(!RememberedSettings(path()).restore(main->run(), *data, nullptr));
        QVERIFY(main->model().params == soar::ParamSet{});
        QVERIFY(main->flight_clock().pace_index() >= 0 && main->flight_clock().pace_index() <= 5);
        QCOMPARE(data->span_box()->currentIndex(), span);
    }
};

QTEST_MAIN(RememberedSettingsTest)
#include "remembered_settings_test.moc"
