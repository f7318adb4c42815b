// Flight data, Parameters, Optimal loop and Fly it yourself docked beside the
// form on a small screen and a large one: each fits its dock's width (no part
// of it past the dock's right edge, no scrolling sideways) and every value box
// shows its whole value, as after a search of the energy-neutral wind.
// Offscreen platform.
#include <QDockWidget>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <utility>

#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/program_window.h"
#include "qt/strip_view.h"

class DocksFitTest : public QObject {
    Q_OBJECT

    std::unique_ptr<soar::ProgramWindow> program_;
    soar::MainWindow* form_ = nullptr;
    soar::FlightDataWindow* data_ = nullptr;
    soar::ParamsDialog* params_ = nullptr;

    // Every visible widget of the dock's window lies within the dock's view,
    // side to side, and the dock does not scroll sideways.
    static void expect_within(QDockWidget* dock) {
        auto* scroll = qobject_cast<QScrollArea*>(dock->widget());
        QVERIFY(scroll && scroll->widget());
        // The scroll bars follow a new size one turn of the event loop later:
        // until then the view is measured as it was.
        for (const QScrollBar* bar : {scroll->horizontalScrollBar(), scroll->verticalScrollBar()})
            QTRY_COMPARE(bar->isVisible(), bar->maximum() > 0);
        QTRY_COMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        const int right = scroll->viewport()->width();
        for (QWidget* w : scroll->widget()->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(scroll->widget()) || w->isWindow()) continue;
            const int x = w->mapTo(scroll->viewport(), QPoint(w->width(), 0)).x();
            QVERIFY2(x <= right + 1,
                     qPrintable(QStringLiteral("%1 %2 ends at %3 of %4")
                                    .arg(w->metaObject()->className(), w->objectName())
                                    .arg(x)
                                    .arg(right)));
        }
    }

  private slots:
    void init() {
        form_ = new soar::MainWindow;
        form_->start();
        program_ = std::make_unique<soar::ProgramWindow>(form_);
        data_ = new soar::FlightDataWindow(form_->run());
        params_ = new soar::ParamsDialog(form_->run());
        program_->dock(data_, params_, data_->optimal_loop());
        program_->show();
        QVERIFY(QTest::qWaitForWindowExposed(program_.get()));
    }
    void cleanup() { program_.reset(); }

    // A 1366 x 768 screen leaves the docks 423 pixels beside the form under a
    // window manager's frame; a 1920 x 1080 one the docks' widest.
    void each_dock_fits_its_width_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("width");
        QTest::newRow("1366x768") << QRect(0, 0, 1366, 738) << 423;
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1050) << 0;
    }
    void each_dock_fits_its_width() {
        QFETCH(QRect, available);
        QFETCH(int, width);
        program_->place_first(available);
        QTRY_VERIFY(program_->flight_data_dock()->isVisible());
        if (width > 0) {
            program_->resizeDocks({program_->flight_data_dock()}, {width}, Qt::Horizontal);
            QTRY_VERIFY(std::abs(program_->flight_data_dock()->width() - width) < 12);
        }
        expect_within(program_->flight_data_dock());
        // The charts end inside their own area too.
        for (const soar::StripView* view : data_->charts()->findChildren<soar::StripView*>())
            QVERIFY(view->geometry().right() < data_->charts()->width() + 1);

        QTest::keyClick(form_, Qt::Key_F3);
        QTRY_VERIFY(program_->parameters_dock()->isVisible());
        expect_within(program_->parameters_dock());
        // Each box shows the whole of its value: the defaults' longest ones
        // ("0.022222223", "exponential") and a long one typed in.
        QLineEdit* k_ind = params_->field_edit("K_ind");
        QVERIFY(k_ind);
        k_ind->setText(QStringLiteral("0.0012345678"));
        for (QLineEdit* box : params_->findChildren<QLineEdit*>()) {
            if (!box->isVisible() || box->objectName().isEmpty()) continue;
            const int room = box->contentsRect().width() - 4;
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= room,
                     qPrintable(box->objectName() + " " + box->text()));
        }
        k_ind->undo();
    }

    // Optimal loop (F4) and Fly it yourself (F6, a flight started) at the
    // same widths: each within its dock, nothing past its right edge.
    void optimal_loop_and_fly_yourself_fit_data() { each_dock_fits_its_width_data(); }
    void optimal_loop_and_fly_yourself_fit() {
        QFETCH(QRect, available);
        QFETCH(int, width);
        program_->place_first(available);
        QTRY_VERIFY(program_->flight_data_dock()->isVisible());
        if (width > 0)
            program_->resizeDocks({program_->flight_data_dock()}, {width}, Qt::Horizontal);
        for (auto [key, dock] : {std::pair{Qt::Key_F4, program_->optimal_loop_dock()},
                                 std::pair{Qt::Key_F6, program_->fly_yourself_dock()}}) {
            QTest::keyClick(form_, key);
            QTRY_VERIFY(dock->isVisible());
            if (width > 0) QTRY_VERIFY(std::abs(dock->width() - width) < 12);
            expect_within(dock);
        }
    }
};

QTEST_MAIN(DocksFitTest)
#include "docks_fit_test.moc"
