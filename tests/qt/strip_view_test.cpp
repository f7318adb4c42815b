// The Flight data charts as a slide shows them: their numbers never a signed
// zero, their value axes labelled at whole ticks. Offscreen platform.
#include "qt/strip_view.h"

#include <QFile>
#include <QGraphicsTextItem>
#include <QTemporaryDir>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include "open_windows.h"
#include "qt/read_out_text.h"

namespace {

// The texts a chart shows on the screen: axis labels and titles.
QStringList shown_texts(QGraphicsScene& scene) {
    QStringList out;
    for (QGraphicsItem* item : scene.items())
        if (auto* text = qgraphicsitem_cast<QGraphicsTextItem*>(item); text && text->isVisible())
            out << text->toPlainText();
    return out;
}

// A number that rounds to zero written with a sign: "-0", "-0.0", "-0.000".
const QRegularExpression kSignedZero(QStringLiteral("(^|[^0-9.])-0(\\.0+)?($|[^0-9.])"));

}  // namespace

class StripViewTest : public QObject {
    Q_OBJECT

  private slots:
    // A value that rounds to zero is shown as zero, whatever its sign; one that
    // rounds to a digit keeps its sign.
    void a_zero_is_shown_without_a_sign() {
        QCOMPARE(soar::fixed_text(-0.04, 1), QStringLiteral("0.0"));
        QCOMPARE(soar::fixed_text(-0.0, 2), QStringLiteral("0.00"));
        QCOMPARE(soar::fixed_text(-0.4, 0), QStringLiteral("0"));
        QCOMPARE(soar::fixed_text(-2.7e-17, 3), QStringLiteral("0.000"));
        QCOMPARE(soar::fixed_text(-0.06, 1), QStringLiteral("-0.1"));
        QCOMPARE(soar::fixed_text(-0.6, 0), QStringLiteral("-1"));
        QCOMPARE(soar::fixed_text(-10.04, 1), QStringLiteral("-10.0"));
        QCOMPARE(soar::fixed_text(0.004, 2), QStringLiteral("0.00"));
    }

    // An axis from -0.4 to 0.4 in steps of 0.1 (as value_axis chooses one for
    // a line about zero): Qt's own labels add 0.1 to the label before and
    // print the rounding error below zero as "-0.0"; the labels here are the
    // multiples of the step, zero unsigned, each at its value.
    void a_value_axis_across_zero_is_labelled_at_its_whole_ticks() {
        auto* chart = new QChart;
        chart->setAnimationOptions(QChart::NoAnimation);
        auto* x = new QValueAxis;
        auto* y = new QCategoryAxis;
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        auto* line = new QLineSeries;
        for (int k = 0; k <= 80; ++k) line->append(k, -0.4 + 0.01 * k);
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        x->setLabelFormat(QStringLiteral("%.0f"));
        x->setRange(0, 80);
        y->setRange(-0.4, 0.4);
        soar::label_value_axis(*y, {-0.4, 0.4, 0.1}, 1);
        soar::StripView view(chart, nullptr);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QStringList want = {"-0.4", "-0.3", "-0.2", "-0.1", "0.0",
                                  "0.1",  "0.2",  "0.3",  "0.4"};
        QCOMPARE(y->categoriesLabels(), want);
        QTRY_VERIFY(shown_texts(*chart->scene()).contains(QStringLiteral("0.0")));
        const QStringList shown = shown_texts(*chart->scene());
        for (const QString& label : want) QVERIFY2(shown.contains(label), qPrintable(label));
        QVERIFY2(!shown.contains(QStringLiteral("-0.0")), qPrintable(shown.join(' ')));
        // Each label stands at its own value: "0.0" level with the line's zero.
        const double zero_y = chart->mapToPosition(QPointF(40.0, 0.0), line).y();
        int zeros = 0;
        for (QGraphicsItem* item : chart->scene()->items())
            if (auto* t = qgraphicsitem_cast<QGraphicsTextItem*>(item);
                t && t->isVisible() && t->toPlainText() == QStringLiteral("0.0")) {
                ++zeros;
                QVERIFY(std::fabs(t->sceneBoundingRect().center().y() - zero_y) < 4.0);
            }
        QCOMPARE(zeros, 1);

        // A new range takes the old labels away.
        y->setRange(10.0, 30.0);
        soar::label_value_axis(*y, {10.0, 30.0, 5.0}, 0);
        QCOMPARE(y->categoriesLabels(), QStringList({"10", "15", "20", "25", "30"}));
    }

    // An upwind flight looked back at the moments its bank and its flight
    // path cross zero: a bank of -0.03 deg is shown as 0.0 deg, as a chart's
    // pointer text shows -0.0004 as 0.000; no read-out, axis label or pointer
    // text of the Flight data window shows a signed zero, nor a lone "-".
    void the_flight_data_window_never_shows_a_signed_zero() {
        ManualFlight flight;
        QVERIFY(flight.open());
        soar::MainWindow& main = flight.main;
        soar::FlightDataWindow& data = flight.data;
        flight.fly_upwind(1500);
        QTest::mouseClick(main.widget(soar::Id::stop_button), Qt::LeftButton);
        // The moments just below zero, one decimal: bank, flight path.
        const soar::FlightHistory& h = main.session().record().history;
        std::vector<double> moments;
        for (soar::Column c : {soar::Column::mu_deg, soar::Column::gam_deg})
            for (size_t i = 1; i < h.size(); ++i)
                if (const float v = h.at(c, i); v < 0.0f && v > -0.05f) {
                    moments.push_back(h.at(soar::Column::t, i));
                    break;
                }
        QVERIFY(!moments.empty());
        QStringList texts;
        for (const double t : moments) {
            main.look_at_time(t);
            data.update_now();
            for (const char* name : {"Bank", "Flight path", "Heading", "dE/dt",
                                     "from the wind gradient", "taken by drag"})
                texts << data.readout(QString::fromLatin1(name))->text();
        }
        QVERIFY(texts.contains(QStringLiteral("0.0 deg")));
        for (auto* view : data.charts()->findChildren<soar::StripView*>()) {
            QApplication::processEvents();
            texts << shown_texts(*view->chart()->scene());
            const QRectF plot = view->chart()->plotArea();
            for (double f = 0.02; f < 1.0; f += 0.04) {
                const QPoint at = view->mapFromScene(view->chart()->mapToScene(
                    QPointF(plot.left() + f * plot.width(), plot.center().y())));
                QTest::mouseMove(view->viewport(), at);
                texts << view->hover_text();
            }
        }
        for (const QString& t : texts) QVERIFY2(!kSignedZero.match(t).hasMatch(), qPrintable(t));
        // Nor a lone sign as the title of an axis of ratios (Nz, CL).
        QVERIFY(!texts.contains(QStringLiteral("-")));
    }

    // A moment looked at, then a stretch dragged across a chart that leaves it
    // out: no chart keeps a piece of the old cursor line on the screen.
    void a_zoom_leaves_no_cursor_behind() {
        ManualFlight flight;
        QVERIFY(flight.open());
        flight.data.resize(700, 900);
        flight.fly_upwind(1500);  // to 29.98 s
        flight.press(soar::Id::stop_button);
        flight.main.look_at_time(25.0);
        flight.data.update_now();
        const QList<soar::StripView*> views =
            flight.data.charts()->findChildren<soar::StripView*>();
        QCOMPARE(views.size(), 6);
        // The cursor's red pixels in the view as the screen shows it.
        const auto red = [](const soar::StripView* view) {
            const QPoint at = view->mapTo(view->window(), QPoint());
            const QImage img = view->screen()
                                   ->grabWindow(view->window()->winId(), at.x(), at.y(),
                                                view->width(), view->height())
                                   .toImage();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == qRgb(220, 30, 30);
            return n;
        };
        for (const soar::StripView* view : views) QTRY_VERIFY(red(view) > 20);
        QWidget* first = views[0]->viewport();
        const QPoint from = views[0]->point_at(2.0), to = views[0]->point_at(10.0);
        QTest::mousePress(first, Qt::LeftButton, {}, from);
        QTest::mouseMove(first, (from + to) / 2);
        QTest::mouseMove(first, to);
        QTest::mouseRelease(first, Qt::LeftButton, {}, to);
        QVERIFY(flight.data.zoomed());
        QVERIFY(flight.data.time_range().hi < 25.0);
        for (const soar::StripView* view : views) QTRY_COMPARE(red(view), 0);
    }

    // Saved as SVG for a slide, the charts show exactly the time chosen, from
    // and to whole seconds (the live axis runs a step beyond the span), in a
    // drawing of whole pixels; the window's charts are as they were after.
    void charts_for_a_slide_show_the_time_chosen_in_whole_pixels() {
        ManualFlight flight;
        QVERIFY(flight.open());
        soar::FlightDataWindow& data = flight.data;
        flight.fly_upwind(2000);              // to 39.98 s
        data.span_box()->setCurrentIndex(0);  // the last 30 s
        data.update_now();
        const soar::AxisRange live = data.time_range();
        QVERIFY(live.hi - live.lo > 30.0);
        auto* first = data.charts()->findChildren<soar::StripView*>().value(0);
        QVERIFY(first);
        auto* x = qobject_cast<QValueAxis*>(first->chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(x);
        QList<QPair<double, double>> drawn;
        connect(x, &QValueAxis::rangeChanged, this, [&drawn](qreal lo, qreal hi) {
            drawn.append({lo, hi});
        });
        QTemporaryDir dir;
        QString error;
        QVERIFY2(data.save_charts(dir.filePath("c.svg"), error), qPrintable(error));
        QVERIFY(drawn.contains(QPair<double, double>(10.0, 40.0)));
        QCOMPARE(data.time_range(), live);
        QCOMPARE(x->min(), live.lo);
        QCOMPARE(x->max(), live.hi);
        QFile f(dir.filePath("c.svg"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray svg = f.readAll();
        const QByteArray size = QStringLiteral("<svg width=\"%1\" height=\"%2\"")
                                    .arg(data.charts()->width())
                                    .arg(data.charts()->height())
                                    .toUtf8();
        QVERIFY2(svg.contains(size), svg.left(200).constData());
        QVERIFY(svg.contains("viewBox="));
        // The units' titles whole, in no clip (one cut "deg" to "deq").
        QVERIFY(svg.contains(">deg</text>"));
        QVERIFY(!svg.contains("clip-path"));
        // The lines go straight from sample to sample: of the short strokes
        // (the grid's are long) few are level or upright, as a staircase's all are.
        static const QRegularExpression stroke(
            QStringLiteral("points=\"([-0-9.e]+),([-0-9.e]+) ([-0-9.e]+),([-0-9.e]+) ?\""));
        int strokes = 0, square = 0;
        for (auto m = stroke.globalMatch(QString::fromUtf8(svg)); m.hasNext();) {
            const auto p = m.next();
            const double dx = p.captured(3).toDouble() - p.captured(1).toDouble();
            const double dy = p.captured(4).toDouble() - p.captured(2).toDouble();
            if (std::fabs(dx) + std::fabs(dy) >= 20.0) continue;
            ++strokes;
            square += dx == 0.0 || dy == 0.0;
        }
        QVERIFY2(strokes > 500 && square < strokes / 4,
                 qPrintable(QStringLiteral("%1 of %2").arg(square).arg(strokes)));

        // A zoomed stretch, rounded out to whole seconds.
        data.zoom_time(12.3, 27.6);
        data.update_now();
        drawn.clear();
        QVERIFY2(data.save_charts(dir.filePath("z.svg"), error), qPrintable(error));
        QVERIFY(drawn.contains(QPair<double, double>(12.0, 28.0)));
        QCOMPARE(x->min(), data.time_range().lo);
        QVERIFY(data.zoomed());
    }
};

QTEST_MAIN(StripViewTest)
#include "strip_view_test.moc"
