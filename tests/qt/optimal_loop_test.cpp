// "Optimal loop" from the Flight data window with real clicks: a solve that is
// cancelled, one that finds no loop, one that flies, and the cache that
// flies it again at once. Offscreen platform.
#include <QFile>
#include <QtTest>
#include <memory>

#include "open_windows.h"
#include "qt/flight_data_window.h"
#include "qt/optimal_loop_dialog.h"

using soar::FlightDataWindow;
using soar::Id;
using soar::MainWindow;
using soar::OptimalLoopDialog;

class OptimalLoopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<FlightDataWindow> data_;
    OptimalLoopDialog* dialog_ = nullptr;
    QTemporaryDir dir_;

    void click(QAbstractButton* b) {
        QVERIFY(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // A bird whose drag no wind within the solver's range makes good.
    void make_hopeless() {
        for (soar::Params* p : {&main_->model().params.upwind, &main_->model().params.downwind,
                                &main_->model().params.crosswind})
            p->CD0 = 0.2f, p->K_ind = 0.2f;
    }

  private slots:
    void init() {
        QVERIFY(open_main_and_flight_data(main_, data_));
        // The menu entry opens the dialog.
        auto* action = data_->findChild<QAction*>("optimal_loop_action");
        QVERIFY(action);
        action->trigger();
        dialog_ = data_->optimal_loop();
        QVERIFY(dialog_->isVisible());
        dialog_->set_cache_path(dir_.filePath("loop.txt"));
        dialog_->set_nodes(30);
    }
    void cleanup() {
        data_.reset();
        main_.reset();
        QFile::remove(dir_.filePath("loop.txt"));
    }

    void cancel_stops_the_solve_and_changes_nothing() {
        make_hopeless();  // a long solve: there is time to cancel it
        click(dialog_->solve_button());
        QVERIFY(dialog_->solving());
        QVERIFY(!dialog_->solve_button()->isEnabled());
        QTRY_VERIFY(dialog_->status_label()->text().contains("iteration"));
        click(dialog_->cancel_button());
        QTRY_VERIFY(!dialog_->solving());
        QVERIFY(dialog_->status_label()->text().contains("Cancelled"));
        QVERIFY(dialog_->solve_button()->isEnabled());
        QVERIFY(!QFile::exists(dialog_->cache_path()));
        QVERIFY(!main_->flying_loop());
        QVERIFY(!main_->timer().isActive());
        // The main window answers as before: a built-in pattern flies.
        QTest::mouseClick(main_->widget(Id::upwind_option), Qt::LeftButton);
        QTest::mouseClick(main_->widget(Id::ok_button), Qt::LeftButton);
        QTest::mouseClick(main_->widget(Id::fly_button), Qt::LeftButton);
        QTRY_VERIFY(main_->record().ticks > 5);
    }

    void closing_during_a_solve_ends_it() {
        make_hopeless();
        click(dialog_->solve_button());
        QTRY_VERIFY(dialog_->status_label()->text().contains("iteration"));
        QVERIFY(dialog_->close());
        QVERIFY(!dialog_->solving());
        QVERIFY(!QFile::exists(dialog_->cache_path()));
        // And a window closed with a solve running takes its thread with it.
        dialog_->show();
        click(dialog_->solve_button());
        QVERIFY(dialog_->solving());
        data_.reset();
    }

    void no_loop_shows_the_solvers_word() {
        make_hopeless();
        dialog_->set_nodes(8);
        // A hopeless solve may wander for thousands of iterations before it
        // gives up; the verdict is the same after a few hundred.
        dialog_->set_max_iterations(300);
        click(dialog_->solve_button());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->solving(), 120000);
        QVERIFY2(dialog_->status_label()->text().contains("No loop found"),
                 qPrintable(dialog_->status_label()->text()));
        QVERIFY(!main_->flying_loop());
        QVERIFY(!QFile::exists(dialog_->cache_path()));
        QVERIFY(dialog_->solve_button()->isEnabled());
    }

    void solved_loop_flies_and_comes_back_from_the_cache() {
        // A fresh account: the cache folder and its parents do not exist yet.
        dialog_->set_cache_path(dir_.filePath("home/.cache/soarcalculus/loop.txt"));
        click(dialog_->solve_button());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->solving(), 60000);
        QVERIFY2(dialog_->status_label()->text().contains("Flying the optimal loop"),
                 qPrintable(dialog_->status_label()->text()));
        QVERIFY(main_->flying_loop());
        QVERIFY(QFile::exists(dialog_->cache_path()));
        QTRY_VERIFY(main_->record().ticks > 10);
        // The form shows no pattern selected; the line under the picture names the loop.
        for (Id id :
             {Id::upwind_option, Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option})
            QVERIFY(!main_->widget(id)->isVisible());
        QTRY_VERIFY2(main_->moment_label()->text().startsWith("Optimal loop"),
                     qPrintable(main_->moment_label()->text()));
        const double period = main_->flying_loop()->solution.period;
        const double wind = main_->flying_loop()->solution.wind;
        QVERIFY(period > 3.0);
        // The charts get the loop's lift coefficient.
        QTRY_VERIFY(data_->series(3, 1)->count() > 0);

        // OK: the selected pattern again, flown by the flight model.
        QTest::mouseClick(main_->widget(Id::ok_button), Qt::LeftButton);
        QVERIFY(!main_->flying_loop());

        // The same parameters: the loop from the cache, at once.
        click(dialog_->solve_button());
        QVERIFY(!dialog_->solving());
        QVERIFY(dialog_->status_label()->text().contains("from the cache"));
        QVERIFY(main_->flying_loop());
        QCOMPARE(main_->flying_loop()->solution.period, period);

        // A changed parameter misses the cache and solves anew.
        QTest::mouseClick(main_->widget(Id::ok_button), Qt::LeftButton);
        main_->model().params.upwind.W_S *= 1.1f;
        click(dialog_->solve_button());
        QVERIFY(dialog_->solving());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->solving(), 60000);
        QVERIFY(main_->flying_loop());
        QVERIFY(main_->flying_loop()->solution.wind != wind);
    }
};

QTEST_MAIN(OptimalLoopTest)
#include "optimal_loop_test.moc"
