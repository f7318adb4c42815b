// Going back through a paused or stopped flight with the real windows: keys,
// the time slider, a click on a chart, Play, and FLY going on from where the
// flight was. The window flies on a clock the test sets, one tick every 20 ms
// of flight time, so each moment shown again can be compared with the picture
// the `render` command draws of the same flight stopped at that tick.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "platform/number_text.h"
#include "qt/flight_data_window.h"
#include "qt/help_window.h"
#include "qt/main_window.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/raster_surface.h"

using soar::Id;

namespace {

constexpr double kDt = 0.02;

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class LookBackTest : public QObject {
    Q_OBJECT

    soar::ManualClock* clock_ = nullptr;
    std::unique_ptr<soar::MainWindow> main_;
    std::unique_ptr<soar::FlightDataWindow> data_;
    QTemporaryDir dir_;
    long long flown_ = 0;

    soar::Session& session() { return main_->session(); }
    void press(Id id) { QTest::mouseClick(main_->widget(id), Qt::LeftButton); }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(main_.get(), Qt::Key(k), m);
    }

    // Ticks of the flight, each 20 ms of flight time after the one before, as
    // the `render` command steps it. The window's own timer never runs: no
    // event loop turns between these ticks.
    void fly_ticks(long long n) {
        for (const long long end = flown_ + n; flown_ < end; ++flown_) {
            clock_->set(float(kDt * double(flown_)));
            main_->tick_once();
        }
    }
    void fly(Id pattern, long long n) {
        press(pattern);
        press(Id::ok_button);
        press(Id::fly_button);
        flown_ = 0;
        fly_ticks(n);
    }

    // The picture the `render` command saves for `pattern` stopped at `ticks`,
    // at the window's picture size.
    QImage rendered(const char* pattern, long long ticks) {
        const QImage& shown = main_->picture().image();
        const std::string png = dir_.filePath("r.png").toStdString();
        std::vector<std::string> args0 = {
            "soarcalculus", "render",
            "--pattern",    pattern,
            "--ticks",      std::to_string(ticks),
            "--dt",         "0.02",
            "--size",       std::to_string(shown.width()) + "x" + std::to_string(shown.height()),
            "--png",        png};
        // The fixed view is drawn, not flown.
        std::vector<std::string> args;
        for (size_t i = 0; i < args0.size(); ++i) {
            if (ticks == 0 && (args0[i] == "--ticks" || args0[i] == "--dt")) {
                ++i;
                continue;
            }
            args.push_back(args0[i]);
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        if (soar::cli_main(int(argv.size()), argv.data(), soar::qt_raster_support(), nullptr) != 0)
            return {};
        return rgb(QImage(QString::fromStdString(png)));
    }
    QString time_box() { return static_cast<QLineEdit*>(main_->widget(Id::time_box))->text(); }

  private slots:
    void init() {
        auto clock = std::make_unique<soar::ManualClock>();
        clock_ = clock.get();
        main_ = std::make_unique<soar::MainWindow>(std::move(clock),
                                                   std::make_unique<soar::MemoryTextFiles>());
        main_->start();
        main_->show();
        data_ = std::make_unique<soar::FlightDataWindow>(main_->run());
        data_->show();
        QVERIFY(QTest::qWaitForWindowExposed(data_.get()));
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    }
    void cleanup() {
        data_.reset();
        main_.reset();
    }

    // Keys and the slider show a stopped flight's ticks as they were drawn,
    // the read-outs and the charts' cursors with them; End is the flight again.
    void a_stopped_flight_shown_again_at_any_tick() {
        fly(Id::upwind_option, 400);
        press(Id::stop_button);
        QVERIFY(!main_->timer().isActive());
        QCOMPARE(session().ticks_to_look_back(), 400);
        const QImage last = rgb(main_->picture().image());
        QCOMPARE(last, rendered("upwind", 400));
        QVERIFY(main_->time_slider()->isEnabled());

        key(Qt::Key_Home);
        QCOMPARE(session().looked_at(), 1);
        for (int i = 0; i < 149; ++i) key(Qt::Key_Right);
        QCOMPARE(session().looked_at(), 150);
        QCOMPARE(rgb(main_->picture().image()), rendered("upwind", 150));
        const double t150 = session().time_of_tick(150);
        QCOMPARE(time_box().toStdString(), soar::float_text(float(t150)));
        for (int c = 0; c < data_->chart_count(); ++c)
            QCOMPARE(data_->strip_view(c)->cursor_time(), t150);
        QVERIFY(main_->moment_label()->text().startsWith(
            QStringLiteral("t = %1 s of").arg(t150, 0, 'f', 2)));

        // Shift: a second on, 50 ticks of 20 ms; Left a tick back.
        key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(session().looked_at(), 200);
        key(Qt::Key_Left);
        QCOMPARE(session().looked_at(), 199);

        // The slider, dragged to a time: the last tick at or before it.
        const double t300 = session().time_of_tick(300);
        main_->time_slider()->setValue(int(std::lround(t300 * 1000.0)));
        QCOMPARE(session().looked_at(), 300);
        QCOMPARE(rgb(main_->picture().image()), rendered("upwind", 300));

        key(Qt::Key_End);
        QCOMPARE(session().looked_at(), 0);
        QCOMPARE(rgb(main_->picture().image()), last);
        QVERIFY(std::isnan(data_->strip_view(0)->cursor_time()));  // no moment apart

        main_->time_slider()->setValue(int(std::lround(t300 * 1000.0)));
        // Zoom acts at once on the moment shown, and the moment stays.
        const QImage before_zoom = rgb(main_->picture().image());
        press(Id::zoom_in_button);
        QCOMPARE(session().looked_at(), 300);
        QVERIFY(rgb(main_->picture().image()) != before_zoom);
        const QImage zoomed_in = rgb(main_->picture().image());
        press(Id::zoom_out_button);
        QCOMPARE(session().looked_at(), 300);
        QVERIFY(rgb(main_->picture().image()) != zoomed_in);
    }

    // The window made larger: the picture box grows keeping its shape, and its
    // picture is the one the render command draws at that size; back at the
    // standard size, the standard picture to the bit.
    void the_picture_follows_the_window() {
        const QRect standard = main_->rect_of(soar::designed_rect(Id::picture));
        QCOMPARE(main_->picture_rect(), standard);
        QCOMPARE(main_->picture().image().size(), standard.size());
        // The fixed view's still picture is drawn again at the new size.
        press(Id::ok_button);
        QCOMPARE(rgb(main_->picture().image()), rendered("fixed", 0));
        const QSize start = main_->size();
        main_->resize(start.width() + 300, start.height() + 240);
        QTRY_VERIFY(main_->picture_rect().width() > standard.width());
        QCOMPARE(rgb(main_->picture().image()), rendered("fixed", 0));
        main_->resize(start);
        QTRY_COMPARE(main_->picture_rect(), standard);

        fly(Id::downwind_option, 250);
        press(Id::stop_button);
        const QImage at_standard = rgb(main_->picture().image());
        QCOMPARE(at_standard, rendered("downwind", 250));
        const QSize standard_window = main_->size();

        main_->resize(standard_window.width() + 500, standard_window.height() + 400);
        QTRY_VERIFY(main_->picture_rect().width() > standard.width());
        const QRect grown = main_->picture_rect();
        QCOMPARE(grown.topLeft(), standard.topLeft());  // the controls keep their places
        QVERIFY(std::abs(double(grown.width()) / grown.height() -
                         double(standard.width()) / standard.height()) < 0.01);
        QVERIFY(main_->rect().contains(grown));  // all of it inside the window
        QVERIFY(main_->time_slider()->geometry().top() > grown.bottom());
        QCOMPARE(main_->picture().image().size(), grown.size());
        QCOMPARE(rgb(main_->picture().image()), rendered("downwind", 250));
        // Going back works at the new size too.
        key(Qt::Key_Home);
        QCOMPARE(rgb(main_->picture().image()), rendered("downwind", 1));

        key(Qt::Key_End);
        main_->resize(standard_window);
        QTRY_COMPARE(main_->picture_rect(), standard);
        QCOMPARE(rgb(main_->picture().image()), at_standard);
    }

    // The charts read closely: the wheel zooms about the pointer, a
    // double-click goes back to the span, the pointer reads time and value,
    // and a dark desktop palette darkens them.
    void charts_read_closely() {
        fly(Id::upwind_option, 1500);  // 30 s
        key(Qt::Key_Space);
        data_->update_now();
        soar::StripView* chart = data_->strip_view(0);
        const soar::AxisRange span = data_->time_range();
        const QPoint at10 = chart->point_at(10.0);
        QWheelEvent in(at10, chart->viewport()->mapToGlobal(at10), {}, {0, 240}, Qt::NoButton, {},
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart->viewport(), &in);
        const soar::AxisRange zoomed = data_->time_range();
        QVERIFY(data_->zoomed());
        QVERIFY(zoomed.hi - zoomed.lo < 0.7 * (span.hi - span.lo));
        QVERIFY(zoomed.lo < 10.0 && zoomed.hi > 10.0);
        QVERIFY(std::abs(chart->time_at(chart->point_at(10.0)) - 10.0) < 0.2);  // still there
        QTest::mouseDClick(chart->viewport(), Qt::LeftButton, {}, at10);
        QVERIFY(!data_->zoomed());
        QCOMPARE(data_->time_range(), span);

        QMouseEvent move(QEvent::MouseMove, chart->point_at(12.0),
                         chart->viewport()->mapToGlobal(chart->point_at(12.0)), Qt::NoButton, {},
                         {});
        QApplication::sendEvent(chart->viewport(), &move);
        // "t = 11.86 s", then "V = 20.123 m/s": the tick at or before the pointer.
        const QStringList lines = chart->hover_text().split('\n');
        QCOMPARE(lines.size(), 2);
        const double t = chart->time_at(chart->point_at(12.0));
        const double shown = lines[0].section(' ', 2, 2).toDouble();
        QVERIFY2(lines[0].startsWith("t = ") && shown <= t + 0.005 && shown > t - 0.03,
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith("V = ") && lines[1].endsWith(" m/s"), qPrintable(lines[1]));

        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(40, 40, 44));
        dark.setColor(QPalette::WindowText, Qt::white);
        QApplication::setPalette(dark);
        QTRY_VERIFY(data_->dark_charts());
        QCOMPARE(chart->chart()->theme(), QChart::ChartThemeDark);
        QApplication::setPalette(light);
        QTRY_VERIFY(!data_->dark_charts());
        QCOMPARE(chart->chart()->theme(), QChart::ChartThemeLight);
    }

    // A save suggests the program, the pattern and the time as its name,
    // starts where that kind was last saved, and adds the extension of the
    // kind chosen to a name typed without one.
    void saves_name_themselves() {
        fly(Id::crosswind_option, 50);
        press(Id::stop_button);
        QString start, chosen;
        QString typed = dir_.filePath("flight");
        data_->ask_path = [&](const QString&, const QString& s, const QString& filters,
                              QString* filter) {
            start = s;
            if (filter) *filter = chosen.isEmpty() ? filters.section(";;", 0, 0) : chosen;
            return typed;
        };
        using Kind = soar::FlightDataWindow::SaveKind;
        QCOMPARE(data_->ask_save_path(Kind::csv), dir_.filePath("flight.csv"));
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^soarcalculus-crosswind-\\d{4}-\\d\\d-\\d\\d-\\d{4}\\.csv$"))
                     .match(start)
                     .hasMatch(),
                 qPrintable(start));
        QCOMPARE(data_->ask_save_path(Kind::csv), dir_.filePath("flight.csv"));
        QCOMPARE(QFileInfo(start).absolutePath(), dir_.path());  // where the last went
        typed = dir_.filePath("charts");
        chosen = QStringLiteral("SVG drawings (*.svg)");
        QCOMPARE(data_->ask_save_path(Kind::charts), dir_.filePath("charts.svg"));
        typed = dir_.filePath("charts.PNG");  // one of the kind's own: kept
        QCOMPARE(data_->ask_save_path(Kind::charts), typed);
        typed.clear();  // cancelled
        QVERIFY(data_->ask_save_path(Kind::kml).isEmpty());
    }

    // An hour's flight gone back through: each moment, picture and read-outs
    // and cursors included, within a frame or two of a 60 Hz screen.
    void an_hours_flight_answers_at_once() {
        press(Id::circle_zoom_option);  // flies on for ever
        press(Id::ok_button);
        press(Id::fly_button);
        for (long long k = 0; k < 180000; ++k) {
            clock_->set(float(kDt * double(k)));
            main_->tick_without_picture();
        }
        press(Id::stop_button);
        QCOMPARE(session().ticks_to_look_back(), int64_t(180000));
        QElapsedTimer clock;
        double worst = 0;
        clock.start();
        std::mt19937 rng(7);
        for (int n = 0; n < 40; ++n) {
            const double t = double(rng() % 3600000) / 1000.0;
            const qint64 before = clock.nsecsElapsed();
            main_->time_slider()->setValue(int(t * 1000.0));
            worst = std::max(worst, (clock.nsecsElapsed() - before) * 1e-6);
            // The last tick at or before the slider's time.
            const double shown = session().time_of_tick(session().looked_at());
            QVERIFY2(shown <= t + 1e-3 && shown > t - kDt - 1e-3,
                     qPrintable(QString("%1 for %2").arg(shown).arg(t)));
        }
        // How long it took is reported, not asserted (a sanitizer build or a
        // loaded machine is slower; docs/performance.md has the figures).
        const double mean = clock.nsecsElapsed() * 1e-6 / 40.0;
        qInfo("an hour's flight: a moment shown in %.1f ms on average, %.1f ms at worst", mean,
              worst);
    }

    // Every control of every window says what it does when the pointer rests on it.
    void every_control_has_a_tool_tip() {
        soar::ParamsDialog params(main_->run());
        params.show();
        data_->optimal_loop()->show();
        main_->show_help(soar::MainWindow::HelpPage::keys);
        QStringList bare;
        for (QWidget* window :
             {static_cast<QWidget*>(main_.get()), static_cast<QWidget*>(data_.get()),
              static_cast<QWidget*>(&params), static_cast<QWidget*>(data_->optimal_loop())}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QAbstractButton*>(w) ||
                                     qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                                     qobject_cast<QAbstractSpinBox*>(w) ||
                                     qobject_cast<QSlider*>(w);
                // The parts of a combo or spin box, and buttons of Qt's own
                // (a scroll bar's, a tab bar's), go with their widget.
                const bool part =
                    qobject_cast<QComboBox*>(w->parentWidget()) ||
                    qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                    QByteArray(w->metaObject()->className()).startsWith("QToolButton");
                if (control && !part && w->isVisibleTo(window) && w->toolTip().isEmpty())
                    bare << window->objectName() + "/" + w->metaObject()->className() + " \"" +
                                (qobject_cast<QAbstractButton*>(w)
                                     ? qobject_cast<QAbstractButton*>(w)->text()
                                     : w->objectName()) +
                                "\"";
            }
        }
        QVERIFY2(bare.isEmpty(), qPrintable(bare.join(", ")));
        main_->help_window()->close();
    }

    // A flight that stalled: every tick flown can be shown again, and the
    // read-outs of the flight as it stands are its last good tick.
    void a_flight_that_stalled() {
        main_->model().params.upwind.U_ref = 3.0f;  // too little wind: it stalls at 34.7 s
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        for (flown_ = 0; flown_ < 200000 && main_->timer().isActive(); ++flown_) {
            clock_->set(float(kDt * double(flown_)));
            main_->tick_once();
        }
        QVERIFY(!main_->timer().isActive());
        QTRY_VERIFY(main_->message_box() && main_->message_box()->isVisible());
        QVERIFY2(main_->message_box()->text().contains("The flight was stopped"),
                 qPrintable(main_->message_box()->text()));
        main_->message_box()->close();
        const soar::FlightHistory& h = main_->record().history;
        QCOMPARE(session().ticks_to_look_back(), int64_t(h.size()));
        QCOMPARE(session().ticks(), int64_t(h.size()) + 1);  // the tick that failed
        const double t_last = h.last(soar::Column::t);
        QCOMPARE(time_box().toStdString(), soar::float_text(float(t_last)));
        QVERIFY(session().shown_state().Z >= 0.0f);
        data_->update_now();
        QVERIFY(!data_->readout("Height Z")->text().startsWith('-'));
        // That tick's lift is far past the stall (CL about 200): CL and the angle
        // of attack read from it are marked as no wing's, the pitch box keeps a
        // half-turn, and the summary names the cause.
        for (const char* name : {"CL", "Angle of attack"})
            QVERIFY2(data_->readout(name)->toolTip().contains("stall"), name);
        const double pitch =
            static_cast<QLineEdit*>(main_->widget(Id::pitch_box))->text().toDouble();
        QVERIFY2(pitch > -180.0 && pitch <= 180.0, qPrintable(QString::number(pitch)));
        QVERIFY(data_->summary_label()->text().contains("airspeed fell"));

        main_->activateWindow();
        key(Qt::Key_Home);
        QCOMPARE(session().looked_at(), 1);
        data_->update_now();
        QVERIFY(data_->readout("CL")->toolTip().isEmpty());  // the start's lift is a wing's
        key(Qt::Key_PageDown);
        QCOMPARE(session().looked_at(), 501);  // ten seconds on
        key(Qt::Key_End);
        QCOMPARE(session().looked_at(), 0);
        QCOMPARE(time_box().toStdString(), soar::float_text(float(t_last)));
    }

    // In the reading order Tab goes on from the form to Play and the slider of
    // a stopped flight, and the arrow keys move the moment the slider holds.
    void tab_reaches_the_slider_of_a_stopped_flight() {
        fly(Id::upwind_option, 300);
        press(Id::stop_button);
        main_->set_reading_tab_order(true);
        QSlider* slider = main_->time_slider();
        QTRY_VERIFY(slider->isEnabled());
        main_->widget(Id::zoom_out_button)->setFocus();
        QTRY_VERIFY(main_->widget(Id::zoom_out_button)->hasFocus());
        QStringList path;
        for (int i = 0; i < 6 && QApplication::focusWidget() != slider; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            path << QApplication::focusWidget()->metaObject()->className();
        }
        QVERIFY2(slider->hasFocus(), qPrintable(path.join(' ')));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(session().looked_at(), 1);
        QTest::keyClick(slider, Qt::Key_Right);
        QVERIFY(session().looked_at() > 1);
    }

    // A click on a chart jumps there; Play replays up to where the flight
    // stands; FLY lets the paused flight go on from its own last tick.
    void a_chart_click_play_and_the_flight_going_on() {
        fly(Id::crosswind_option, 300);
        key(Qt::Key_Space);
        QVERIFY(session().paused());
        QCOMPARE(session().ticks_to_look_back(), 300);
        data_->update_now();
        soar::StripView* chart = data_->strip_view(1);
        // Dragged across from 1 s to 3 s: every chart's time axis shows that stretch.
        QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, chart->point_at(1.0));
        QTest::mouseMove(chart->viewport(), chart->point_at(2.0));
        QTest::mouseMove(chart->viewport(), chart->point_at(3.0));
        QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, chart->point_at(3.0));
        QVERIFY(data_->zoomed());
        QCOMPARE(session().looked_at(), 0);  // a drag is no click
        QVERIFY(std::abs(data_->time_range().lo - 1.0) < 0.05);
        QVERIFY(std::abs(data_->time_range().hi - 3.0) < 0.05);
        const double t = session().time_of_tick(100);
        QTest::mouseClick(chart->viewport(), Qt::LeftButton, {}, chart->point_at(t));
        // The pixel clicked covers a few milliseconds: the tick there, or one beside it.
        QVERIFY2(std::abs(session().looked_at() - 100) <= 1,
                 qPrintable(QString::number(session().looked_at())));
        for (int c = 0; c < data_->chart_count(); ++c)
            QCOMPARE(data_->strip_view(c)->cursor_time(),
                     session().time_of_tick(session().looked_at()));

        // Play at 4 x real time: the moment moves on and the replay ends at the
        // flight's last tick.
        key(Qt::Key_BracketRight);
        key(Qt::Key_BracketRight);
        const int64_t from = session().looked_at();
        QTest::mouseClick(main_->play_button(), Qt::LeftButton);
        QVERIFY(main_->replaying());
        QTRY_VERIFY(session().looked_at() > from);
        QTRY_VERIFY_WITH_TIMEOUT(!main_->replaying(), 10000);
        QCOMPARE(session().looked_at(), 0);
        QCOMPARE(session().ticks(), 300);  // a replay flies nothing

        key(Qt::Key_BracketLeft);
        key(Qt::Key_BracketLeft);  // real time again
        // Back to a moment, then FLY: the flight goes on from tick 300.
        key(Qt::Key_Home);
        QCOMPARE(session().looked_at(), 1);
        press(Id::fly_button);
        QVERIFY(!session().paused());
        QCOMPARE(session().looked_at(), 0);
        QCOMPARE(session().ticks_to_look_back(), 0);  // flying: nothing to go through
        fly_ticks(1);
        QCOMPARE(session().ticks(), 301);
        const double t300 = session().time_of_tick(300), t301 = session().flight_state().t;
        QVERIFY2(t301 > t300 && t301 < t300 + 1.5 * kDt, qPrintable(QString::number(t301)));
    }
};

QTEST_MAIN(LookBackTest)
#include "look_back_test.moc"
