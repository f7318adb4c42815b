// The program's one window: the designed form in the middle, Flight data,
// Parameters and Optimal loop docked beside it, F2, F3 and F4 showing and
// hiding them, the keys of the form working in every dock, the first place on
// screens of three sizes and the remembered place only where it fits; a
// search on a small screen and Parameters left open keep clear of the form.
#include "qt/program_window.h"

#include <QPushButton>
#include <QSettings>
#include <QtTest>
#include <memory>

#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/remembered_settings.h"

using soar::Id;
using soar::ProgramWindow;

class ProgramWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramWindow> program_;
    soar::MainWindow* form_ = nullptr;
    soar::FlightDataWindow* data_ = nullptr;
    soar::ParamsDialog* params_ = nullptr;
    QTemporaryDir dir_;

    void press(Id id) { QTest::mouseClick(form_->widget(id), Qt::LeftButton); }
    void key(QWidget* in, Qt::Key k) {
        in->activateWindow();
        QTest::keyClick(in, k);
    }
    // The picture box in global pixels.
    QRect picture() const {
        return QRect(form_->mapToGlobal(form_->picture_rect().topLeft()),
                     form_->picture_rect().size());
    }
    QRect global(const QWidget* w) const { return QRect(w->mapToGlobal(QPoint()), w->size()); }

  private slots:
    void init() {
        form_ = new soar::MainWindow;
        form_->start();
        program_ = std::make_unique<ProgramWindow>(form_);
        data_ = new soar::FlightDataWindow(form_->run());
        params_ = new soar::ParamsDialog(form_->run());
        program_->dock(data_, params_, data_->optimal_loop());
        program_->show();
        QVERIFY(QTest::qWaitForWindowExposed(program_.get()));
    }
    void cleanup() { program_.reset(); }

    // F2, F3 and F4 show and hide their docks, from the form and from a dock;
    // a window's own Close hides its dock, and the dock's menu shows it whole.
    void f_keys_toggle_the_docks() {
        QVERIFY(program_->flight_data_dock()->isVisible());
        QVERIFY(!program_->parameters_dock()->isVisible());
        QVERIFY(!program_->optimal_loop_dock()->isVisible());
        key(form_, Qt::Key_F2);
        QTRY_VERIFY(!program_->flight_data_dock()->isVisible());
        key(form_, Qt::Key_F2);
        QTRY_VERIFY(program_->flight_data_dock()->isVisible());
        QVERIFY(data_->isVisible());

        key(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        QVERIFY(params_->isVisible());
        key(data_, Qt::Key_F3);
        QTRY_VERIFY(!program_->parameters_dock()->isVisible());

        key(form_, Qt::Key_F4);
        QTRY_VERIFY(program_->optimal_loop_dock()->isVisible());
        key(form_, Qt::Key_F4);
        QTRY_VERIFY(!program_->optimal_loop_dock()->isVisible());

        // Parameters' own Close button: the dock goes, and comes back with the window.
        key(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        QTest::mouseClick(params_->button(QStringLiteral("Close")), Qt::LeftButton);
        QTRY_VERIFY(!program_->parameters_dock()->isVisible());
        program_->parameters_dock()->toggleViewAction()->trigger();
        QTRY_VERIFY(params_->isVisible());
    }

    // Parameters' search goes on while Flight data's tab is in front; closing
    // the Parameters dock ends it, as closing the dialog did.
    void a_search_outlives_a_tab_switch() {
        key(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        params_->cycles_box()->setValue(1000);
        QTest::mouseClick(params_->button(QStringLiteral("Find the energy-neutral wind")),
                          Qt::LeftButton);
        QVERIFY(params_->searching());
        // The tab behind is out of sight, not closed.
        program_->flight_data_dock()->raise();
        QTRY_VERIFY(params_->visibleRegion().isEmpty());
        QVERIFY(!data_->visibleRegion().isEmpty());
        QVERIFY(params_->searching());
        program_->parameters_dock()->raise();
        QTRY_VERIFY(!params_->visibleRegion().isEmpty());
        QVERIFY(params_->searching());
        program_->parameters_dock()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!params_->searching(), 10000);
    }

    // Docked or floating, Flight data's keys are the form's: Space pauses
    // once, "]" changes the pace once (a key heard twice would act on neither).
    void keys_act_once_in_docks() {
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        QTRY_VERIFY_WITH_TIMEOUT(form_->record().ticks >= 5, 20000);
        key(data_, Qt::Key_Space);
        QTRY_VERIFY(form_->flight_clock().paused());
        key(data_, Qt::Key_BracketRight);
        QCOMPARE(form_->flight_clock().pace(), 2.0);
        program_->flight_data_dock()->setFloating(true);
        QTRY_VERIFY(program_->flight_data_dock()->isFloating());
        key(program_->flight_data_dock(), Qt::Key_BracketLeft);
        QCOMPARE(form_->flight_clock().pace(), 1.0);
        key(program_->flight_data_dock(), Qt::Key_Space);
        QTRY_VERIFY(!form_->flight_clock().paused());
    }

    // On first start everything lies inside the screen's available area and
    // no dock covers the picture; where the screen holds it the form has its
    // standard size, and maximised the picture grows.
    void first_place_on_three_screens_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<bool>("standard");
        QTest::newRow("1280x1024") << QRect(0, 0, 1280, 994) << false;
        QTest::newRow("1366x768") << QRect(0, 0, 1366, 738) << false;
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1050) << true;
    }
    void first_place_on_three_screens() {
        QFETCH(QRect, available);
        QFETCH(bool, standard);
        const QSize frame(8, 32);
        const soar::FirstPlace p = soar::first_place(available, form_->standard_size(),
                                                     form_->minimumSize(), 440, 660, frame);
        QVERIFY(available.contains(p.window.adjusted(-frame.width() / 2,
                                                     -(frame.height() - frame.width() / 2),
                                                     frame.width() / 2, frame.width() / 2)));
        QCOMPARE(p.standard, standard);
        QVERIFY(p.dock_width >= 440 || p.window.width() <= form_->minimumSize().width() + 440);

        // The window placed so, in the frame the platform gives it, laid out.
        const QSize framed = program_->frameGeometry().size() - program_->size();
        program_->place_first(available);
        const soar::FirstPlace placed = soar::first_place(available, form_->standard_size(),
                                                          form_->minimumSize(), 440, 660, framed);
        QTRY_COMPARE(program_->geometry(), placed.window);
        QVERIFY(available.contains(program_->frameGeometry()));
        for (const QDockWidget* dock : program_->findChildren<QDockWidget*>())
            if (dock->isVisible()) QVERIFY(!global(dock).intersects(picture()));
        QVERIFY(global(program_.get()).contains(picture()));
        if (standard) {
            QTRY_COMPARE(form_->size(), form_->standard_size());
            QCOMPARE(form_->picture_rect().width(), form_->standard_picture_width());
        } else {
            QVERIFY(form_->picture_rect().width() < form_->standard_picture_width());
        }
        const int before = form_->picture_rect().width();
        program_->resize(program_->width() + 400, program_->height() + 300);
        QTRY_VERIFY(form_->picture_rect().width() > before);
        QVERIFY(program_->flight_data_dock()->isVisible());
    }

    // The window and its docks as they were left, restored where they fit the
    // screen, and not where the screen is now too small for them.
    void remembered_place_only_where_it_fits() {
        const QString path = dir_.filePath(QStringLiteral("settings.ini"));
        const QRect available = program_->screen()->availableGeometry();
        program_->setGeometry(available.adjusted(10, 10, -10, -10));
        program_->flight_data_dock()->setFloating(true);
        QTRY_VERIFY(program_->flight_data_dock()->isFloating());
        soar::RememberedSettings(path).save(form_->run(), *data_, params_, program_.get());

        cleanup();
        init();
        QVERIFY(!program_->flight_data_dock()->isFloating());
        QVERIFY(
            soar::RememberedSettings(path).restore(form_->run(), *data_, params_, program_.get()));
        QTRY_VERIFY(program_->flight_data_dock()->isFloating());
        QCOMPARE(program_->geometry().size(), available.adjusted(10, 10, -10, -10).size());

        // Kept from a bigger screen: the first start's place instead.
        {
            QSettings s(path, QSettings::IniFormat);
            s.setValue("windows/program_frame", QRect(0, 0, available.width() + 600, 900));
        }
        cleanup();
        init();
        const QSize first = program_->size();
        QVERIFY(
            !soar::RememberedSettings(path).restore(form_->run(), *data_, params_, program_.get()));
        QVERIFY(!program_->flight_data_dock()->isFloating());
        QCOMPARE(program_->size(), first);
    }

    // Parameters open when the run ended comes back open in its dock, beside
    // the form: never over the pattern buttons.
    void parameters_left_open_come_back_beside_the_form() {
        const QString path = dir_.filePath(QStringLiteral("open.ini"));
        program_->place_first(program_->screen()->availableGeometry());
        key(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        soar::RememberedSettings(path).save(form_->run(), *data_, params_, program_.get());
        cleanup();
        init();
        QVERIFY(
            soar::RememberedSettings(path).restore(form_->run(), *data_, params_, program_.get()));
        QTRY_VERIFY(params_->isVisible());
        QVERIFY(!program_->parameters_dock()->isFloating());
        const QRect form(form_->mapToGlobal(QPoint()), form_->size());
        QVERIFY(!global(program_->parameters_dock()).intersects(form));
        QVERIFY(form.contains(global(form_->widget(Id::upwind_option))));
    }

    // On a 1366 x 768 screen a search of the energy-neutral wind, its table and
    // chart shown, leaves the window as it was: nothing grows past the screen.
    void a_search_on_a_small_screen_keeps_the_window_on_it() {
        const QRect available(0, 0, 1366, 738);
        program_->place_first(available);
        key(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        QApplication::processEvents();
        const QRect before = program_->frameGeometry();
        QVERIFY(available.contains(before));
        params_->cycles_box()->setValue(2);
        QPushButton* find = params_->button(QStringLiteral("Find the energy-neutral wind"));
        QTest::mouseClick(find, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!params_->searching(), 30000);
        QTRY_VERIFY(params_->chart_view()->isVisible());
        QApplication::processEvents();
        QCOMPARE(program_->frameGeometry(), before);
        QVERIFY(global(program_.get()).contains(global(program_->parameters_dock())));
        QVERIFY(find->isEnabled());
    }
};

QTEST_MAIN(ProgramWindowTest)
#include "program_window_test.moc"
