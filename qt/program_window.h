// The program's one window: the main window's designed form in the middle,
// Flight data, Parameters and Optimal loop as docks around it (right, bottom,
// tabbed or floating, each closable), F2, F3 and F4 showing and hiding them.
// The form keeps its designed layout; the docks take the room beside it, and
// a maximised window gives the picture what the docks leave.
#pragma once

#include <QByteArray>
#include <QDockWidget>
#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>

namespace soar {

class MainWindow;
class FlightDataWindow;
class ParamsDialog;
class OptimalLoopDialog;
class PilotPanel;

// Where the window stands on first start: inside the screen's available area,
// the form at its standard size where the screen holds it beside a dock of at
// least `dock_least` pixels, else the form narrower (down to `form_least`) so
// that the dock keeps its room. `frame`: what the window manager adds around
// the window, pixels.
struct FirstPlace {
    QRect window;           // the window's own area (inside its frame), global pixels
    int dock_width = 0;     // the docks' column on the right, pixels
    bool standard = false;  // the form at its standard size
};
FirstPlace first_place(const QRect& available, QSize form_standard, QSize form_least,
                       int dock_least, int dock_wide, QSize frame);

// Whether a window remembered at `frame_rect` (its frame, global pixels) lies
// inside the screen's available area now.
bool fits_screen(const QRect& frame_rect, const QRect& available);

class ProgramWindow final : public QMainWindow {
    Q_OBJECT

  public:
    // Takes the main window as its central form (and owns it); the other
    // windows are docked with dock().
    explicit ProgramWindow(MainWindow* form);
    ~ProgramWindow() override;

    MainWindow* form() const { return form_; }
    // The windows docked: Flight data shown on the right, Parameters and
    // Optimal loop tabbed with it and hidden until asked for. Their keys are
    // the main window's from then on.
    void dock(FlightDataWindow* data, ParamsDialog* params, OptimalLoopDialog* optimal);
    QDockWidget* flight_data_dock() const { return data_dock_; }
    QDockWidget* parameters_dock() const { return params_dock_; }
    QDockWidget* optimal_loop_dock() const { return optimal_dock_; }
    // "Fly it yourself" (F6): its panel and dock, created by dock().
    QDockWidget* fly_yourself_dock() const { return pilot_dock_; }
    PilotPanel* pilot_panel() const { return pilot_; }

    // The first start's place on a screen of this available area.
    void place_first(const QRect& available);
    // Places and docks as remembered, if the window's frame as it was
    // (`frame`, global pixels) fits the screen it would stand on now; false
    // (nothing changed) otherwise.
    bool restore_place(const QRect& frame, const QByteArray& geometry, const QByteArray& state);
    QByteArray saved_state() const;

    // Ends the program at once, asking nothing: a video being recorded is
    // cancelled (the session is logging out, a SIGTERM or SIGHUP came).
    void close_without_asking();
    // Before END, Ctrl+Q or closing: with a video still being recorded, the
    // user chooses to let it finish and then end, to discard it, or to go
    // on. True when the program may end now. `ask` stands for the question
    // (tests); it answers with one of the choices.
    enum class VideoChoice { finish, discard, go_on };
    bool may_end();
    std::function<VideoChoice()> ask_about_video;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QDockWidget* add_dock(QWidget* window, const QString& title, const char* name);

    MainWindow* form_;
    QDockWidget *data_dock_ = nullptr, *params_dock_ = nullptr, *optimal_dock_ = nullptr;
    QDockWidget* pilot_dock_ = nullptr;
    PilotPanel* pilot_ = nullptr;
    FlightDataWindow* data_ = nullptr;
    // The screen's room of a first place made before the window manager
    // framed the window (none once placed again in its frame).
    QRect first_room_;
    bool ending_without_asking_ = false;
    // The program ends once the video being recorded has been written.
    bool end_after_video_ = false;
};

}  // namespace soar
