// The time slider's handle dragged with the mouse through a stopped flight:
// each move of the pointer, before the button is let go, shows its moment in
// the picture, the time box, the moment's label and Flight data's readout_text-outs.
// Offscreen platform.
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

#include "open_windows.h"

using soar::Id;

class TimeSliderTest : public QObject {
    Q_OBJECT

  private slots:
    void dragging_the_handle_shows_each_moment_on_the_way() {
        ManualFlight f;
        QVERIFY(f.open());
        f.fly_upwind(600);
        f.press(Id::stop_button);
        QSlider* slider = f.main.time_slider();
        QVERIFY(slider->isEnabled());

        QStyleOptionSlider opt;
        opt.initFrom(slider);
        opt.orientation = slider->orientation();
        opt.minimum = slider->minimum();
        opt.maximum = slider->maximum();
        opt.sliderPosition = opt.sliderValue = slider->value();
        const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &opt,
                                                             QStyle::SC_SliderHandle, slider);
        QVERIFY(handle.isValid());
        QPoint at = handle.center();
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        QVERIFY(slider->isSliderDown());

        const auto* time_box = static_cast<QLineEdit*>(f.main.widget(Id::time_box));
        QLabel* flight_time = f.data.readout(QStringLiteral("Flight time"));
        QVERIFY(flight_time);
        int64_t before = f.main.session().looked_at();
        QImage picture = f.main.picture().image().copy();
        QString label = f.main.moment_label()->text(), box = time_box->text(),
                readout_text = flight_time->text();
        for (int step = 1; step <= 4; ++step) {
            at.rx() -= slider->width() / 6;
            QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(slider, &move);
            QVERIFY(slider->isSliderDown());
            // The tick at the handle's time, shown now, before any release.
            const int64_t tick = f.main.session().looked_at();
            QVERIFY2(
                tick > 0 && (before == 0 || tick < before),
                qPrintable(
                    QStringLiteral("step %1: tick %2 after %3").arg(step).arg(tick).arg(before)));
            QCOMPARE(tick, f.main.session().tick_at_time((slider->value() + 0.5) / 1000.0));
            QTRY_VERIFY(f.main.picture().image() != picture);
            QVERIFY(f.main.moment_label()->text() != label);
            QVERIFY(time_box->text() != box);
            QTRY_VERIFY(flight_time->text() != readout_text);
            for (int c = 0; c < f.data.chart_count(); ++c)
                QCOMPARE(f.data.strip_view(c)->cursor_time(), f.main.session().time_of_tick(tick));
            before = tick;
            picture = f.main.picture().image().copy();
            label = f.main.moment_label()->text();
            box = time_box->text();
            readout_text = flight_time->text();
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
        QVERIFY(!slider->isSliderDown());
        QCOMPARE(f.main.session().looked_at(), before);
        QCOMPARE(f.main.picture().image(), picture);
    }
};

QTEST_MAIN(TimeSliderTest)
#include "time_slider_test.moc"
