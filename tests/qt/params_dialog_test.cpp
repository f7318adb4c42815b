// The Parameters dialog beside the real main window and Flight data window:
// typed values refused or taken, presets that reach the flight only at "OK",
// parameter files saved and loaded, and the energy-neutral wind's table on
// its thread, drawn as a chart.
// Offscreen platform.
#include "qt/params_dialog.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>
#include <memory>

#include "open_windows.h"
#include "qt/flight_data_window.h"

using soar::FlightDataWindow;
using soar::Id;
using soar::MainWindow;
using soar::MinWindResult;
using soar::MinWindSearch;
using soar::Mode;
using soar::ParamsDialog;
using soar::ParamSet;

class ParamsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<FlightDataWindow> data_;
    std::unique_ptr<ParamsDialog> dialog_;
    QTemporaryDir dir_;

    ParamSet& set() { return main_->model().params; }
    void press(Id id) { QTest::mouseClick(main_->widget(id), Qt::LeftButton); }
    void click(const QString& button) {
        QPushButton* b = dialog_->button(button);
        QVERIFY2(b, qPrintable(button));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Clicks into the field's box, replaces its text and presses Return.
    void type(const char* field, const QString& text) {
        QLineEdit* box = dialog_->field_edit(field);
        QVERIFY(box);
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QString file(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }

  private slots:
    void init() {
        QVERIFY(open_main_and_flight_data(main_, data_));
        dialog_ = std::make_unique<ParamsDialog>(main_->run());
        dialog_->listen_for_shortcut(data_.get());
        connect(data_.get(), &FlightDataWindow::parameters_wanted, dialog_.get(),
                &ParamsDialog::open_for_main);
        dialog_->open_for_main();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    }
    void cleanup() {
        dialog_.reset();
        data_.reset();
        main_.reset();
    }

    void refused_value_keeps_the_old_one_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("range");
        QTest::newRow("below") << "W_S"
                               << "9.99"
                               << "from 10 to 500 N/m^2";
        QTest::newRow("above") << "U_ref"
                               << "40.5"
                               << "from 0 to 40 m/s";
        QTest::newRow("not a number") << "CD0"
                                      << "0.02x"
                                      << "from 0 to 0.2";
        QTest::newRow("nan") << "CD0"
                             << "nan"
                             << "from 0 to 0.2";
        QTest::newRow("infinite") << "Z_ref"
                                  << "inf"
                                  << "from 1 to 200 m";
        QTest::newRow("empty") << "g"
                               << ""
                               << "from 1 to 25 m/s^2";
        QTest::newRow("decimal comma") << "rho"
                                       << "1,2"
                                       << "from 0.1 to 2 kg/m^3";
        QTest::newRow("hexadecimal") << "W_S"
                                     << "0x40"
                                     << "from 10 to 500 N/m^2";
        QTest::newRow("just below a stated bound") << "rho"
                                                   << "0.0999"
                                                   << "from 0.1 to 2 kg/m^3";
    }
    void refused_value_keeps_the_old_one() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, range);
        const ParamSet before = set();
        const QString shown = dialog_->field_edit(qPrintable(field))->text();
        type(qPrintable(field), text);
        QVERIFY(set() == before);
        QCOMPARE(dialog_->field_edit(qPrintable(field))->text(), shown);
        const QString message = dialog_->message_label()->text();
        QVERIFY2(message.startsWith(field + " (") || message.contains(" " + field + " ("),
                 qPrintable(message));
        QVERIFY2(message.contains(range), qPrintable(message));
    }

    // A value taken changes the user's set for every pattern, the flight only at OK.
    void typed_value_reaches_the_flight_at_ok() {
        press(Id::upwind_option);
        press(Id::ok_button);
        type("W_S", " 120.5 ");
        QCOMPARE(set().upwind.W_S, 120.5f);
        type("rho", "0.1");  // the stated bound itself, a float a hair above the double 0.1
        QCOMPARE(set().upwind.rho, 0.1f);
        QCOMPARE(set().crosswind.W_S, 120.5f);
        QCOMPARE(main_->model().flight.W_S, 107.8f);
        QTRY_VERIFY(data_->params_legend_label()->text().contains("next OK"));
        press(Id::ok_button);
        QCOMPARE(main_->model().flight.W_S, 120.5f);
        QTRY_VERIFY(main_->windowTitle().endsWith(" (own values)"));
        QTRY_COMPARE(data_->params_legend_label()->text(),
                     QStringLiteral("Parameters in use: own values."));
        click("Defaults");
        QVERIFY(set() == ParamSet{});
        press(Id::ok_button);
        QTRY_VERIFY(data_->params_legend_label()->isHidden());
        QVERIFY(!main_->windowTitle().contains("("));
    }

    void preset_reaches_the_flight_at_ok_only() {
        press(Id::downwind_option);
        press(Id::ok_button);
        QCOMPARE(main_->model().flight.U_ref, 7.0f);
        QComboBox* presets = dialog_->preset_box();
        presets->setFocus();
        QTest::keyClick(presets, Qt::Key_Down);  // "Heavier albatross"
        QTest::keyClick(presets, Qt::Key_Down);  // "Light wind"
        QCOMPARE(presets->currentText(), QStringLiteral("Light wind"));
        QCOMPARE(set().downwind.U_ref, float(7.0 * 0.7));
        QCOMPARE(set().upwind.W_S, 107.8f);  // the earlier preset does not add up
        QCOMPARE(dialog_->field_edit("U_ref")->text(), QStringLiteral("4.9"));
        QCOMPARE(main_->model().flight.U_ref, 7.0f);
        QVERIFY(!main_->windowTitle().contains("light wind"));
        press(Id::ok_button);
        QCOMPARE(main_->model().flight.U_ref, float(7.0 * 0.7));
        QTRY_VERIFY(main_->windowTitle().endsWith(" (light wind)"));
    }

    // The pattern group shows the schedule of the main window's pattern.
    void f3_opens_with_the_main_windows_pattern() {
        dialog_->hide();
        press(Id::crosswind_option);
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
        QTest::keyClick(main_.get(), Qt::Key_F3);
        QTRY_VERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->pattern(), Mode::crosswind);
        QVERIFY(dialog_->field_edit("psi_A")->isVisible());
        QVERIFY(!dialog_->field_edit("mu_max")->isVisible());
        QVERIFY(!dialog_->field_edit("R_0")->isVisible());
        type("T_cyc", "9");
        QCOMPARE(set().crosswind.T_cyc, 9.0f);
        QCOMPARE(set().upwind.T_cyc, ParamSet{}.upwind.T_cyc);
        dialog_->hide();
        emit data_->parameters_wanted();  // the Flight data window's button and menu
        QTRY_VERIFY(dialog_->isVisible());
    }

    void save_then_load_gives_the_same_set() {
        type("CD0", "0.0215");
        dialog_->set_pattern(Mode::circlezoom);
        type("R_0", "33.3");
        const ParamSet saved = set();
        QVERIFY(!(saved == ParamSet{}));
        const QString path = file("mine.toml");
        dialog_->ask_file = [&](bool) { return path; };
        click("Save...");
        QVERIFY2(QFile::exists(path), qPrintable(dialog_->message_label()->text()));
        click("Defaults");
        QVERIFY(set() == ParamSet{});
        click("Load...");
        QVERIFY(set() == saved);
        QCOMPARE(dialog_->field_edit("R_0")->text(), QStringLiteral("33.3"));

        // Saving where no file can be made says why and leaves the set alone.
        const QString nowhere = file("no such folder/mine.toml");
        dialog_->ask_file = [&](bool) { return nowhere; };
        click("Save...");
        QVERIFY(!QFile::exists(nowhere));
        QVERIFY(dialog_->message_label()->text().contains("not saved"));
        QVERIFY(set() == saved);
        // A cancelled file dialog does nothing.
        dialog_->ask_file = [](bool) { return QString(); };
        click("Load...");
        QVERIFY(set() == saved);
    }

    void broken_file_changes_nothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("why");
        QTest::newRow("value out of range")
            << QByteArray("[bird]\nCD0 = 0.03\nW_S = 5000\n") << "broken.toml:3: W_S";
        QTest::newRow("unknown key")
            << QByteArray("[wind]\nU_ref = 5\nU_max = 9\n") << "broken.toml:3: unknown key";
        QTest::newRow("not TOML") << QByteArray("[air\ng = 9.8\n") << "broken.toml:1";
        QTest::newRow("key of another pattern")
            << QByteArray("[crosswind]\nmu_max = 40\n") << "broken.toml:2";
    }
    void broken_file_changes_nothing() {
        QFETCH(QByteArray, text);
        QFETCH(QString, why);
        type("W_S", "130");
        const ParamSet before = set();
        const QString path = file("broken.toml");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        dialog_->ask_file = [&](bool) { return path; };
        click("Load...");
        QVERIFY(set() == before);
        QCOMPARE(dialog_->field_edit("W_S")->text(), QStringLiteral("130"));
        const QString message = dialog_->message_label()->text();
        QVERIFY2(message.contains("unchanged") && message.contains(why), qPrintable(message));
    }

    // A result belongs to the parameters it was found with: Defaults, Load or
    // an edit that changes them takes it away, an edit to the same value keeps
    // it, and a change during the search leaves its result unshown.
    void the_energy_neutral_wind_goes_with_its_parameters() {
        dialog_->set_pattern(Mode::upwind);
        dialog_->cycles_box()->setValue(2);
        const QString about = dialog_->result_label()->text();
        const QString find = QStringLiteral("Find the energy-neutral wind");
        const auto search = [&] {
            click(find);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog_->searching(), 30000);
        };
        type("CD0", "0.012");
        QVERIFY(dialog_->save_to(file("found.toml")));
        search();
        QVERIFY(dialog_->result_label()->text().startsWith("Upwind: "));
        QVERIFY(dialog_->chart_view()->isVisible());
        type("CD0", "0.012");
        QVERIFY(dialog_->chart_view()->isVisible());
        click("Defaults");
        QCOMPARE(dialog_->result_label()->text(), about);
        QVERIFY(!dialog_->chart_view()->isVisible());

        search();
        QVERIFY(dialog_->chart_view()->isVisible());
        QVERIFY(dialog_->load_from(file("found.toml")));
        QCOMPARE(dialog_->result_label()->text(), about);
        QVERIFY(!dialog_->chart_view()->isVisible());

        click(find);
        type("CD0", "0.02");
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->searching(), 30000);
        QVERIFY2(dialog_->result_label()->text().contains("changed during the search"),
                 qPrintable(dialog_->result_label()->text()));
        QVERIFY(!dialog_->chart_view()->isVisible());
    }

    // The groups go side by side only where every name keeps to one line
    // beside its box. In the dock of a 1366 x 768 screen (423 pixels) the
    // groups stand under each other; in that of a 1920 x 1080 one (650) and
    // wider no name wraps.
    void names_wrap_only_where_the_width_is_short() {
        QGroupBox *first = nullptr, *third = nullptr;
        for (QGroupBox* box : dialog_->findChildren<QGroupBox*>()) {
            if (box->title() == QStringLiteral("Air")) first = box;
            if (box->title() == QStringLiteral("Wind")) third = box;
        }
        QVERIFY(first && third);
        bool side_by_side_seen = false;
        for (const Mode mode : {Mode::upwind, Mode::downwind})
            for (const int width : {423, 650, 900, 1400}) {
                dialog_->set_pattern(mode);
                dialog_->resize(width, dialog_->height());
                QTRY_COMPARE(dialog_->width(), width);
                dialog_->layout()->activate();
                const bool two = third->x() > first->x();
                side_by_side_seen |= two;
                if (width == 423) {
                    QVERIFY(!two);
                    continue;
                }
                for (QLabel* name : dialog_->findChildren<QLabel*>()) {
                    if (!name->isVisible() || name->buddy() == nullptr) continue;
                    // One line: shorter than two lines of its font.
                    const int high = name->heightForWidth(name->width());
                    QVERIFY2(high < 2 * name->fontMetrics().height(),
                             qPrintable(QStringLiteral("%1 %2 pixels high at %3, %4 columns")
                                            .arg(name->text())
                                            .arg(high)
                                            .arg(width)
                                            .arg(two ? 2 : 1)));
                }
            }
        QVERIFY(side_by_side_seen);
    }

    void energy_neutral_wind_runs_draws_and_cancels() {
        // Ten cycles: the table comes back while the window answers, and the
        // chart shows each measured row at its wind, the surviving ones on the line.
        dialog_->set_pattern(Mode::upwind);
        const QString find = QStringLiteral("Find the energy-neutral wind");
        click(find);
        QVERIFY(dialog_->searching());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->searching(), 30000);
        const QString text = dialog_->result_label()->text();
        QVERIFY2(text.startsWith("Upwind: energy-neutral wind ") && text.contains("Zero crossings"),
                 qPrintable(text));
        QCOMPARE(dialog_->progress_bar()->value(), dialog_->progress_bar()->maximum());
        QVERIFY(dialog_->chart_view()->isVisible());
        MinWindSearch how;
        how.threads = 1;
        const MinWindResult r = min_wind(set().upwind, how);
        QVERIFY2(r.found, r.message.c_str());
        int kept = 0, lost = 0;
        for (const soar::WindTrial& t : r.trials) (t.survived ? kept : lost) += t.measured;
        QCOMPARE(int(dialog_->survived_series()->count()), kept);
        QCOMPARE(int(dialog_->failed_series()->count()), lost);
        QCOMPARE(dialog_->neutral_series()->count(), 1);
        QCOMPARE(dialog_->neutral_series()->at(0), QPointF(r.least.U_10, r.least.dE_cycle));
        QVERIFY(text.contains(QString::number(r.least.U_10, 'f', 3)));

        // A thousand cycles: Cancel ends it long before it would finish.
        dialog_->cycles_box()->setValue(1000);
        click(find);
        QVERIFY(dialog_->searching());
        QVERIFY(!dialog_->button(find)->isEnabled());
        type("CD0", "0.05");  // the dialog takes edits meanwhile
        QCOMPARE(set().upwind.CD0, 0.05f);
        click("Cancel");
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->searching(), 10000);
        QCOMPARE(dialog_->result_label()->text(), QStringLiteral("Upwind: search cancelled."));
        QVERIFY(dialog_->button(find)->isEnabled());

        // Closing the dialog cancels; so does its end with a search running.
        click(find);
        dialog_->close();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->searching(), 10000);
        QVERIFY(dialog_->result_label()->text().endsWith("cancelled."));
        dialog_->open_for_main();
        click(find);
        QVERIFY(dialog_->searching());
        dialog_.reset();  // waits for the threads; nothing is left to report to
        QTest::qWait(20);
    }
};

QTEST_MAIN(ParamsDialogTest)
#include "params_dialog_test.moc"
