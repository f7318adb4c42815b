// The main window: a Qt view of the toolkit-free session (app/session.h) and its
// window model. It owns the session and the adapters the session reaches
// (picture, clock, export files). Every user action goes to the session's
// operations (click, edit_text, the timer tick); after each one every widget,
// the timer and the picture are brought up to date with the model.
//
// The standard controls stand at their layout rectangles whatever the window's
// size; the picture grows and shrinks with the window, keeping its shape, and
// is drawn at the screen's pixel density. Under it, beside the standard area,
// the time slider goes back through a paused or stopped flight.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_renderer.h"
#include "app/loop_flight.h"
#include "app/session.h"
#include "app/window.h"
#include "platform/clock.h"
#include "platform/logged_surface.h"
#include "platform/text_files.h"
#include "qt/designed_layout.h"
#include "qt/raster_surface.h"
#include "qt/render_pacer.h"
#include "qt/run_signals.h"
#include "qt/time_slider.h"
#include "view/frame.h"

namespace soar {

class MainWindow final : public QWidget, public PictureWindow {
    Q_OBJECT

  public:
    // Without a clock the machine's time of day is used; without export files the
    // geometry export writes to the current directory.
    explicit MainWindow(std::unique_ptr<Clock> clock = nullptr,
                        std::unique_ptr<TextFiles> files = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up; the widgets then show the loaded model.
    void start();
    // Brings every widget, the timer and the picture up to date with the model,
    // shows and clears a pending message, and closes the window once END has
    // been pressed. Runs after every handler and tick.
    void refresh();

    // The widget that shows a control, and a shape drawn behind them.
    QWidget* widget(Id id) const { return widgets_[static_cast<size_t>(id)]; }
    QWidget* shape(Shape s) const { return shapes_[static_cast<size_t>(s)]; }
    Session& session() { return session_; }
    // What the other windows see of the run, and where they send their requests.
    RunSignals& run() { return run_; }
    const FlightState& state() const { return session_.flight_state(); }
    // The run's model, and what the window shows of it.
    RunModel& model() { return session_.model(); }
    Window& shown() { return session_.window(); }
    RasterSurface& picture() {
        pacer_.settle_picture();
        return *pic_;
    }
    QWidget& window_widget() override { return *this; }
    const QImage& picture_image() override { return picture().image(); }
    const QTimer& timer() const { return timer_; }
    // The timer's interval instead of the model's, ms (0: the model's): for
    // tests that tick the window themselves.
    void set_timer_interval_ms(int ms) {
        timer_interval_ms_ = ms;
        refresh();
    }
    // The box that shows the last message, while it is open.
    QMessageBox* message_box() const { return message_box_; }
    // The last passing note shown over the picture.
    const QString& last_notice() const { return last_notice_; }
    // Pixels per twip: 1/15 at 96 dpi, more on a denser screen.
    double pixels_per_twip() const { return px_per_twip_; }
    QRect rect_of(const Rect& twips) const;

    // Ticks do all their state work every time; the picture is drawn only when a
    // frame is due at the screen's pace, and once more for the last tick when the
    // flight stops. Draws the last tick's picture now if the one shown is older
    // (pause and any user action call it first).
    void draw_current_frame() { pacer_.draw_current_frame(); }
    // The picture of the flight as it stands drawn now (a paused or stopped
    // flight after the View menu changed what the picture explains).
    void show_picture_now();
    // The shortest time between two pictures in flight, ms: the screen's refresh
    // period, at most 60 pictures per second.
    double frame_interval_ms() const { return pacer_.frame_interval_ms(); }
    // 0: a picture whenever the last one is done (tests).
    void set_frame_interval_ms(double ms) { pacer_.set_frame_interval_ms(ms); }
    // Every tick draws its picture (the program's plain behaviour, kept for
    // benchmarks). "Write to File" always does: each drawing writes the files.
    void set_redraw_every_tick(bool on) { pacer_.set_redraw_every_tick(on); }
    // In flight, pictures are drawn on a thread of their own (the default) or
    // on this one. Either way the picture of a tick is the same, bit for bit.
    void set_render_thread(bool on) { pacer_.set_render_thread(on); }
    bool render_thread() const { return pacer_.render_thread(); }
    // Waits until the render thread has finished the picture it is drawing, if
    // any; the window collects it at its next tick (tests).
    void finish_render() const { pacer_.finish_render(); }
    // One tick's state work without a picture, as the timer would run it between
    // frames (benchmarks fly ahead with it).
    void tick_without_picture();
    // One timer event, as the timer runs it (tests drive the window with it).
    void tick_once() { tick(); }
    // The tick whose picture the window shows, -1 if it shows none of a tick.
    int64_t shown_tick() const { return pacer_.shown_tick(); }
    // Pictures drawn in flight since start-up.
    int64_t frames_drawn() const { return pacer_.frames_drawn(); }
    // Pause, pace and the record of the flight (the Flight data window's).
    FlightClock& flight_clock() { return session_.flight_clock(); }
    FlightRecord& record() { return session_.record(); }
    // Space or P, "[" and "]": the user's pause and pace, then a refresh.
    void user_pause();
    void user_pace(int step);
    // Flies the optimal loop (until "OK" sets up the selected pattern again).
    void fly_loop(const LoopFlight& loop);
    // "Fly it yourself" (Session::fly_yourself), started as the loop is.
    void fly_yourself();
    // The loop flying now, or nullptr.
    const LoopFlight* flying_loop() const { return session_.loop(); }

    // --- going back through a paused or stopped flight ---
    // The last tick at or before flight time t shown again (the slider, a
    // click on a chart); the flight's last tick shows it as it stands.
    void look_at_time(double t);
    // Left and Right: steps of the flight's time; Shift: seconds.
    void look_steps(int steps);
    void look_seconds(double seconds);
    // Home and End.
    void look_at_start();
    void look_at_end();
    // "Play": the flight shown again from the moment looked at (from its start
    // when none is) at the pace chosen, up to where it stands; again to stop.
    void toggle_replay() { bar_->toggle_replay(); }
    bool replaying() const { return bar_->replaying(); }
    // Left, Right (Shift: bigger steps), Page Up, Page Down, Home and End in
    // `window` go through the flight (a text box with the focus keeps them).
    void add_look_back_keys(QWidget* window);
    QSlider* time_slider() const { return bar_->slider(); }
    QPushButton* play_button() const { return bar_->play_button(); }
    QLabel* moment_label() const { return bar_->moment_label(); }

    // --- the picture ---
    // Lines of width one smoothed (antialiased) instead of the standard
    // one-pixel lines; the picture is drawn again.
    void set_smooth_lines(bool on);
    bool smooth_lines() const override { return smooth_; }
    // Where the picture box stands now, and the window's size at which it
    // takes its standard size (the standard area and the time slider).
    QRect picture_rect() const override;
    QSize standard_size() const;
    int standard_picture_width() const override;
    // The window's size for a picture box `width` pixels wide.
    QSize size_for_picture_width(int width) const override;

    // --- keys and mouse ---
    // A control pressed as a click on it would press it, when it is shown and
    // enabled; otherwise a passing note says why nothing happened.
    void press_control(Id id);
    // Tab through the form in its reading order (the patterns, OK, FLY, STOP,
    // END, the attitude boxes, the view buttons, then Play and the time
    // slider) instead of the form's own focus order.
    void set_reading_tab_order(bool on);
    bool reading_tab_order() const { return reading_tab_order_; }
    // The form's keys and menus (the Fly menu's patterns, OK, FLY and STOP,
    // Quit, Full screen, the focus order), to be shown in other menus too.
    QMenu* fly_menu() const { return fly_menu_; }
    QAction* quit_action() const { return quit_action_; }
    QAction* full_screen_action() const { return full_screen_action_; }
    QAction* reading_order_action() const { return reading_order_action_; }
    // Pause or go on: P (whatever button has the focus) and Alt+A.
    QAction* pause_action() const { return pause_action_; }
    // Asked before END, Ctrl+Q or closing the window end the program: false
    // keeps it running (a video still being recorded, the user's choice).
    void set_close_check(std::function<bool()> check) { close_check_ = std::move(check); }
    // The program ends at the next close whatever the check would say (a
    // log-out, even while the check's question is open).
    void agree_to_close() { close_agreed_ = true; }

    // --- help ---
    enum class HelpPage { keys, soaring, about };
    void show_help(HelpPage page);
    HelpWindow* help_window() const override { return help_; }

  signals:
    // END was pressed: the window has closed and the program should end now.
    void ended();
    // The moment looked at changed, or looking back ended.
    void moment_changed();
    // "Forget remembered settings" was chosen.
    void forget_settings_wanted();
    // "OK" has set up a flight (or drawn the fixed view) with the parameters chosen.
    void flight_set_up();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Return, Enter and Space on a control reached with Tab; the wheel and
    // drags over the picture.
    bool control_key(QWidget* control, QEvent* event);
    bool picture_mouse(QEvent* event);
    void add_form_actions();
    // A box's typed text applied (as Return would) before a key presses a control.
    bool apply_pending_edits();
    void apply_tab_order();
    // Whether the program may end now (close_check_ asked once at a time).
    bool may_close();
    void report_fault(const std::string& what);
    // The requests of the other windows carried out here.
    void connect_requests();
    // What changed in the run since it was last told, told to the other windows.
    void tell_run();
    // After a timer event: the tick told if the flight took one (the count
    // of its ticks before the event), then the run.
    void tell_tick(int64_t ticks_before);
    // What the picture explains changed: a flight standing still is drawn again.
    void redraw_still();
    void build();
    void add_context_actions();
    // The picture box and the time slider placed for the window's size, the
    // picture's pixels at the screen's density.
    void lay_out();
    // A new picture size in pixels: the surfaces made anew and what they
    // showed drawn again.
    void resize_picture(QSize pixels);
    // The moment shown (looked at, or the paused or stopped flight's last
    // tick) drawn again for the view as it is now.
    void draw_look_back();
    void look_at_tick(int64_t tick);
    // False when the typed text was refused.
    bool user_applied(Id id);
    void apply_look(Id id, Kind kind, QWidget* w);
    void sync(const Control& c, QWidget* w);
    void sync_timer();
    void show_message(const std::string& text);
    void user_pressed(Id id);
    void user_typed(Id id, const QString& text);
    // A drag over the picture turning the camera, deg (Session::orbit).
    void user_orbit(double turn_deg, double tilt_deg);
    void tick();
    // Runs a handler; a fault that escapes it stops the flight and is reported
    // instead of taking the program down.
    template <class Handler>
    void guarded(Handler&& handler);

    double px_per_twip_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<TextFiles> files_;
    std::unique_ptr<RasterSurface> pic_;
    // What the session draws goes through the log, so a still picture (the
    // fixed view, a set-up) can be drawn again at another size.
    std::unique_ptr<LoggedSurface> log_;
    Session session_;
    Window& w_;  // the session's window model
    RunSignals run_;
    // The run as the other windows were last told of it.
    RunState told_state_ = RunState::no_flight;
    bool told_flying_ = false;

    // The pictures in flight, at the screen's pace.
    RenderPacer pacer_;

    QTimer timer_;
    int timer_interval_ms_ = 0;
    // False after a tick that drew nothing: the screen keeps its copy.
    bool picture_changed_ = true;
    // A picture has been shown in flight and the read-outs have not yet caught
    // up with the model: a later tick refreshes them.
    bool readouts_due_ = false;
    std::array<QWidget*, kControlCount> widgets_{};
    std::array<QWidget*, kShapeCount> shapes_{};
    // What each widget was last given, so that a refresh touches only what
    // changed (and never moves the cursor of a box the user is typing in).
    std::array<std::string, kControlCount> shown_text_{};
    std::string shown_caption_;
    QPointer<QMessageBox> message_box_;
    QString last_notice_;
    bool closed_ = false;
    bool halted_ = false;  // a fault that even stopping the flight could not mend

    // The time slider and its replay, under the picture (made with the controls).
    TimeSlider* bar_ = nullptr;
    bool smooth_ = false;
    // A typed text that is not a number of the program's range waits until the
    // box's value is applied (Return, leaving the box); the text the box had
    // when the user began to type.
    std::array<QString, kControlCount> text_before_edit_{};
    class HelpWindow* help_ = nullptr;
    // The keys that go through a flight, in this window and the Flight data window.
    std::vector<QPointer<QShortcut>> look_keys_;

    QMenu* fly_menu_ = nullptr;
    QAction *quit_action_ = nullptr, *full_screen_action_ = nullptr,
            *reading_order_action_ = nullptr, *pause_action_ = nullptr;
    bool reading_tab_order_ = false;
    // The control the user reached with Tab (Return, Enter and Space press
    // it), and a Tab key on its way to moving the focus.
    QPointer<QWidget> tabbed_to_;
    bool tabbing_ = false;
    // The wheel's turn not yet a whole notch, and a drag's pixels not yet a
    // step (a button held over the picture): an orbit, or with Shift or the
    // middle button the pan buttons.
    int wheel_rest_ = 0;
    bool dragging_ = false, drag_orbits_ = false;
    Qt::MouseButton drag_held_ = Qt::NoButton;
    QPoint drag_from_;
    std::function<bool()> close_check_;
    bool asking_to_close_ = false, close_agreed_ = false;
};

}  // namespace soar
