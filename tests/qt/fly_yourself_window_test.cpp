// Flying yourself in the program's window: F6 starts the flight, the arrow
// keys pressed on the window bank the bird, and the panel shows the score.
#include <QtTest>
#include <memory>

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
};

QTEST_MAIN(FlyYourselfWindowTest)
#include "fly_yourself_window_test.moc"
