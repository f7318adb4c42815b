// The real window, driven as a user drives it: mouse clicks on the widgets, keys
// typed into the boxes, real timer ticks. Runs under the offscreen platform.
#include "qt/main_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "platform/dir_text_files.h"
#include "platform/number_text.h"
#include "qt/read_out_text.h"

using soar::Id;
using soar::MainWindow;

namespace {

constexpr QRgb kSky = 0xFF7DA0E1;   // RGB(125, 160, 225)
constexpr QRgb kSea = 0xFF5A78F0;   // RGB(90, 120, 240)
constexpr QRgb kBack = 0xFF8080FF;  // RGB(128, 128, 255), the cleared picture

// Pixels of a picture that are neither sky, sea nor cleared background: the bird,
// tracks, wind figure.
int scene_pixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x] | 0xFF000000u;
            n += p != kSky && p != kSea && p != kBack;
        }
    }
    return n;
}

bool all_background(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) != kBack) return false;
    return true;
}

// A clock whose reading fails: a fault that no handler expects.
class BrokenClock final : public soar::Clock {
  public:
    float seconds_since_midnight() override { throw std::runtime_error("clock unavailable"); }
};

}  // namespace

// The helpers' failures end the test that called them.
#define FLY_UNTIL(ticks)                        \
    do {                                        \
        fly_until(ticks);                       \
        if (QTest::currentTestFailed()) return; \
    } while (false)
#define START_FLIGHT(pattern)                   \
    do {                                        \
        start_flight(pattern);                  \
        if (QTest::currentTestFailed()) return; \
    } while (false)

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> win_;

    MainWindow& win() { return *win_; }
    QWidget* w(Id id) { return win_->widget(id); }
    bool shown(Id id) { return w(id)->isVisible(); }
    QString text(Id id) {
        QWidget* x = w(id);
        if (auto* e = qobject_cast<QLineEdit*>(x)) return e->text();
        if (auto* l = qobject_cast<QLabel*>(x)) return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(x)) return b->text();
        return {};
    }
    bool checked(Id id) { return qobject_cast<QAbstractButton*>(w(id))->isChecked(); }
    // Text drawn in the last two pixel columns of a box's text area (compared
    // with the same box empty): a glyph that the box cuts off.
    static bool ink_at_right_edge(QLineEdit& edit) {
        const QImage shot = edit.grab().toImage();
        const QString text = edit.text();
        const int cursor = edit.cursorPosition();
        edit.setText(QString());
        const QImage empty = edit.grab().toImage();
        edit.setText(text);
        edit.setCursorPosition(cursor);
        const QRect area = soar::text_area(edit);
        for (int x = area.right() - 1; x <= area.right(); ++x)
            for (int y = area.top(); y <= area.bottom(); ++y)
                if (shot.pixel(x, y) != empty.pixel(x, y)) return true;
        return false;
    }
    // A click where a user clicks: on the round or square mark of an option or
    // check box, in the middle of anything else.
    void press(Id id) {
        QWidget* x = w(id);
        QVERIFY2(x->isVisible(), qPrintable(x->objectName() + " is not shown"));
        const bool mark = qobject_cast<QRadioButton*>(x) || qobject_cast<QCheckBox*>(x);
        QTest::mouseClick(x, Qt::LeftButton, {},
                          mark ? QPoint(7, x->height() / 2) : x->rect().center());
    }
    void open(std::unique_ptr<soar::Clock> clock = nullptr) {
        win_ = std::make_unique<MainWindow>(std::move(clock),
                                            std::make_unique<soar::MemoryTextFiles>());
        win_->start();
        win_->show();
        QVERIFY(QTest::qWaitForWindowExposed(win_.get()));
    }
    void start_flight(Id pattern) {
        press(pattern);
        press(Id::ok_button);
        QVERIFY(shown(Id::fly_button));
        press(Id::fly_button);
        QVERIFY(win().timer().isActive());
    }

    // Lets the timer tick until the flight has run `ticks` ticks; fails at once,
    // with the window's message, when the flight stops on its own.
    void fly_until(int64_t ticks) {
        QTRY_VERIFY_WITH_TIMEOUT(win().session().ticks() >= ticks || !win().timer().isActive(),
                                 60000);
        QVERIFY2(win().session().ticks() >= ticks,
                 qPrintable(win().message_box() ? win().message_box()->text()
                                                : QString("the flight stopped")));
    }

  private slots:
    void init() { open(); }
    void cleanup() { win_.reset(); }

    void default_texts_after_start_up_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        const soar::Window model = soar::make_window();
        const auto row = [&model](Id id, const char* text, bool visible) {
            QTest::newRow(std::string(soar::control(model, id).name).c_str())
                << static_cast<int>(id) << QString::fromUtf8(text) << visible;
        };
        row(Id::pitch_box, "2", true);
        row(Id::roll_box, "0", true);
        row(Id::yaw_box, "0", true);
        row(Id::time_box, "", true);
        row(Id::observer_y_box, "-3", false);
        row(Id::step_box, "1", false);
        row(Id::calc_box, "30", false);
        row(Id::bird_scale_box, "1", false);
        row(Id::roll_label, "Roll Rt.  deg", true);
        row(Id::title, "Albatross Dynamic Soaring Simulation", true);
        row(Id::fixed_option, "FIXED", true);
        row(Id::circle_zoom_option, "Zoom, U=0, D=0", true);
        row(Id::ground_track_box, "Ground Track", false);
        row(Id::ok_button, "OK", true);
        row(Id::fly_button, "FLY", false);
        row(Id::stop_button, "STOP", true);
    }
    void default_texts_after_start_up() {
        QFETCH(int, id);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        QCOMPARE(this->text(Id(id)), text);
        QCOMPARE(shown(Id(id)), visible);
    }

    void start_up_state() {
        QVERIFY(win().windowTitle().startsWith("SOARCALCULUS"));
        QVERIFY(checked(Id::fixed_option));
        for (Id id :
             {Id::upwind_option, Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option})
            QVERIFY(!checked(id));
        QVERIFY(checked(Id::ground_track_box));  // hidden, but checked
        QVERIFY(checked(Id::air_track_box));
        QVERIFY(!checked(Id::write_files_box));
        QVERIFY(!win().timer().isActive());
        QVERIFY(!w(Id::time_box)->isEnabled());
        QVERIFY(w(Id::roll_box)->isEnabled());
        QVERIFY(shown(Id::picture));
        // Sky over sea, the horizon across the middle of the picture.
        const QImage& image = win().picture().image();
        QCOMPARE(image.size(), win().rect_of(soar::designed_rect(Id::picture)).size());
        QCOMPARE(image.pixel(400, 10) | 0xFF000000u, kSky);
        QCOMPARE(image.pixel(400, image.height() - 10) | 0xFF000000u, kSea);
        QCOMPARE(scene_pixels(image), 0);
    }

    void designed_layout_places_every_control() {
        QVERIFY(
            QString::fromUtf8(soar::designed_layout().caption.data()).startsWith("SOARCALCULUS"));
        QCOMPARE(soar::designed_rect(Id::fly_button).left, 1320);
        QCOMPARE(soar::designed_rect(Id::fly_button).top, 8400);
        QCOMPARE(soar::designed_rect(Id::picture).width, 12500);
        QCOMPARE(soar::tab_order().size(), size_t(49));
        QCOMPARE(soar::tab_order().front(), Id::draw_button);
        QVERIFY(!win().session().flying());
    }

    void layout_fonts_and_colours() {
        const double k = win().pixels_per_twip();
        // Controls sit at the rectangles of the window description.
        QCOMPARE(w(Id::ok_button)->geometry(), win().rect_of({1320, 8040, 735, 255}));
        QCOMPARE(w(Id::time_box)->geometry(), win().rect_of({480, 8520, 615, 285}));
        if (qFuzzyCompare(k, 1.0 / 15.0)) {
            QCOMPARE(w(Id::ok_button)->geometry(), QRect(88, 536, 49, 17));
            QCOMPARE(w(Id::picture)->geometry(), QRect(176, 48, 833, 667));
        }
        // The whole picture box is inside the window.
        QVERIFY(win().rect().contains(w(Id::picture)->geometry()));

        QCOMPARE(win().font().pointSizeF(), 8.25);
        const QFont title = w(Id::title)->font();
        QVERIFY(title.italic());
        QCOMPARE(title.pointSizeF(), 14.25);
        const QString family = QFontInfo(title).family();
        QVERIFY2(family == "Arial" || family == "Liberation Sans", qPrintable(family));
        QVERIFY(w(Id::fixed_option)->font().bold());
        QVERIFY(w(Id::moving_label)->font().bold());
        QVERIFY(!w(Id::end_button)->font().bold());
        QVERIFY(!w(Id::title)->font().bold());

        // What the window looks like on screen.
        const QImage shot = win().grab().toImage();
        const auto px = [&](QPoint p) { return shot.pixel(p) | 0xFF000000u; };
        QCOMPARE(px(QPoint(3, 3)), qRgb(224, 224, 224));
        const QRect shape1 = win().shape(soar::Shape::fixed_frame)->geometry();
        QCOMPARE(px(QPoint(shape1.center().x(), shape1.top())), qRgb(0, 0, 192));
        QCOMPARE(px(QPoint(shape1.left(), shape1.center().y())), qRgb(0, 0, 192));
        const QRect shape2 = win().shape(soar::Shape::moving_frame)->geometry();
        QCOMPARE(px(QPoint(shape2.center().x(), shape2.bottom())), qRgb(0, 0, 192));
        QCOMPARE(px(win().shape(soar::Shape::zoom_handle)->geometry().center()),
                 qRgb(128, 128, 128));
        const QRect circle = win().shape(soar::Shape::zoom_ring)->geometry();
        QCOMPARE(px(QPoint(circle.center().x(), circle.top())), qRgb(0, 0, 0));
        QCOMPARE(px(QPoint(circle.left() + 1, circle.top() + 1)), qRgb(224, 224, 224));
        const QRect time = w(Id::time_box)->geometry();
        QCOMPARE(px(time.center() + QPoint(time.width() / 4, 0)), qRgb(255, 255, 255));
        int navy = 0;  // the title's text is drawn in dark blue
        const QRect label2 = w(Id::title)->geometry();
        for (int y = label2.top(); y <= label2.bottom(); ++y)
            for (int x = label2.left(); x <= label2.right(); ++x) {
                const QColor c = QColor::fromRgb(shot.pixel(x, y));
                navy += c.blue() > c.red() + 60 && c.red() == c.green();
            }
        QVERIFY2(navy > 50, qPrintable(QString::number(navy)));
        // The picture box shows the picture as drawn.
        QCOMPARE(shot.copy(w(Id::picture)->geometry()).convertToFormat(QImage::Format_RGB32),
                 win().picture().image());
    }

    void tab_order_is_the_windows_focus_order() {
        QApplication::setActiveWindow(&win());
        QVERIFY(QTest::qWaitForWindowActive(&win()));
        w(Id::end_button)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w(Id::end_button));
        // The controls a user can reach at start-up, in the window's focus order.
        const QStringList want = {
            "end_button",         "pitch_box",        "stop_button",      "zoom_in_button",
            "pan_left_button",    "pan_right_button", "pan_up_button",    "pan_down_button",
            "zoom_out_button",    "roll_box",         "yaw_box",          "ok_button",
            "downwind_option",    "fixed_option",     "crosswind_option", "upwind_option",
            "circle_zoom_option", "end_button"};
        QStringList got = {QApplication::focusWidget()->objectName()};
        for (int i = 1; i < want.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            got << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(got, want);
    }

    void ok_in_the_fixed_view_draws_the_bird_without_fly() {
        QCOMPARE(scene_pixels(win().picture().image()), 0);
        press(Id::ok_button);
        QVERIFY(scene_pixels(win().picture().image()) > 100);
        QVERIFY(!shown(Id::fly_button));
        QVERIFY(!win().timer().isActive());
        QCOMPARE(win().session().pose().attitude.pitch, 2.0f);
        // What the user sees is what was drawn.
        QTRY_COMPARE(w(Id::picture)->grab().toImage().convertToFormat(QImage::Format_RGB32),
                     win().picture().image());
    }

    void typed_attitude_reaches_the_picture() {
        auto* roll = qobject_cast<QLineEdit*>(w(Id::roll_box));
        QTest::mouseClick(roll, Qt::LeftButton);
        roll->selectAll();
        QTest::keyClicks(roll, "20");
        QCOMPARE(roll->text(), QString("20"));
        QCOMPARE(soar::text(win().shown(), Id::roll_box), std::string("20"));
        // Typing in the middle of a box leaves the cursor where the user types.
        auto* pitch = qobject_cast<QLineEdit*>(w(Id::pitch_box));
        QTest::mouseClick(pitch, Qt::LeftButton);
        pitch->setCursorPosition(0);
        QTest::keyClicks(pitch, "1");
        QCOMPARE(pitch->text(), QString("12"));
        QCOMPARE(pitch->cursorPosition(), 1);
        press(Id::ok_button);
        QCOMPARE(win().session().pose().attitude.roll, -20.0f);
        QCOMPARE(win().session().pose().attitude.pitch, 12.0f);
    }

    void clicking_upwind_then_ok_shows_fly() {
        press(Id::ok_button);  // a bird in the fixed view first
        press(Id::upwind_option);
        QVERIFY(checked(Id::upwind_option));
        QVERIFY(!checked(Id::fixed_option));
        QVERIFY(!shown(Id::fixed_option));
        QVERIFY(shown(Id::ground_track_box) && checked(Id::ground_track_box));
        QVERIFY(shown(Id::air_track_box) && checked(Id::air_track_box));
        QVERIFY(!shown(Id::pan_left_button));
        QVERIFY(!shown(Id::pan_right_button));
        QVERIFY(!shown(Id::fly_button));
        QVERIFY(all_background(win().picture().image()));  // the choice clears the picture

        press(Id::ok_button);
        QVERIFY(shown(Id::fly_button));
        QVERIFY(!win().timer().isActive());
        QCOMPARE(win().session().ticks(), int64_t{0});
        QCOMPARE(text(Id::observer_x_box), QString("-50"));
        QCOMPARE(text(Id::observer_y_box), QString("-50"));
        QCOMPARE(text(Id::observer_z_box), QString("50"));
    }

    void options_and_check_boxes_follow_the_model() {
        press(Id::fixed_option);  // already selected: stays selected
        QVERIFY(checked(Id::fixed_option));
        QVERIFY(soar::selected(win().shown(), Id::fixed_option));

        press(Id::crosswind_option);
        press(Id::ok_button);
        QVERIFY(shown(Id::fly_button));
        press(Id::air_track_box);
        QVERIFY(!checked(Id::air_track_box));
        QCOMPARE(soar::control(win().shown(), Id::air_track_box).value, 0);
        QVERIFY(!shown(Id::fly_button));  // a track box choice needs a new "OK"
        press(Id::air_track_box);
        QVERIFY(checked(Id::air_track_box));
        press(Id::downwind_option);
        QVERIFY(checked(Id::downwind_option));
        QVERIFY(!checked(Id::crosswind_option));
    }

    void fly_hides_the_other_choices_and_stop_twice() {
        START_FLIGHT(Id::upwind_option);
        QCOMPARE(win().timer().interval(), 1);
        QCOMPARE(win().timer().timerType(), Qt::PreciseTimer);
        QVERIFY(shown(Id::upwind_option));
        for (Id id : {Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option,
                      Id::fixed_option, Id::ground_track_box, Id::air_track_box})
            QVERIFY(!shown(id));
        QVERIFY(shown(Id::stop_button));
        QVERIFY(shown(Id::fly_button));
        FLY_UNTIL(5);

        press(Id::stop_button);
        QVERIFY(!win().timer().isActive());
        QVERIFY(!shown(Id::fly_button));
        for (Id id :
             {Id::upwind_option, Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option})
            QVERIFY(shown(id));
        const auto n = win().session().ticks();
        const QImage picture = win().picture().image().copy();
        const QString time = text(Id::time_box);
        QTest::qWait(50);
        QCOMPARE(win().session().ticks(), n);

        press(Id::stop_button);  // changes nothing more
        QTest::qWait(50);
        QVERIFY(!win().timer().isActive());
        QVERIFY(!shown(Id::fly_button));
        QVERIFY(shown(Id::stop_button));
        QCOMPARE(win().session().ticks(), n);
        QCOMPARE(text(Id::time_box), time);
        QCOMPARE(win().picture().image(), picture);
    }

    void zoom_and_pan_in_the_fixed_view() {
        press(Id::ok_button);
        QImage before = win().picture().image().copy();
        press(Id::zoom_in_button);
        QCOMPARE(win().session().camera().zoom_deg, 40.5f);
        QVERIFY(win().picture().image() != before);  // redrawn at once
        press(Id::zoom_out_button);
        QCOMPARE(win().session().camera().zoom_deg, float(double(40.5f) * 1.1));

        before = win().picture().image().copy();
        press(Id::pan_up_button);
        QCOMPARE(text(Id::pitch_box), QString("7"));
        QVERIFY(win().picture().image() != before);
        press(Id::pan_down_button);
        press(Id::pan_down_button);
        QCOMPARE(text(Id::pitch_box), QString("-3"));

        press(Id::pan_left_button);  // roll 0: "<" turns the yaw read-out by +10
        QCOMPARE(text(Id::yaw_box), QString("10"));
        press(Id::pan_right_button);
        press(Id::pan_right_button);
        QCOMPARE(text(Id::yaw_box), QString("-10"));
        QVERIFY(scene_pixels(win().picture().image()) > 100);  // the bird, turned
    }

    void reset_restores_the_fixed_view_defaults() {
        // "RESET" is hidden in the window; a developer shows it through the model.
        START_FLIGHT(Id::upwind_option);
        fly_until(20);
        press(Id::stop_button);
        soar::show(win().shown(), Id::reset_button);
        win().refresh();
        press(Id::reset_button);
        QCOMPARE(text(Id::pitch_box), QString("0"));
        QCOMPARE(text(Id::roll_box), QString("57"));
        QCOMPARE(text(Id::yaw_box), QString("-90"));
        QVERIFY(shown(Id::fixed_option));
        QVERIFY(shown(Id::air_track_box));
        QVERIFY(!shown(Id::pan_left_button));  // left and right pan stay hidden
        QCOMPARE(win().session().ticks(), int64_t(0));
        QCOMPARE(win().session().pose().attitude.roll, -57.0f);
        QCOMPARE(win().session().pose().attitude.yaw, 90.0f);
        QVERIFY(scene_pixels(win().picture().image()) > 100);  // the bird, drawn again
    }

    void zoom_and_pan_in_a_moving_view() {
        press(Id::upwind_option);
        press(Id::ok_button);
        const QImage before = win().picture().image().copy();
        for (int i = 0; i < 3; ++i) press(Id::zoom_in_button);
        QVERIFY(std::fabs(win().session().camera().dx_follow - (-5.0 * 0.95 * 0.95 * 0.95)) < 1e-5);
        QCOMPARE(win().session().camera().zoom_deg, 45.0f);
        press(Id::pan_up_button);
        QVERIFY(std::fabs(win().session().camera().dz_follow - 2.0 * 0.95 * 0.95 * 0.95 * 1.1) <
                1e-5);
        QCOMPARE(text(Id::pitch_box), QString("2"));  // the bird is not turned
        QCOMPARE(win().picture().image(), before);    // nothing redrawn before a tick
        QVERIFY(!shown(Id::pan_left_button));

        // The flight follows the bird from the new displacement.
        press(Id::fly_button);
        FLY_UNTIL(3);
        press(Id::stop_button);
        const soar::FlightState& s = win().state();
        const soar::Camera& c = win().session().camera();
        QVERIFY(std::fabs((c.x_eye - s.X) - c.dx_follow) < 1e-3);
        QVERIFY(std::fabs((c.z_eye - s.Z) - c.dz_follow) < 1e-3);
    }

    void a_flight_of_real_ticks_data() {
        QTest::addColumn<int>("pattern");
        QTest::newRow("upwind") << static_cast<int>(Id::upwind_option);
        QTest::newRow("downwind") << static_cast<int>(Id::downwind_option);
        QTest::newRow("crosswind") << static_cast<int>(Id::crosswind_option);
        QTest::newRow("zoom, no wind") << static_cast<int>(Id::circle_zoom_option);
    }
    void a_flight_of_real_ticks() {
        QFETCH(int, pattern);
        START_FLIGHT(Id(pattern));
        FLY_UNTIL(150);
        const double t1 = text(Id::time_box).toDouble();
        FLY_UNTIL(300);
        press(Id::stop_button);
        // The read-outs show the flight as it stands.
        bool ok = false;
        const double t2 = text(Id::time_box).toDouble(&ok);
        QVERIFY(ok);
        QVERIFY2(t2 > t1 && t1 >= 0, qPrintable(QString("%1 then %2").arg(t1).arg(t2)));
        QCOMPARE(soar::text(win().shown(), Id::time_box), soar::float_text(win().state().t));
        QCOMPARE(soar::text(win().shown(), Id::roll_box), soar::float_text(win().state().mu_deg));
        // The boxes show the same numbers, rounded to the digits that fit.
        QVERIFY(std::fabs(t2 - win().state().t) <= 0.005 * std::fabs(win().state().t));
        const double roll = text(Id::roll_box).toDouble(&ok);
        QVERIFY(ok);
        QVERIFY2(std::fabs(roll - win().state().mu_deg) <= 0.005 * std::fabs(win().state().mu_deg),
                 qPrintable(text(Id::roll_box)));
        text(Id::pitch_box).toDouble(&ok);
        QVERIFY(ok);
        QVERIFY(std::isfinite(win().state().V) && win().state().V > 0);
        // The picture holds the scene of the last tick, and the window shows it.
        QVERIFY(scene_pixels(win().picture().image()) > 100);
        QTRY_COMPARE(w(Id::picture)->grab().toImage().convertToFormat(QImage::Format_RGB32),
                     win().picture().image());
    }

    // OK while the timer runs stops the flight first; without that the next
    // tick stepped over the whole flight time and stopped with a false stall.
    void ok_during_a_flight_stops_it_and_fly_starts_the_new_one() {
        START_FLIGHT(Id::upwind_option);
        FLY_UNTIL(20);
        press(Id::ok_button);
        QVERIFY(!win().timer().isActive());
        QVERIFY(!win().message_box());  // a stop the user asked for: no message
        QVERIFY(shown(Id::fly_button));
        QCOMPARE(win().session().ticks(), int64_t{0});
        QTest::qWait(30);
        QCOMPARE(win().session().ticks(), int64_t{0});
        press(Id::fly_button);
        FLY_UNTIL(100);
        QVERIFY(win().state().t >= 0.0f && win().state().t < 30.0f);
        QVERIFY(!win().message_box());
    }

    // A typed value is checked when it is applied (Return, leaving the box,
    // OK), not key by key: "1e39" is refused at Return with the box's name,
    // and the box goes back to what it held; "1e3" applied by OK stands.
    void a_typed_value_beyond_the_float_range_is_refused() {
        press(Id::ok_button);
        auto* pitch = qobject_cast<QLineEdit*>(w(Id::pitch_box));
        const QString before = pitch->text();
        QTest::mouseClick(pitch, Qt::LeftButton);
        pitch->selectAll();
        QTest::keyClicks(pitch, "1e39");
        QCOMPARE(pitch->text(), QString("1e39"));  // nothing breaks into the typing
        QVERIFY(!win().message_box() || !win().message_box()->isVisible());
        QTest::keyClick(pitch, Qt::Key_Return);
        QTRY_VERIFY(win().message_box() && win().message_box()->isVisible());
        QVERIFY(win().message_box()->text().contains("\"Pitch up deg\""));
        QCOMPARE(pitch->text(), before);
        QCOMPARE(soar::text(win().shown(), Id::pitch_box), before.toStdString());
        win().message_box()->accept();
        QTRY_VERIFY(!win().message_box() || !win().message_box()->isVisible());

        QTest::mouseClick(pitch, Qt::LeftButton);
        pitch->selectAll();
        QTest::keyClicks(pitch, "1e3");
        press(Id::ok_button);
        QCOMPARE(win().session().pose().attitude.pitch, 1000.0f);
        QVERIFY(scene_pixels(win().picture().image()) > 100);  // the bird is still drawn

        // The window closed while a box holds an unfinished edit: nothing is applied.
        pitch->setFocus();
        pitch->selectAll();
        QTest::keyClicks(pitch, "1e39");
        win_.reset();
    }

    void read_outs_fit_their_boxes_data() {
        QTest::addColumn<float>("value");
        QTest::newRow("flight time") << 2.976562f;
        QTest::newRow("seven digits") << 679.5999f;
        QTest::newRow("bank") << -57.90412f;
        QTest::newRow("yaw") << -107.0234f;
        QTest::newRow("short") << -87.5f;
        QTest::newRow("large") << 1234567.0f;
        QTest::newRow("largest negative") << -3.402823e38f;
        QTest::newRow("tiny") << 1.234567e-5f;
        QTest::newRow("tiniest negative") << -1.175494e-38f;
        QTest::newRow("small negative") << -0.0001234567f;
        QTest::newRow("zero") << 0.0f;
    }
    void read_outs_fit_their_boxes() {
        QFETCH(float, value);
        const std::string full = soar::float_text(value);
        for (Id id : {Id::time_box, Id::roll_box, Id::pitch_box, Id::yaw_box}) {
            soar::set_text(win().shown(), id, full);
            win().refresh();
            auto* edit = qobject_cast<QLineEdit*>(w(id));
            const QString shown = edit->text();
            QVERIFY2(soar::fits_in(shown, edit->fontMetrics(), soar::text_room(*edit)),
                     qPrintable(shown));
            QVERIFY2(!ink_at_right_edge(*edit), qPrintable(shown));
            // The model keeps every digit; the box shows the number rounded.
            QCOMPARE(soar::text(win().shown(), id), full);
            if (shown.count('#') == shown.size()) {
                // Not even one digit fits: marks, with the number in the tool tip.
                QVERIFY(!shown.isEmpty());
                QCOMPARE(edit->toolTip(), QString::fromStdString(full));
                continue;
            }
            int digits = 0;
            for (QChar c : shown.left(shown.indexOf('E') < 0 ? shown.size() : shown.indexOf('E')))
                digits += c.isDigit();
            QVERIFY2(digits >= 1 && digits <= 7, qPrintable(shown));
            const double back = soar::text_value(shown.toStdString());
            const double unit =
                value == 0 ? 0 : std::pow(10.0, std::floor(std::log10(std::fabs(value))));
            QVERIFY2(std::fabs(back - value) <= 0.5 * unit * std::pow(10.0, 1 - digits) * 1.0001,
                     qPrintable(shown));
            if (shown != QString::fromStdString(full)) {
                QVERIFY(!soar::fits_in(QString::fromStdString(full), edit->fontMetrics(),
                                       soar::text_room(*edit)));
                QCOMPARE(edit->toolTip(), QString::fromStdString(full));
            }
            // A typical read-out keeps four significant digits in a box of the
            // window's size.
            if (std::fabs(value) > 1 && std::fabs(value) < 1000)
                QVERIFY2(std::fabs(back - value) <= 0.5 * unit * 1e-3, qPrintable(shown));
        }
    }

    // The pixel check above, shown to catch a cut glyph: the whole seven digits
    // of a flight time reach the right edge of the box's text area.
    void a_too_long_number_reaches_the_box_edge() {
        auto* edit = qobject_cast<QLineEdit*>(w(Id::time_box));
        edit->setText("2.976562");
        edit->setCursorPosition(0);
        QVERIFY(ink_at_right_edge(*edit));
    }

    void messages_are_shown_and_cleared() {
        win().shown().message = "first";
        win().refresh();
        QVERIFY(win().shown().message.empty());
        QVERIFY(win().message_box() != nullptr);
        QTRY_VERIFY(win().message_box()->isVisible());
        QCOMPARE(win().message_box()->text(), QString("first"));
        // Its one button is "Close": a message that tells the user to press the
        // window's "OK" is not read as being about the box's own button.
        const auto buttons = win().message_box()->buttons();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.front()->text().remove('&'), QString("Close"));
        win().shown().message = "second";
        win().refresh();
        QVERIFY(win().message_box()->text().contains("first"));
        QVERIFY(win().message_box()->text().contains("second"));
        win().message_box()->accept();
        QTRY_VERIFY(!win().message_box() || !win().message_box()->isVisible());
        press(Id::ok_button);  // the window still answers
        QVERIFY(scene_pixels(win().picture().image()) > 100);
    }

    // A fault that escapes a handler stops the flight and is reported; the
    // program keeps running.
    void a_fault_in_a_handler_is_reported() {
        open(std::make_unique<BrokenClock>());
        press(Id::upwind_option);
        press(Id::ok_button);
        press(Id::fly_button);  // reads the clock
        QVERIFY(!win().timer().isActive());
        QVERIFY(!win().session().flying());
        QTRY_VERIFY(win().message_box() && win().message_box()->isVisible());
        QVERIFY(win().message_box()->text().contains("clock unavailable"));
        QVERIFY(win().isVisible());
    }

    // The window held up between two ticks (a save, a stopped process): the
    // flight pauses over the gap and says so, and flies on from there.
    void a_held_up_window_pauses_the_flight() {
        auto owned = std::make_unique<soar::ManualClock>(40000.0f);
        soar::ManualClock& clock = *owned;
        open(std::move(owned));
        START_FLIGHT(Id::circle_zoom_option);
        for (int k = 0; k < 50; ++k) {
            clock.set(float(40000.0 + 0.01 * k));
            win().tick_once();
        }
        const float t = win().state().t;
        clock.set(float(40000.0 + 0.49 + 5.3));
        win().tick_once();
        QCOMPARE(win().state().t, t);
        QVERIFY2(win().last_notice().contains("held up for 5.3 s"),
                 qPrintable(win().last_notice()));
        QVERIFY(win().timer().isActive());
        clock.set(float(40000.0 + 0.50 + 5.3));
        win().tick_once();
        QVERIFY(std::fabs(win().state().t - (t + 0.01f)) < 0.005);  // the clock steps 3.9 ms here
    }

    void end_closes_at_once() {
        QSignalSpy ended(&win(), &MainWindow::ended);
        START_FLIGHT(Id::crosswind_option);
        FLY_UNTIL(3);
        press(Id::end_button);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!win().isVisible());
        QVERIFY(!win().timer().isActive());
        const auto n = win().session().ticks();
        QTest::qWait(50);
        QCOMPARE(win().session().ticks(), n);
        QCOMPARE(ended.count(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
