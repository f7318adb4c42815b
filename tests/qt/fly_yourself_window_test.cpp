// Flying yourself in the program's window: F6 starts the flight, the arrow
// keys pressed on the window bank the bird, and the panel shows the score.
#include <QtTest>
#include <memory>

#include "app/cli_fly_commands.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/pilot_panel.h"
#include "qt/program_window.h"

using soar::Id;
using soar::ProgramWindow;

class FlyYourselfWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramWindow> program_;
    soar::MainWindow* form_ = nullptr;

    const soar::Session& session() const { return form_->run().session(); }

  private slots:
    void init() {
        form_ = new soar::MainWindow;
        form_->start();
        program_ = std::make_unique<ProgramWindow>(form_);
        auto* data = new soar::FlightDataWindow(form_->run());
        auto* params = new soar::ParamsDialog(form_->run());
        program_->dock(data, params, data->optimal_loop());
        program_->show();
        QVERIFY(QTest::qWaitForWindowExposed(program_.get()));
    }
    void cleanup() { program_.reset(); }

    // F6 flies the selected pattern's start yourself; Right held banks the
    // bird right, and letting go brings the wings back level. The option
    // buttons keep their choice: the arrows steer, they move no selection.
    void arrow_keys_bank_the_bird() {
        QTest::mouseClick(form_->widget(Id::upwind_option), Qt::LeftButton);
        QVERIFY(!program_->fly_yourself_dock()->isVisible());
        form_->activateWindow();
        QTest::keyClick(form_, Qt::Key_F6);
        QTRY_VERIFY(session().flown_by_you());
        QTRY_VERIFY(program_->fly_yourself_dock()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(form_->record().ticks >= 20, 20000);
        QVERIFY(session().flying());
        QCOMPARE(session().flight_state().mu_deg, 0.0f);
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : form_;
        // A pull into a climb first: the wing tips need the height to bank.
        const float CL_trim = session().flight_state().CL;
        QTest::keyPress(focused, Qt::Key_Up);
        QTRY_VERIFY_WITH_TIMEOUT(session().flight_state().CL > CL_trim + 0.8f, 20000);
        QTest::keyRelease(focused, Qt::Key_Up);
        QTRY_VERIFY_WITH_TIMEOUT(session().flight_state().Z > 5.0f || !session().flying(), 20000);
        QVERIFY2(session().flying(), session().fault().c_str());

        QTest::keyPress(focused, Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(session().flight_state().mu_deg > 5.0f, 20000);
        QVERIFY(session().pilot_keys().bank_right);
        QTest::keyRelease(focused, Qt::Key_Right);
        QVERIFY(!session().pilot_keys().bank_right);
        QTRY_COMPARE_WITH_TIMEOUT(session().flight_state().mu_deg, 0.0f, 20000);
        QVERIFY2(session().flying(), session().fault().c_str());
        QCOMPARE(soar::control(form_->shown(), Id::upwind_option).value, 1);
        QTRY_VERIFY(program_->pilot_panel()->text().contains(QStringLiteral("energy gained")));
    }

    // Gusts typed in the panel fly with the next flight; bad ones start none
    // and say why. "Save commands..." writes what fly --commands reads back.
    void gusts_fly_and_the_commands_are_saved() {
        soar::PilotPanel* panel = program_->pilot_panel();
        auto* sigma = panel->findChild<QLineEdit*>(QStringLiteral("gust_intensity"));
        auto* seed = panel->findChild<QLineEdit*>(QStringLiteral("gust_seed"));
        auto* save = panel->findChild<QPushButton*>(QStringLiteral("save_commands_button"));
        QVERIFY(sigma && seed && save);
        QTest::mouseClick(form_->widget(Id::upwind_option), Qt::LeftButton);
        form_->activateWindow();
        QTest::keyClick(form_, Qt::Key_F6);
        QTRY_VERIFY(session().flown_by_you());
        QTRY_VERIFY_WITH_TIMEOUT(form_->record().ticks >= 5, 20000);
        QTest::keyClick(form_, Qt::Key_Space);  // paused: the keys type in the boxes
        QTRY_VERIFY(session().paused());
        QTRY_VERIFY(save->isEnabled());

        sigma->selectAll();
        QTest::keyClicks(sigma, QStringLiteral("lots"));
        QTest::keyClick(form_, Qt::Key_F6);
        QTRY_VERIFY(panel->note().contains(QStringLiteral("not \"lots\"")));
        QVERIFY(!session().flying() || session().paused());
        QCOMPARE(session().pilot_gusts().intensity(), 0.0f);

        sigma->selectAll();
        QTest::keyClicks(sigma, QStringLiteral("0.3"));
        seed->selectAll();
        QTest::keyClicks(seed, QStringLiteral("5"));
        form_->activateWindow();
        QTest::keyClick(form_, Qt::Key_F6);
        QTRY_VERIFY(session().flying() && !session().paused());
        QCOMPARE(session().pilot_gusts().intensity(), 0.3f);
        QCOMPARE(session().pilot_gusts().seed(), uint64_t(5));
        QTRY_VERIFY_WITH_TIMEOUT(form_->record().ticks >= 30, 20000);
        QTRY_VERIFY(session().flight_state().w_g != 0.0f || !session().flying());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mine"));
        panel->ask_path = [&](const QString&, const QString&, const QString&) { return path; };
        QTest::mouseClick(save, Qt::LeftButton);
        QFile file(path + QStringLiteral(".csv"));  // the extension added
        QVERIFY(file.open(QIODevice::ReadOnly));
        std::vector<soar::TimedCommand> read;
        std::optional<soar::FlightState> start;
        std::string error;
        QVERIFY2(soar::parse_command_csv(file.readAll().toStdString(), read, start, error),
                 error.c_str());
        // The file keeps the flight's own start, for the replay to fly from.
        QVERIFY(start && start->Z == session().pilot_start().Z);
        QCOMPARE(start->CL, session().pilot_start().CL);
        QVERIFY(read.size() >= 30);
        QCOMPARE(read.front().t, 0.0f);
        QVERIFY(panel->note().contains(QStringLiteral("--gusts 0.3 --seed 5")));
        QVERIFY(panel->note().contains(QStringLiteral("--command-times")));

        // A file that cannot be written is said so, and nothing claims it saved.
        panel->ask_path = [&](const QString&, const QString&, const QString&) {
            return dir.filePath(QStringLiteral("no/such/folder/x.csv"));
        };
        const QString before = panel->note();
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box->text().contains(QStringLiteral("not saved")));
            box->accept();
        });
        panel->save_commands_action()->trigger();
        QCOMPARE(panel->note(), before);
    }

    // "Show the optimal loop" solves the loop off the window's thread, with
    // progress, then draws it for the flight flown by you and tells the
    // distance to it; Cancel leaves none shown; a second time it comes from
    // the file the solve kept.
    void the_optimal_loop_is_shown_to_follow() {
        soar::PilotPanel* panel = program_->pilot_panel();
        QTemporaryDir dir;
        panel->set_cache_path(dir.filePath(QStringLiteral("loop.txt")));
        panel->set_nodes(30);
        auto* box = panel->findChild<QCheckBox*>(QStringLiteral("show_optimal_loop"));
        auto* cancel = panel->findChild<QPushButton*>(QStringLiteral("ghost_cancel"));
        auto* status = panel->findChild<QLabel*>(QStringLiteral("ghost_status"));
        QVERIFY(box && cancel && status);
        QTest::mouseClick(form_->widget(Id::upwind_option), Qt::LeftButton);
        form_->activateWindow();
        QTest::keyClick(form_, Qt::Key_F6);
        QTRY_VERIFY(session().flown_by_you());
        QTRY_VERIFY(box->isVisible());
        const QPoint on_box(box->height() / 2, box->height() / 2);  // its square

        // Cancelled at once: nothing shown, the box off again.
        QTest::mouseClick(box, Qt::LeftButton, {}, on_box);
        QVERIFY(panel->solving());
        QVERIFY(cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!panel->solving());
        QVERIFY(!box->isChecked());
        QVERIFY(status->text().contains(QStringLiteral("Cancelled")));
        QVERIFY(session().ghost() == nullptr);

        // Solved while the bird flies on.
        QTest::mouseClick(box, Qt::LeftButton, {}, on_box);
        QVERIFY(panel->solving());
        const int64_t ticks = form_->record().ticks;
        QTRY_VERIFY_WITH_TIMEOUT(session().ghost() != nullptr, 60000);
        QVERIFY(!panel->solving());
        QVERIFY(!cancel->isVisible());
        QVERIFY(status->text().contains(QStringLiteral("least wind")));
        QTRY_VERIFY(panel->text().contains(QStringLiteral("m away")) || !session().flying());
        QVERIFY(form_->record().ticks > ticks || !session().flying());
        QVERIFY(panel->ghost_action()->isChecked());

        // Off from the Fly menu's item, on again: from the kept file, at once.
        panel->ghost_action()->trigger();
        QVERIFY(!box->isChecked());
        QVERIFY(session().ghost() == nullptr);
        QTest::mouseClick(box, Qt::LeftButton, {}, on_box);
        QVERIFY(!panel->solving());
        QVERIFY(session().ghost() != nullptr);
        QVERIFY(status->text().contains(QStringLiteral("solved before")));
    }
};

QTEST_MAIN(FlyYourselfWindowTest)
#include "fly_yourself_window_test.moc"
