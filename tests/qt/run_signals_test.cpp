// What the windows beside the main window are told of its run, and what they
// show of it at once: a set-up, the ticks, a flight's end, new parameters.
// Offscreen platform, driven by clicks as a user drives it.
#include "qt/run_signals.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "open_windows.h"
#include "qt/params_dialog.h"

using soar::Id;
using soar::RunState;

class RunSignalsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<soar::MainWindow> main_;
    std::unique_ptr<soar::FlightDataWindow> data_;

    void press(Id id) { QTest::mouseClick(main_->widget(id), Qt::LeftButton); }
    QString readout(const char* name) { return data_->readout(QString::fromLatin1(name))->text(); }
    static std::vector<RunState> states(const QSignalSpy& spy) {
        std::vector<RunState> out;
        for (const QList<QVariant>& args : spy) out.push_back(args.at(0).value<RunState>());
        return out;
    }

  private slots:
    void init() { QVERIFY(open_main_and_flight_data(main_, data_)); }
    void cleanup() {
        data_.reset();
        main_.reset();
    }

    // OK, FLY, STOP and a new OK, as Flight data sees them: each step told
    // once, the ticks with their flight times, the end with the record's reason.
    void a_run_is_told_step_by_step() {
        soar::RunSignals& run = main_->run();
        QSignalSpy set_up(&run, &soar::RunSignals::flight_set_up);
        QSignalSpy ticked(&run, &soar::RunSignals::ticked);
        QSignalSpy ended(&run, &soar::RunSignals::flight_ended);
        QSignalSpy state(&run, &soar::RunSignals::state_changed);

        press(Id::upwind_option);
        press(Id::ok_button);
        QCOMPARE(set_up.count(), 1);
        QCOMPARE(run.state(), RunState::set_up);
        QCOMPARE(run.pattern(), soar::Mode::upwind);
        press(Id::fly_button);
        QTRY_VERIFY_WITH_TIMEOUT(run.record().ticks >= 30, 20000);
        press(Id::stop_button);
        QCOMPARE(run.state(), RunState::stopped);
        QCOMPARE(states(state),
                 (std::vector<RunState>{RunState::set_up, RunState::flying, RunState::stopped}));

        // One signal per tick, in flight time order (two ticks of one clock
        // reading share a time), the last at the record's end.
        QCOMPARE(ticked.count(), int(run.record().ticks));
        double before = -1;
        for (const QList<QVariant>& args : ticked) {
            QVERIFY(args.at(0).toDouble() >= before);
            before = args.at(0).toDouble();
        }
        QCOMPARE(before, run.record().t_last);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).toString(), QStringLiteral("stopped with STOP"));
        // Shown at once, not at Flight data's next refresh.
        QVERIFY(data_->summary_label()->text().contains(
            QStringLiteral("Flight time %1 s").arg(run.record().t_last, 0, 'f', 2)));
        QVERIFY(data_->summary_label()->text().contains("ended: stopped with STOP"));
        QVERIFY(readout("Airspeed V").endsWith(" m/s"));

        // A new OK: the last flight's read-outs and summary are gone.
        press(Id::ok_button);
        QCOMPARE(set_up.count(), 2);
        QCOMPARE(ended.count(), 1);  // a stopped flight does not end twice
        QCOMPARE(readout("Airspeed V"), QStringLiteral("-"));
        QCOMPARE(data_->summary_label()->text(), QString());
    }

    // OK while a flight flies stops it first: told as an end, then a new set-up.
    void ok_in_flight_ends_the_flight_first() {
        soar::RunSignals& run = main_->run();
        press(Id::downwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        QTRY_VERIFY_WITH_TIMEOUT(run.record().ticks >= 5, 20000);
        QSignalSpy ended(&run, &soar::RunSignals::flight_ended);
        QSignalSpy set_up(&run, &soar::RunSignals::flight_set_up);
        press(Id::ok_button);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(set_up.count(), 1);
        QCOMPARE(run.state(), RunState::set_up);
    }

    // A preset chosen in Parameters goes to the main window as a request: the
    // choice changes, the flight's parameters wait for OK, and Flight data's
    // legend says so at once.
    void parameters_chosen_are_a_request() {
        soar::RunSignals& run = main_->run();
        soar::ParamsDialog dialog(run);
        dialog.open_for_main();
        press(Id::downwind_option);
        press(Id::ok_button);
        const float flown = run.params_in_use().U_ref;
        QSignalSpy changed(&run, &soar::RunSignals::params_changed);
        QComboBox* presets = dialog.preset_box();
        presets->setFocus();
        QTest::keyClick(presets, Qt::Key_Down);
        QTest::keyClick(presets, Qt::Key_Down);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(run.params_chosen(),
                 *soar::preset_set(presets->currentData().toString().toStdString()));
        QCOMPARE(run.params_in_use().U_ref, flown);
        QVERIFY(data_->params_legend_label()->text().contains("next OK"));
        press(Id::ok_button);
        QCOMPARE(run.params_in_use().U_ref, run.params_chosen().downwind.U_ref);
    }

    // Flight data's chart click asks the main window to look back; the moment
    // comes back as a signal with its tick.
    void looking_back_goes_through_the_run() {
        soar::RunSignals& run = main_->run();
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        QTRY_VERIFY_WITH_TIMEOUT(run.record().t_last > 1.0, 20000);
        press(Id::stop_button);
        QSignalSpy looked(&run, &soar::RunSignals::looked_back);
        emit run.look_at_time_wanted(0.5);
        QCOMPARE(looked.count(), 1);
        QVERIFY(looked.at(0).at(0).toLongLong() > 0);
        QCOMPARE(looked.at(0).at(0).toLongLong(), run.session().looked_at());
        QCOMPARE(run.state(), RunState::looking_back);
        QVERIFY(run.session().time_of_tick(run.session().looked_at()) <= 0.5);
    }
};

QTEST_MAIN(RunSignalsTest)
#include "run_signals_test.moc"
