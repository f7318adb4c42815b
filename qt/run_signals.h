// The run as the windows beside the main window see it, and the way they ask
// the main window for something. The main window owns the session; after each
// user action and tick it tells here what changed (a flight set up, a tick
// with its flight time, a flight's end with its reason, a moment looked back
// at, new parameters, a new run state). Flight data, Parameters, Optimal loop,
// the lecture tools and the remembered settings read the run through the
// accessors, which change nothing, and send what they want done as requests,
// which the main window carries out on its own thread before the call returns.
#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/loop_flight.h"
#include "app/session.h"
#include "view/track_colour.h"

class QWidget;

namespace soar {

class HelpWindow;

// What only the main window knows of itself: its widget, its picture and how
// its size follows the picture's.
class PictureWindow {
  public:
    // The main window as a plain widget: the windows' keys are heard there too,
    // dialogs are placed over it, Flight data is placed beside it.
    virtual QWidget& window_widget() = 0;
    // The picture as it shows now, pixel for pixel.
    virtual const QImage& picture_image() = 0;
    // Where the picture box stands, in the window's pixels.
    virtual QRect picture_rect() const = 0;
    // The picture box's standard width, pixels, and the window's size for a
    // picture box `width` pixels wide.
    virtual int standard_picture_width() const = 0;
    virtual QSize size_for_picture_width(int width) const = 0;
    virtual bool smooth_lines() const = 0;
    // The Help window, once it has been opened.
    virtual HelpWindow* help_window() const = 0;

  protected:
    ~PictureWindow() = default;
};

class RunSignals final : public QObject {
    Q_OBJECT

  public:
    // Both belong to the main window, which outlives this object.
    RunSignals(const Session& session, PictureWindow& window, QObject* parent = nullptr);

    // --- the run as it stands ---
    const Session& session() const { return session_; }
    const FlightRecord& record() const { return session_.record(); }
    const RunModel& model() const { return session_.model(); }
    // The parameters the user chose, and those the flight flies with (taken at "OK").
    const ParamSet& params_chosen() const { return session_.model().params; }
    const Params& params_in_use() const { return session_.model().flight; }
    RunState state() const { return session_.state(); }
    // The pattern selected in the main window.
    Mode pattern() const { return session_.model().pattern; }
    const FlightClock& flight_clock() const { return session_.flight_clock(); }
    PictureWindow& window() const { return window_; }

  signals:
    // --- what happened (the main window emits these) ---
    // "OK" has set up a flight (or drawn the fixed view) with the parameters chosen.
    void flight_set_up();
    // A timer event advanced the flight to flight time t_s (s): one tick at
    // real time, several at a faster pace.
    void ticked(double t_s);
    // The flight stopped: STOP, a fault, a new set-up; the reason as the record keeps it.
    void flight_ended(const QString& reason);
    // A recorded moment is shown again (its tick), or 0: the flight as it stands.
    void looked_back(int64_t tick);
    // The parameters chosen changed.
    void params_changed();
    // The main window's boxes show the flight as it stands (about once a
    // painted frame in flight): read-outs elsewhere follow with the same tick.
    void boxes_shown();
    void state_changed(soar::RunState state);

    // --- what a window asks for (the main window carries it out) ---
    // Space and "[" / "]": pause or resume, the next slower (-1) or faster (+1) pace.
    void pause_wanted();
    void pace_step_wanted(int step);
    // A remembered pace (FlightClock's pace index).
    void pace_wanted(int index);
    // The last tick at or before flight time t_s shown again.
    void look_at_time_wanted(double t_s);
    // The keys that go through a paused or stopped flight, in `window` too.
    void look_back_keys_wanted(QWidget* window);
    // These parameters chosen in place of the user's: they apply at the next "OK".
    void params_wanted(const soar::ParamSet& set);
    void loop_flight_wanted(const soar::LoopFlight& loop);
    // "Fly it yourself" from the selected pattern's start, and the arrow keys
    // held now for the flight flown by you.
    void fly_yourself_wanted();
    void pilot_keys_wanted(soar::PilotKeys keys);
    // The gusts of the flights flown by you from the next one on.
    void pilot_gusts_wanted(soar::Turbulence gusts);
    // The optimal loop shown as a ghost to follow in the flights flown by you
    // (nullptr: none).
    void ghost_wanted(std::shared_ptr<const soar::LoopFlight> loop);
    // What the picture explains, and it drawn again where the flight stands still.
    void track_colour_wanted(soar::TrackColour by);
    void arrows_wanted(bool on);
    void smooth_lines_wanted(bool on);
    // A page of the Help window (0 keys, 1 soaring, 2 about).
    void help_wanted(int page);
    void forget_settings_wanted();

  private:
    const Session& session_;
    PictureWindow& window_;
};

}  // namespace soar
