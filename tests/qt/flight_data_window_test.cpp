// The Flight data window beside the real main window: keys, pause and pace,
// the live charts and table, and every save read back. Offscreen platform.
#include "qt/flight_data_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <memory>

#include "open_windows.h"
#include "platform/clock.h"
#include "record/csv.h"

using soar::Column;
using soar::FlightDataWindow;
using soar::Id;
using soar::MainWindow;

namespace {

// Local east-north-up about (lat0, lon0, 0) to geodetic on WGS84, by way of
// earth-centred coordinates: written out here, apart from the program's library.
void enu_to_geodetic(double lat0, double lon0, double e, double n, double u, double& lat,
                     double& lon) {
    const double a = 6378137.0, f = 1.0 / 298.257223563, e2 = f * (2.0 - f);
    const double d = M_PI / 180.0;
    const double sp = std::sin(lat0 * d), cp = std::cos(lat0 * d);
    const double sl = std::sin(lon0 * d), cl = std::cos(lon0 * d);
    const double N0 = a / std::sqrt(1.0 - e2 * sp * sp);
    const double x = N0 * cp * cl - sl * e - sp * cl * n + cp * cl * u;
    const double y = N0 * cp * sl + cl * e - sp * sl * n + cp * sl * u;
    const double z = N0 * (1.0 - e2) * sp + cp * n + sp * u;
    lon = std::atan2(y, x) / d;
    const double p = std::hypot(x, y);
    double phi = std::atan2(z, p * (1.0 - e2));
    for (int i = 0; i < 20; ++i) {
        const double Ni = a / std::sqrt(1.0 - e2 * std::sin(phi) * std::sin(phi));
        const double h = p / std::cos(phi) - Ni;
        phi = std::atan2(z, p * (1.0 - e2 * Ni / (Ni + h)));
    }
    lat = phi / d;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class FlightDataWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<FlightDataWindow> data_;
    QTemporaryDir dir_;

    void press(Id id) { QTest::mouseClick(main_->widget(id), Qt::LeftButton); }
    QString file(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }

    // Upwind, OK, FLY on the machine's clock, then until `ticks` ticks are recorded.
    void fly(long long ticks) {
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        QTRY_VERIFY_WITH_TIMEOUT(main_->record().ticks >= ticks, 20000);
    }

  private slots:
    void init() { QVERIFY(open_main_and_flight_data(main_, data_, true)); }
    void cleanup() {
        data_.reset();
        main_.reset();
    }

    void keys_pause_pace_and_toggle() {
        fly(20);
        main_->activateWindow();
        QTest::keyClick(main_.get(), Qt::Key_Space);
        QVERIFY(main_->flight_clock().paused());
        QTRY_VERIFY(!main_->timer().isActive());
        const long long ticks = main_->record().ticks;
        QTest::qWait(50);
        QCOMPARE(main_->record().ticks, ticks);  // paused: no tick at all
        QTRY_VERIFY(data_->pace_label()->text().contains("paused"));

        // A text box keeps the keys it types: a space and a bracket go into the box.
        auto* box = static_cast<QLineEdit*>(main_->widget(Id::roll_box));
        box->setFocus();
        box->end(false);
        QTest::keyClick(box, Qt::Key_Space);
        QTest::keyClick(box, Qt::Key_BracketRight);
        QVERIFY(box->text().endsWith(" ]"));
        QVERIFY(main_->flight_clock().paused());
        QCOMPARE(main_->flight_clock().pace(), 1.0);
        main_->widget(Id::stop_button)->setFocus();
        // Left with "0 ]", which is not a number: refused with a message, closed here.
        QTRY_VERIFY(main_->message_box() && main_->message_box()->isVisible());
        main_->message_box()->accept();
        main_->activateWindow();
        QTest::keyClick(main_.get(), Qt::Key_BracketRight);
        QTRY_COMPARE(data_->pace_label()->text(), QStringLiteral("2 x real time, paused"));
        QTest::keyClick(data_.get(), Qt::Key_BracketLeft);
        QTest::keyClick(data_.get(), Qt::Key_BracketLeft);
        QTRY_COMPARE(data_->pace_label()->text(), QStringLiteral("1/2 x real time, paused"));
        QTest::keyClick(data_.get(), Qt::Key_Space);
        QVERIFY(!main_->flight_clock().paused());
        QTRY_VERIFY(main_->record().ticks > ticks);

        QTest::keyClick(main_.get(), Qt::Key_F2);
        QTRY_VERIFY(!data_->isVisible());
        QTest::keyClick(main_.get(), Qt::Key_F2);
        QTRY_VERIFY(data_->isVisible());
    }

    void live_charts_table_and_summary() {
        fly(60);
        data_->update_now();
        QVERIFY(data_->readout("Airspeed V")->text().endsWith(" m/s"));
        const QLineSeries* v = data_->series(0, 0);
        QVERIFY(v->count() > 0);
        QVERIFY(v->count() <= 2 * 1000);
        for (const QPointF& p : v->points()) QVERIFY(p.y() > 15.0 && p.y() < 35.0);
        QCOMPARE(data_->series(5, 0)->name(), QStringLiteral("wind gradient"));
        // However far the flight got on this machine's clock, the sentence is the table's.
        QCOMPARE(data_->verdict_label()->text().toStdString(),
                 soar::cycle_verdict(main_->record().cycles.rows()));
        press(Id::stop_button);
        data_->update_now();
        QVERIFY(data_->summary_label()->text().contains("ended: stopped with STOP"));
        QCOMPARE(data_->cycle_table()->rowCount(), main_->record().cycles.completed());
    }

    void saves_read_back() {
        fly(200);
        press(Id::stop_button);
        QString error;
        const soar::FlightRecord& r = main_->record();

        QVERIFY2(data_->save_csv(file("f.csv"), error), qPrintable(error));
        const QList<QByteArray> lines = contents(file("f.csv")).split('\n');
        QVERIFY(lines[0].endsWith(",E,dE_wind,dE_drag"));
        // Every tick that advanced flight time (and the first), a header, the last \n.
        qsizetype advanced = 0;
        for (size_t i = 0; i < r.history.size(); ++i)
            advanced += i == 0 || r.history.at(Column::dt, i) != 0.0f;
        QCOMPARE(qsizetype(lines.size()), advanced + 2);
        QCOMPARE(contents(file("f.csv")).toStdString(), soar::flight_data_csv(r.history, r.params));
        const QList<QByteArray> last = lines[lines.size() - 2].split(',');
        QCOMPARE(last.size(), 22);
        QCOMPARE(last[6].toFloat(), r.history.at(Column::V, r.history.size() - 1));

        QVERIFY2(data_->save_picture(file("p.png"), error), qPrintable(error));
        const QImage picture(file("p.png"));
        QCOMPARE(picture.size(), main_->picture().image().size());
        QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
                 main_->picture().image().convertToFormat(QImage::Format_RGB32));

        QVERIFY2(data_->save_charts(file("c.png"), error), qPrintable(error));
        QCOMPARE(QImage(file("c.png")).size(), data_->charts()->size());
        QVERIFY2(data_->save_charts(file("c.svg"), error), qPrintable(error));
        QXmlStreamReader svg(contents(file("c.svg")));
        int polylines = 0;
        while (!svg.atEnd()) {
            if (svg.readNext() == QXmlStreamReader::StartElement &&
                (svg.name() == u"polyline" || svg.name() == u"path"))
                ++polylines;
        }
        QVERIFY(!svg.hasError());
        QVERIFY(polylines > 6);

        QVERIFY2(data_->save_kml(file("t.kml"), error), qPrintable(error));
        QXmlStreamReader kml(contents(file("t.kml")));
        QStringList coords, whens;
        while (!kml.atEnd()) {
            if (kml.readNext() != QXmlStreamReader::StartElement) continue;
            if (kml.name() == u"coord") coords << kml.readElementText();
            if (kml.name() == u"when") whens << kml.readElementText();
        }
        QVERIFY2(!kml.hasError(), qPrintable(kml.errorString()));
        const auto pts = soar::track_points(r.history);
        QCOMPARE(coords.size(), qsizetype(pts.size()));
        QCOMPARE(whens.size(), coords.size());
        // Wind from the west: +X is east, +Y north, at 49.3 S 70.2 E.
        for (size_t i : {size_t(0), pts.size() / 2, pts.size() - 1}) {
            const QStringList c = coords[qsizetype(i)].split(' ');
            double lat, lon;
            enu_to_geodetic(-49.3, 70.2, pts[i].X, pts[i].Y, pts[i].Z, lat, lon);
            QVERIFY(std::fabs(c[0].toDouble() - lon) < 1e-6);
            QVERIFY(std::fabs(c[1].toDouble() - lat) < 1e-6);
            QVERIFY(std::fabs(c[2].toDouble() - pts[i].Z) < 1e-3);
        }

        // Nothing is reported as saved that was not.
        const QString nowhere = file("missing/dir/x");
        for (auto save : {&FlightDataWindow::save_csv, &FlightDataWindow::save_picture,
                          &FlightDataWindow::save_charts, &FlightDataWindow::save_kml}) {
            error.clear();
            QVERIFY(!((*data_).*save)(nowhere, error));
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFile::exists(nowhere));
        }
        QVERIFY(!data_->save_charts(nowhere + ".svg", error));
    }

    // The charts draw a few points per pixel column and keep their axes however
    // long the flight; the table changes only when a cycle completes.
    void update_cost_stays_flat_on_a_long_flight() {
        data_.reset();
        auto owned = std::make_unique<soar::ManualClock>(1000.0f);
        soar::ManualClock* clock = owned.get();
        main_ = std::make_unique<MainWindow>(std::move(owned));
        main_->start();
        main_->show();
        data_ = std::make_unique<FlightDataWindow>(main_->run());
        data_->show();
        QVERIFY(QTest::qWaitForWindowExposed(data_.get()));
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);
        // Ticks of 1 ms flown here, without the event loop and its timer.
        long long ticks = 0;
        const auto fly_to = [&](long long n) {
            for (; ticks < n && main_->session().flying(); ++ticks) {
                clock->set(float(1000.0 + double(ticks + 1) * 1e-3));
                main_->tick_without_picture();
            }
            QVERIFY(main_->session().flying());
        };
        QList<const QLineSeries*> all;  // every line of every chart
        for (int chart = 0; chart < data_->chart_count(); ++chart)
            for (int i = 0; i < data_->series_count(chart); ++i) all << data_->series(chart, i);
        const auto points_now = [&] {
            long long n = 0;
            for (const QLineSeries* s : all) n += s->count();
            return n;
        };
        long long per_update[2][4] = {};
        for (int pass = 0; pass < 2; ++pass) {
            fly_to(pass == 0 ? 10000 : 100000);
            for (int span = 0; span < 4; ++span) {
                const long long before = data_->points_handed();
                data_->span_box()->setCurrentIndex(span);  // updates at once
                data_->update_now();
                per_update[pass][span] = data_->points_handed() - before;
                QCOMPARE(per_update[pass][span], points_now());
                // No new sample: nothing is handed to the charts again.
                data_->update_now();
                QCOMPARE(data_->points_handed() - before, per_update[pass][span]);
            }
        }
        // Whole flight after 10^5 ticks: at most two points a pixel column per line
        // (a chart is narrower than the window), not one per sample.
        QVERIFY(per_update[1][3] <= 2LL * all.size() * data_->width());
        QVERIFY(per_update[1][3] < 2 * per_update[0][3] + 100);
        for (int span = 0; span < 3; ++span)
            QVERIFY(per_update[1][span] <= 2LL * 7 * data_->width());

        // A hundred updates 0.1 s apart over one cycle and a half of the last minute.
        data_->span_box()->setCurrentIndex(1);
        data_->update_now();
        const long long axes = data_->axis_changes(), tables = data_->table_updates();
        QTableWidgetItem* first_row = data_->cycle_table()->item(0, 0);
        QVERIFY(first_row != nullptr);
        int cycles_seen = 0;
        for (int k = 0; k < 100; ++k) {
            const int cycles = main_->record().cycles.completed();
            fly_to(ticks + 100);
            data_->update_now();
            cycles_seen += main_->record().cycles.completed() != cycles;
        }
        QVERIFY(cycles_seen >= 1);
        QCOMPARE(data_->table_updates() - tables, cycles_seen);
        QCOMPARE(data_->cycle_table()->item(0, 0), first_row);  // rows are added, not rebuilt
        QCOMPARE(data_->cycle_table()->rowCount(), main_->record().cycles.completed());
        // The time axis moves in 10 s steps: one move of the six charts, maybe two,
        // and the odd new value range, where a sliding axis would change 600 times.
        QVERIFY2(data_->axis_changes() - axes <= 2 * 6 + 6,
                 qPrintable(QString::number(data_->axis_changes() - axes)));
    }

    // A save whose file stops taking bytes (a pipe nobody reads yet) holds up
    // neither window nor the flight: the flight flies on, events are handled, a
    // progress dialog shows, and the file gets the flight as it was when saved.
    void a_stalled_save_holds_up_nothing() {
        data_.reset();
        auto owned = std::make_unique<soar::ManualClock>(1000.0f);
        soar::ManualClock* clock = owned.get();
        main_ = std::make_unique<MainWindow>(std::move(owned));
        main_->start();
        main_->show();
        data_ = std::make_unique<FlightDataWindow>(main_->run());
        data_->show();
        press(Id::circle_zoom_option);
        press(Id::ok_button);
        press(Id::fly_button);
        long long ticks = 0;
        const auto fly_on = [&](long long n) {
            for (const long long end = ticks + n; ticks < end; ++ticks) {
                clock->set(float(1000.0 + double(ticks + 1) * 1e-3));
                main_->tick_without_picture();
            }
        };
        fly_on(100000);
        const std::string expected =
            soar::flight_data_csv(main_->record().history, main_->record().params);
        for (const bool cancel : {false, true}) {
            const QString fifo = file(cancel ? "cancelled.csv" : "slow.csv");
            QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
            const int reader = ::open(qPrintable(fifo), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
            QVERIFY(data_->start_save(FlightDataWindow::LongSave::csv, fifo));
            QVERIFY(!data_->start_save(FlightDataWindow::LongSave::kml, fifo));  // one at a time
            const size_t before = main_->record().history.size();
            for (int i = 0; i < 10; ++i) {
                fly_on(50);
                QTest::qWait(20);
            }
            // (The window's own timer ticks too, on the clock that stands still.)
            QVERIFY(main_->record().history.size() >= before + 500);
            QVERIFY(data_->saving());  // the pipe is full and nobody reads it
            QTRY_VERIFY(data_->save_progress() && data_->save_progress()->isVisible());
            if (cancel) data_->save_progress()->cancel();
            ::fcntl(reader, F_SETFL, 0);
            std::string got;
            char buf[1 << 16];
            for (ssize_t n; (n = ::read(reader, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
            ::close(reader);
            QTRY_VERIFY(!data_->saving());
            if (cancel) {
                QVERIFY2(data_->save_note().contains("cancelled"), qPrintable(data_->save_note()));
            } else {
                QVERIFY(got == expected);
                QVERIFY2(data_->save_note().startsWith("Saved the flight"),
                         qPrintable(data_->save_note()));
            }
        }
    }

    // Beside the main window on a 1366 x 768 screen the window is about 460
    // pixels wide: the charts' span goes under the pace, and back beside it
    // when there is room.
    void narrow_beside_a_small_screens_main_window() {
        data_->resize(460, 700);
        QTRY_VERIFY(data_->width() <= 470);
        QVERIFY(data_->span_box()->y() > data_->pace_label()->y() + 10);
        data_->resize(900, 700);
        QTRY_COMPARE(data_->span_box()->y() > data_->pace_label()->y() + 10, false);
    }

    // "OK" for another pattern sets up a new flight: until it flies, the
    // read-outs, the summary, the charts, the cycle table, the pointer's
    // read-out, the zoom and the slider show nothing of the flight before.
    void a_new_set_up_shows_nothing_of_the_last_flight() {
        ManualFlight flight;
        QVERIFY(flight.open());
        FlightDataWindow& data = flight.data;
        flight.fly_upwind(1500);
        flight.press(Id::stop_button);
        data.update_now();
        data.zoom_time(5.0, 10.0);
        QVERIFY(data.cycle_table()->rowCount() > 0);
        QVERIFY(!data.verdict_label()->text().isEmpty());
        QVERIFY(!data.describe(0, 7.0).isEmpty());
        flight.press(Id::crosswind_option);
        flight.press(Id::ok_button);
        for (const char* name : {"Flight time", "Airspeed V", "Bank", "Heading", "Height Z"})
            QCOMPARE(data.readout(QString::fromLatin1(name))->text(), QStringLiteral("-"));
        QVERIFY(data.summary_label()->text().isEmpty());
        // The slider under the picture holds no moment of the flight before.
        QCOMPARE(flight.main.time_slider()->maximum(), 0);
        QVERIFY2(flight.main.moment_label()->text().isEmpty(),
                 qPrintable(flight.main.moment_label()->text()));
        for (int c = 0; c < data.chart_count(); ++c)
            for (int i = 0; i < data.series_count(c); ++i) QCOMPARE(data.series(c, i)->count(), 0);
        QCOMPARE(data.cycle_table()->rowCount(), 0);
        QVERIFY(data.verdict_label()->text().isEmpty());
        QVERIFY(data.describe(0, 7.0).isEmpty());
        QVERIFY(!data.zoomed());
        flight.press(Id::fly_button);
        flight.go_on(5);
        data.update_now();
        QVERIFY(data.series(0, 0)->count() > 0);
        QVERIFY(!data.verdict_label()->text().isEmpty());
    }

    // In flight the time box, the slider's label and the Flight data window's
    // flight time give one time at every refresh of the boxes.
    void one_flight_time_on_the_screen() {
        auto* box = qobject_cast<QLineEdit*>(main_->widget(Id::time_box));
        auto* moment = main_->findChild<QLabel*>(QStringLiteral("moment_label"));
        QVERIFY(box && moment);
        int frames = 0;
        QStringList off;
        connect(&main_->run(), &soar::RunSignals::boxes_shown, this, [&] {
            if (!main_->session().flying() || main_->session().ticks() == 0) return;
            ++frames;
            const double t = box->text().toDouble();
            const QString two =
                moment->text().section(QStringLiteral("t = "), 1).section(' ', 0, 0);
            const QString here = data_->readout(QStringLiteral("Flight time"))->text();
            if (std::fabs(two.toDouble() - t) > 0.0051 || here != two + QStringLiteral(" s"))
                off << box->text() + " / " + moment->text() + " / " + here;
        });
        fly(1);
        QTRY_VERIFY_WITH_TIMEOUT(frames >= 20, 20000);
        QVERIFY2(off.isEmpty(), qPrintable(off.join(QStringLiteral("; "))));
        QVERIFY(!data_->summary_label()->text().contains(QStringLiteral("Flight time")));
        press(Id::stop_button);
        QVERIFY(data_->summary_label()->text().startsWith(QStringLiteral("Flight time ")));
    }

    // Pausing and resuming change the pace's text and the button's, never the
    // controls' rows: the charts' span stays where it was.
    void pausing_moves_no_control() {
        fly(20);
        for (const int width : {460, 660, 900}) {
            data_->resize(width, 700);
            QTRY_COMPARE(data_->width(), width);
            QApplication::processEvents();
            const QRect span = data_->span_box()->geometry();
            const QRect pace = data_->pace_label()->geometry();
            for (int k = 0; k < 2; ++k) {
                QTest::keyClick(data_.get(), Qt::Key_Space);
                QApplication::processEvents();
                QCOMPARE(data_->span_box()->geometry(), span);
                QCOMPARE(data_->pace_label()->geometry(), pace);
            }
            QTest::keyClick(data_.get(), Qt::Key_BracketLeft);
            QTest::keyClick(data_.get(), Qt::Key_BracketLeft);
            QTest::keyClick(data_.get(), Qt::Key_BracketLeft);
            QTest::keyClick(data_.get(), Qt::Key_Space);
            QTRY_VERIFY(data_->pace_label()->text().startsWith("1/8"));
            QApplication::processEvents();
            QCOMPARE(data_->span_box()->geometry(), span);
            QTest::keyClick(data_.get(), Qt::Key_Space);
            for (int k = 0; k < 3; ++k) QTest::keyClick(data_.get(), Qt::Key_BracketRight);
        }
    }

    void nothing_to_save_before_a_flight() {
        QString error;
        QVERIFY(!data_->save_csv(file("empty.csv"), error));
        QVERIFY(error.contains("no flight"));
        QVERIFY(!data_->save_kml(file("empty.kml"), error));
        QVERIFY(!QFile::exists(file("empty.csv")));
    }
};

QTEST_MAIN(FlightDataWindowTest)
#include "flight_data_window_test.moc"
