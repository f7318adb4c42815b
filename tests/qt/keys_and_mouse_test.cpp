// The window without the mouse and with it: the Fly menu's keys, P, the
// controls' Alt keys, Tab in reading order and in the form's own order with
// Return and Space pressing what Tab reached, the wheel and drags over the
// picture, a click on the slider's trough; the attitude boxes refusing what is
// not a number or too many turns; the end of the program waiting for a video
// being recorded; colours, arrows and the focus order remembered.
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "open_windows.h"
#include "platform/dir_text_files.h"
#include "qt/control_tips.h"
#include "qt/help_window.h"
#include "qt/lecture_tools.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/program_window.h"
#include "qt/remembered_settings.h"

using soar::Id;
using soar::MainWindow;

#define NEAR(got, want) \
    QVERIFY2(std::fabs((got) - (want)) < 0.01f, qPrintable(QString::number(got)))

namespace {

// An encoder that holds every frame until it is let go, then writes a file.
class HeldEncoder final : public soar::VideoEncoder {
  public:
    HeldEncoder(std::string path, const std::atomic<bool>& go) : path_(std::move(path)), go_(go) {}
    bool add(const uint32_t*, int, std::string&) override {
        while (!go_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++frames_;
        return true;
    }
    bool finish(std::string&) override {
        QFile f(QString::fromStdString(path_));
        return f.open(QIODevice::WriteOnly) && f.write("video") == 5;
    }
    int64_t frames() const override { return frames_; }

  private:
    std::string path_;
    const std::atomic<bool>& go_;
    int64_t frames_ = 0;
};

// The program's window with a flight whose video is being recorded, held.
struct Recording {
    std::atomic<bool> go{false};
    MainWindow* form = nullptr;
    soar::FlightDataWindow* data = nullptr;
    std::unique_ptr<soar::ProgramWindow> program;
    soar::LectureTools& tools() { return *data->lecture_tools(); }

    bool start(const QString& path) {
        form = new MainWindow;
        form->start();
        program = std::make_unique<soar::ProgramWindow>(form);
        data = new soar::FlightDataWindow(form->run());
        program->dock(data, new soar::ParamsDialog(form->run()), data->optimal_loop());
        program->show();
        if (!QTest::qWaitForWindowExposed(program.get())) return false;
        tools().set_video_opener(
            [this](const std::string& p, const soar::VideoFormat&, std::string&) {
                return std::make_unique<HeldEncoder>(p, go);
            });
        QTest::mouseClick(form->widget(Id::upwind_option), Qt::LeftButton);
        QTest::mouseClick(form->widget(Id::ok_button), Qt::LeftButton);
        QTest::mouseClick(form->widget(Id::fly_button), Qt::LeftButton);
        if (!QTest::qWaitFor([this] { return form->session().ticks() > 10; })) return false;
        QString error;
        return tools().start_video(path, soar::VideoRequest{0.0, 0.1, 30, 64, 48}, error);
    }
    ~Recording() {
        go = true;
        program.reset();
    }
};

}  // namespace

class KeysAndMouseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> win_;
    std::unique_ptr<soar::FlightDataWindow> data_;  // Space and the pace keys are its
    QTemporaryDir dir_;

    QWidget* w(Id id) { return win_->widget(id); }
    bool checked(Id id) { return qobject_cast<QAbstractButton*>(w(id))->isChecked(); }
    std::unique_ptr<MainWindow> open() {
        auto win = std::make_unique<MainWindow>(nullptr, std::make_unique<soar::MemoryTextFiles>());
        win->start();
        win->show();
        win->activateWindow();
        if (!QTest::qWaitForWindowActive(win.get())) return nullptr;
        return win;
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* to = QApplication::focusWidget();
        if (to == nullptr) to = win_ ? win_.get() : QApplication::activeWindow();
        QTest::keyClick(to, Qt::Key(k), m);
    }
    // The program's window as it starts: the form and every dock.
    static std::unique_ptr<soar::ProgramWindow> open_program() {
        auto* form = new MainWindow(nullptr, std::make_unique<soar::MemoryTextFiles>());
        form->start();
        auto program = std::make_unique<soar::ProgramWindow>(form);
        auto* data = new soar::FlightDataWindow(form->run());
        program->dock(data, new soar::ParamsDialog(form->run()), data->optimal_loop());
        program->show();
        program->activateWindow();
        if (!QTest::qWaitForWindowActive(program.get())) return nullptr;
        return program;
    }
    QString focused() {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "none";
    }
    void wheel(MainWindow& win, int delta) {
        QWidget* picture = win.widget(Id::picture);
        const QPoint at = picture->rect().center();
        QWheelEvent e(at, picture->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture, &e);
    }

  private slots:
    void init() {
        win_ = open();
        QVERIFY(win_);
        data_ = std::make_unique<soar::FlightDataWindow>(win_->run());
        win_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win_.get()));
    }
    void cleanup() {
        data_.reset();
        win_.reset();
    }

    // A pattern, OK, FLY and STOP from the Fly menu's keys; a pattern during
    // a flight is refused with a note; Space (nothing focused) pauses.
    void the_fly_menu_keys_fly_a_pattern() {
        key(Qt::Key_2, Qt::ControlModifier);
        QVERIFY(checked(Id::downwind_option));
        QVERIFY(!checked(Id::fixed_option));
        key(Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(w(Id::fly_button)->isVisible());
        key(Qt::Key_F5);
        QVERIFY(win_->session().flying());
        QVERIFY(win_->timer().isActive());
        key(Qt::Key_1, Qt::ControlModifier);
        QVERIFY(!checked(Id::upwind_option));
        QVERIFY(win_->last_notice().contains("STOP"));
        key(Qt::Key_Space);
        QVERIFY(win_->session().paused());
        key(Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(!win_->session().flying());
        QVERIFY(w(Id::upwind_option)->isVisible());
        key(Qt::Key_3, Qt::ControlModifier);
        QVERIFY(checked(Id::crosswind_option));
        key(Qt::Key_F11);
        QVERIFY(win_->isFullScreen());
        key(Qt::Key_F11);
        QVERIFY(!win_->isFullScreen());
    }

    // Tab in reading order; Return and Space press what Tab reached, and
    // Space pauses again once the control pressed has gone.
    void tab_in_reading_order_and_keys_on_what_it_reached() {
        win_->reading_order_action()->trigger();
        QVERIFY(win_->reading_tab_order());
        w(Id::fixed_option)->setFocus();
        QTRY_COMPARE(focused(), QString("fixed_option"));
        const QStringList want = {
            "upwind_option",    "downwind_option", "crosswind_option", "circle_zoom_option",
            "ok_button",        "stop_button",     "end_button",       "roll_box",
            "pitch_box",        "yaw_box",         "pan_up_button",    "pan_left_button",
            "pan_right_button", "pan_down_button", "zoom_in_button",   "zoom_out_button",
            "fixed_option"};
        QStringList got;
        for (int i = 0; i < want.size(); ++i) {
            key(Qt::Key_Tab);
            got << focused();
        }
        QCOMPARE(got, want);

        key(Qt::Key_Tab);  // Upwind
        key(Qt::Key_Return);
        QVERIFY(checked(Id::upwind_option));
        // A moving view shows the track boxes, on the way to OK.
        for (int i = 0; i < 8 && focused() != "ok_button"; ++i) key(Qt::Key_Tab);
        QCOMPARE(focused(), QString("ok_button"));
        key(Qt::Key_Space);
        QVERIFY(w(Id::fly_button)->isVisible());
        key(Qt::Key_Tab);
        QCOMPARE(focused(), QString("fly_button"));
        key(Qt::Key_Space);
        QVERIFY(win_->timer().isActive());
        // Pressed once: Space is the pause again, the focus still on FLY.
        QCOMPARE(focused(), QString("fly_button"));
        key(Qt::Key_Space);
        QVERIFY(win_->session().paused());
        QVERIFY(win_->session().flying());
        // After a click, Space pauses too: the click does not make it the button's.
        QTest::mouseClick(w(Id::zoom_in_button), Qt::LeftButton);
        key(Qt::Key_Space);
        QVERIFY(!win_->session().paused());
    }

    // A notch of the wheel is a press of "+" or "--"; a drag presses the
    // pan buttons, one press per step; both as the buttons draw them.
    void wheel_and_drag_over_the_picture_are_the_view_buttons() {
        auto other = open();
        QVERIFY(other);
        for (MainWindow* m : {win_.get(), other.get()})
            QTest::mouseClick(m->widget(Id::ok_button), Qt::LeftButton);
        wheel(*win_, 120);
        wheel(*win_, 60);  // half a notch: nothing yet
        QTest::mouseClick(other->widget(Id::zoom_in_button), Qt::LeftButton);
        QCOMPARE(win_->session().camera().zoom_deg, other->session().camera().zoom_deg);
        QCOMPARE(win_->picture().image(), other->picture().image());
        wheel(*win_, -180);  // with the half notch before: one "--"
        QTest::mouseClick(other->widget(Id::zoom_out_button), Qt::LeftButton);
        QCOMPARE(win_->session().camera().zoom_deg, other->session().camera().zoom_deg);

        // With Shift, or with the middle button, a drag is the pan buttons.
        QWidget* picture = w(Id::picture);
        const QPoint from = picture->rect().center();
        QTest::mousePress(picture, Qt::LeftButton, Qt::ShiftModifier, from);
        QTest::mouseMove(picture, from + QPoint(30, 0));
        QTest::mouseMove(picture, from + QPoint(50, -25));
        QTest::mouseRelease(picture, Qt::LeftButton, Qt::ShiftModifier, from + QPoint(50, -25));
        QTest::mousePress(picture, Qt::MiddleButton, {}, from);
        QTest::mouseMove(picture, from + QPoint(0, 30));
        QTest::mouseRelease(picture, Qt::MiddleButton, {}, from + QPoint(0, 30));
        for (Id id :
             {Id::pan_right_button, Id::pan_right_button, Id::pan_up_button, Id::pan_down_button})
            QTest::mouseClick(other->widget(id), Qt::LeftButton);
        for (Id box : {Id::yaw_box, Id::pitch_box})
            QCOMPARE(soar::text(win_->shown(), box), soar::text(other->shown(), box));
        QCOMPARE(win_->picture().image(), other->picture().image());
        QCOMPARE(win_->session().camera().azimuth_deg, other->session().camera().azimuth_deg);
    }

    // A plain drag turns the camera about the scene, a degree per 3 pixels:
    // right turns the line of sight's azimuth on, down looks more steeply
    // down, at the same distance; in the fixed view at once, in a moving view
    // for the flight's picture (a paused one drawn again at once).
    void a_drag_turns_the_camera_about_the_scene() {
        QTest::mouseClick(w(Id::ok_button), Qt::LeftButton);
        const soar::Camera& c = win_->session().camera();
        const soar::Camera before = c;
        const QImage drawn = win_->picture().image();
        QWidget* picture = w(Id::picture);
        const QPoint from = picture->rect().center();
        const auto drag = [&](QPoint by) {
            QTest::mousePress(picture, Qt::LeftButton, {}, from);
            QTest::mouseMove(picture, from + by / 2);
            QTest::mouseMove(picture, from + by);
            QTest::mouseRelease(picture, Qt::LeftButton, {}, from + by);
        };
        drag({30, 16});  // 10 steps across, 5 down (the pixel left over is dropped)
        NEAR(c.azimuth_deg, before.azimuth_deg + 10.0f);
        NEAR(c.depression_deg, before.depression_deg + 5.0f);
        NEAR(c.distance, before.distance);
        QVERIFY(win_->picture().image() != drawn);
        drag({0, 600});  // no steeper than 85 deg
        NEAR(c.depression_deg, 85.0f);

        // Upwind: the observer rides 5 m behind the bird, looking along +x (90 deg).
        key(Qt::Key_1, Qt::ControlModifier);
        key(Qt::Key_Return, Qt::ControlModifier);
        key(Qt::Key_F5);
        QTRY_VERIFY(win_->session().ticks() > 3);
        key(Qt::Key_Space);
        NEAR(c.azimuth_deg, 90.0f);
        const QImage paused = win_->picture().image();
        drag({-30, 0});
        QVERIFY(win_->picture().image() != paused);
        key(Qt::Key_Space);
        const int64_t ticks = win_->session().ticks();
        QTRY_VERIFY(win_->session().ticks() > ticks + 1);
        NEAR(c.azimuth_deg, 80.0f);
    }

    // A click on the slider's trough goes to the time under it; beside it
    // a pace other than real time, a remembered one also said.
    void the_sliders_trough_and_the_pace_beside_it() {
        emit win_->run().pace_wanted(4);  // 2 x real time, from the settings
        QVERIFY2(win_->last_notice().contains("2 times real time"),
                 qPrintable(win_->last_notice()));
        QCOMPARE(win_->moment_label()->text(), QString("2 x"));
        key(Qt::Key_1, Qt::ControlModifier);
        key(Qt::Key_Return, Qt::ControlModifier);
        key(Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(win_->state().t >= 4.0f, 20000);
        key(Qt::Key_F5, Qt::ShiftModifier);
        QSlider* slider = win_->time_slider();
        QTRY_VERIFY(slider->isEnabled());
        QTest::mouseClick(slider, Qt::LeftButton, {},
                          QPoint(slider->width() / 4, slider->height() / 2));
        QVERIFY(win_->session().looked_at() > 0);
        const double share = double(slider->value()) / slider->maximum();
        QVERIFY2(share > 0.1 && share < 0.4, qPrintable(QString::number(share)));
        QVERIFY(win_->moment_label()->text().startsWith("2 x   t = "));
        key(Qt::Key_BracketLeft);
        QVERIFY(win_->moment_label()->text().startsWith("t = "));
    }

    // What is not a number is refused when the box's value is applied, with
    // the box's name, and the box keeps its value; nothing is said while typing.
    void the_attitude_boxes_refuse_what_is_not_a_number() {
        auto* roll = qobject_cast<QLineEdit*>(w(Id::roll_box));
        const auto type = [&](const QString& text) {
            roll->setFocus();
            roll->selectAll();
            QTest::keyClick(roll, Qt::Key_Delete);
            QTest::keyClicks(roll, text);
        };
        type("15");
        QTest::keyClick(roll, Qt::Key_Return);
        QCOMPARE(win_->model().roll, 15.0f);
        for (const char* bad : {"nan", "inf", "0x10", "12abc", "1,5", "-", ""}) {
            type(QString::fromLatin1(bad));
            QVERIFY2(!win_->message_box() || !win_->message_box()->isVisible(), bad);
            QTest::keyClick(roll, Qt::Key_Return);
            QTRY_VERIFY2(win_->message_box() && win_->message_box()->isVisible(), bad);
            const QString said = win_->message_box()->text();
            QVERIFY2(said.contains("\"Roll Rt. deg\"") && said.contains("\"15\""),
                     qPrintable(said));
            QCOMPARE(roll->text(), QString("15"));
            QCOMPARE(win_->model().roll, 15.0f);
            win_->message_box()->accept();
            QTRY_VERIFY(!win_->message_box() || !win_->message_box()->isVisible());
        }
        // An angle of too many turns to be drawn (1e38 deg draws a scribble),
        // in each attitude box; 100000 deg stands.
        for (Id box : {Id::roll_box, Id::pitch_box, Id::yaw_box}) {
            auto* edit = qobject_cast<QLineEdit*>(w(box));
            const QString kept = edit->text();
            for (const char* big : {"1e38", "-100001"}) {
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, QString::fromLatin1(big));
                QTest::keyClick(edit, Qt::Key_Return);
                QTRY_VERIFY2(win_->message_box() && win_->message_box()->isVisible(), big);
                const QString said = win_->message_box()->text();
                const std::string name = soar::text(win_->shown(), Id(int(box) - 1));
                QVERIFY2(said.contains("too large") && said.contains("\"" + kept + "\"") &&
                             said.contains(QString::fromStdString(name).simplified()),
                         qPrintable(said));
                QCOMPARE(edit->text(), kept);
                win_->message_box()->accept();
                QTRY_VERIFY(!win_->message_box() || !win_->message_box()->isVisible());
            }
        }
        QCOMPARE(win_->model().roll, 15.0f);
        type("100000");
        QTest::keyClick(roll, Qt::Key_Return);
        QVERIFY(!win_->message_box() || !win_->message_box()->isVisible());
        QCOMPARE(win_->model().roll, 100000.0f);
        // A number with blanks, a sign and an exponent stands; so does "1.".
        type(" -2.5e1 ");
        QTest::keyClick(roll, Qt::Key_Return);
        QCOMPARE(win_->model().roll, -25.0f);
        type("1.");
        key(Qt::Key_Return, Qt::ControlModifier);  // OK by key applies the box first
        QVERIFY(!win_->message_box() || !win_->message_box()->isVisible());
        QCOMPARE(win_->session().pose().attitude.roll, -1.0f);  // a roll to the right
        // Refused text stops a key's press of OK: the message comes first.
        type("12abc");
        key(Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(win_->message_box() && win_->message_box()->isVisible());
        QCOMPARE(win_->model().roll, 1.0f);
    }

    // Alt and a letter press or choose the controls, in the program's window
    // with every dock; no two keys of the window share a letter, the
    // captions keep their text and each keyed control's tip and the Help
    // name its key.
    void alt_letters_press_the_controls_and_share_no_letter() {
        cleanup();
        const auto shown = open_program();
        QVERIFY(shown);
        soar::ProgramWindow& program = *shown;
        MainWindow* form = program.form();

        QStringList alt_keys;
        for (const QAction* a : program.findChildren<QAction*>())
            for (const QKeySequence& k : a->shortcuts()) alt_keys << k.toString();
        for (const QShortcut* k : program.findChildren<QShortcut*>())
            alt_keys << k->key().toString();
        for (const QMenuBar* bar : program.findChildren<QMenuBar*>())
            for (const QAction* a : bar->actions())
                alt_keys << QKeySequence::mnemonic(a->text()).toString();
        for (const QAbstractButton* b : program.findChildren<QAbstractButton*>())
            alt_keys << QKeySequence::mnemonic(b->text()).toString();
        alt_keys = alt_keys.filter(QRegularExpression("^Alt\\+.$"));
        QVERIFY(alt_keys.size() > 15);
        QCOMPARE(QSet<QString>(alt_keys.begin(), alt_keys.end()).size(), alt_keys.size());

        const QString help = soar::keys_help_html();
        for (const soar::Control& c : form->shown().controls) {
            if (auto* b = qobject_cast<QAbstractButton*>(form->widget(c.id)))
                QCOMPARE(b->text(), QString::fromStdString(c.text));
            const QString k = soar::control_key(c.id).toString(QKeySequence::NativeText);
            if (k.isEmpty()) continue;
            QVERIFY2(form->widget(c.id)->toolTip().contains(k), qPrintable(k));
            QVERIFY2(help.contains(k + " " + QString::fromStdString(c.text)), qPrintable(k));
        }

        const auto alt = [&](Qt::Key k) { QTest::keyClick(&program, k, Qt::AltModifier); };
        using soar::Mode;
        alt(Qt::Key_D);
        QCOMPARE(form->model().pattern, Mode::downwind);
        alt(Qt::Key_U);
        QCOMPARE(form->model().pattern, Mode::upwind);
        alt(Qt::Key_O);
        alt(Qt::Key_Y);
        QVERIFY(form->session().flying());
        alt(Qt::Key_A);
        QVERIFY(form->session().paused());
        alt(Qt::Key_T);
        QVERIFY(!form->session().flying());
        // FIXED went with the first moving pattern: its key says so, not "STOP".
        alt(Qt::Key_X);
        QCOMPARE(form->model().pattern, Mode::upwind);
        QVERIFY2(form->last_notice().contains("FIXED") && !form->last_notice().contains("STOP"),
                 qPrintable(form->last_notice()));
        alt(Qt::Key_C);
        QCOMPARE(form->model().pattern, Mode::crosswind);
        QSignalSpy ended(form, &MainWindow::ended);
        alt(Qt::Key_E);
        QCOMPARE(ended.count(), 1);
    }

    // Tab, Shift+Tab, Space and Return alone, in the form's own focus order
    // from where the program's window puts the focus, fly the upwind
    // pattern; P (the Fly menu's) then pauses it.
    void the_keyboard_alone_flies_the_upwind_pattern() {
        cleanup();
        const auto program = open_program();
        QVERIFY(program);
        MainWindow* form = program->form();
        QVERIFY(!form->reading_tab_order());
        const auto tab_to = [&](const QString& name, Qt::KeyboardModifiers m) {
            for (int i = 0; i < 60 && focused() != name; ++i) key(Qt::Key_Tab, m);
            return focused() == name;
        };
        QVERIFY(tab_to("upwind_option", Qt::NoModifier));
        key(Qt::Key_Space);
        QCOMPARE(form->model().pattern, soar::Mode::upwind);
        QVERIFY(tab_to("ok_button", Qt::NoModifier));
        key(Qt::Key_Return);
        QVERIFY(form->widget(Id::fly_button)->isVisible());
        QVERIFY(tab_to("fly_button", Qt::ShiftModifier));
        key(Qt::Key_Space);
        QVERIFY(form->session().flying());
        QTRY_VERIFY(form->state().t > 0.2f);
        QCOMPARE(form->model().flight_mode, soar::Mode::upwind);
        // P pauses whatever button has the focus, also one Tab has just
        // reached (where Space presses it); a text box keeps the letter.
        key(Qt::Key_Tab);
        const QString reached = focused();
        key(Qt::Key_P);
        QVERIFY(form->session().paused());
        QCOMPARE(focused(), reached);
        auto* roll = qobject_cast<QLineEdit*>(form->widget(Id::roll_box));
        roll->setFocus();
        QTRY_COMPARE(focused(), QString("roll_box"));
        roll->end(false);
        QTest::keyClick(roll, Qt::Key_P);
        QVERIFY(form->session().paused());
        QVERIFY(roll->text().endsWith('p'));
        QVERIFY(form->fly_menu()->actions().contains(form->pause_action()));
    }

    // END, Ctrl+Q or closing while a video is recorded: go on, finish then
    // end, or discard and end now.
    void ending_waits_for_a_video_being_recorded() {
        cleanup();
        Recording r;
        const QString path = dir_.filePath("flight.mp4");
        QVERIFY(r.start(path));
        soar::ProgramWindow& program = *r.program;
        QSignalSpy ended(r.form, &MainWindow::ended);
        // Ctrl+S is the flight's save as CSV (its dialog answered: cancelled).
        int asked_where = 0;
        r.data->ask_path = [&](const QString&, const QString&, const QString&, QString*) {
            ++asked_where;
            return QString();
        };
        QTest::keyClick(r.form, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(asked_where, 1);

        int asked = 0;
        auto answer = soar::ProgramWindow::VideoChoice::go_on;
        program.ask_about_video = [&] {
            ++asked;
            return answer;
        };
        QTest::keyClick(r.form, Qt::Key_Q, Qt::ControlModifier);
        QTest::mouseClick(r.form->widget(Id::end_button), Qt::LeftButton);
        QCOMPARE(asked, 2);
        QVERIFY(program.isVisible());
        QCOMPARE(ended.count(), 0);
        QVERIFY(r.tools().recording());

        answer = soar::ProgramWindow::VideoChoice::finish;
        program.close();
        QCOMPARE(asked, 3);
        QVERIFY(program.isVisible());
        r.go = true;
        QTRY_VERIFY_WITH_TIMEOUT(!program.isVisible(), 20000);
        QCOMPARE(ended.count(), 1);
        QVERIFY(QFile::exists(path));
        QVERIFY(r.tools().last_report().startsWith("Video written"));
    }

    // Discarded, the video is cancelled and the program ends; a log-out
    // while the question is open ends it too.
    void discarding_or_a_log_out_ends_at_once() {
        cleanup();
        {
            Recording r;
            QVERIFY(r.start(dir_.filePath("gone.mp4")));
            QSignalSpy ended(r.form, &MainWindow::ended);
            r.program->ask_about_video = [] { return soar::ProgramWindow::VideoChoice::discard; };
            QTest::mouseClick(r.form->widget(Id::end_button), Qt::LeftButton);
            QCOMPARE(ended.count(), 1);
            r.go = true;
            r.tools().wait_video();
            QVERIFY(r.tools().last_report().contains("cancelled"));
            QVERIFY(!QFile::exists(dir_.filePath("gone.mp4")));
        }
        Recording r;
        QVERIFY(r.start(dir_.filePath("left.mp4")));
        QSignalSpy ended(r.form, &MainWindow::ended);
        r.program->ask_about_video = [&r] {
            r.program->close_without_asking();  // the signal, while the user is asked
            return soar::ProgramWindow::VideoChoice::go_on;
        };
        QTest::keyClick(r.form, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!r.program->isVisible());
    }

    // The air track's colour, the arrows and the focus order come back in the next run.
    void colours_arrows_and_the_focus_order_are_remembered() {
        cleanup();
        const QString path = dir_.filePath("settings.ini");
        {
            std::unique_ptr<MainWindow> main;
            std::unique_ptr<soar::FlightDataWindow> data;
            QVERIFY(open_main_and_flight_data(main, data));
            data->lecture_tools()->set_track_colour(soar::TrackColour::height);
            data->lecture_tools()->set_arrows(true);
            main->set_reading_tab_order(true);
            soar::RememberedSettings(path).save(main->run(), *data, nullptr);
        }
        std::unique_ptr<MainWindow> main;
        std::unique_ptr<soar::FlightDataWindow> data;
        QVERIFY(open_main_and_flight_data(main, data));
        QCOMPARE(main->session().track_colour(), soar::TrackColour::plain);
        soar::RememberedSettings(path).restore(main->run(), *data, nullptr);
        QCOMPARE(main->session().track_colour(), soar::TrackColour::height);
        QVERIFY(main->session().arrows());
        QVERIFY(main->reading_tab_order());
        QVERIFY(main->reading_order_action()->isChecked());
    }
};

QTEST_MAIN(KeysAndMouseTest)
#include "keys_and_mouse_test.moc"
