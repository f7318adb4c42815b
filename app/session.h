// The program as its user drives it: the window's model, the flight, the camera,
// the scene and the bird, and what the user does to them, one operation each.
// Nothing here knows a toolkit: the Qt window maps its controls onto these
// operations, tests call them directly, and the picture, clock and files are
// the adapters handed in.
//
//   start_up        the window opens
//   choose_pattern  an option of the pattern group
//   set_up_flight   "OK"
//   start_flight    "FLY"
//   stop_flight     "STOP"
//   end_program     "END"
//   advance_tick    one timer event
//   zoom, pan       the zoom and pan buttons
//   orbit           a drag over the picture
//   reset_view      "RESET"
//   draw_bird_now   "DRAW"
//   fly_yourself    "Fly it yourself": a flight the arrow keys steer
//   look_at         the time slider, Left/Right, a click on a chart: a recorded
//                   moment of a paused or stopped flight shown again
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/flight_clock.h"
#include "app/flight_timer.h"
#include "app/look_back.h"
#include "app/loop_flight.h"
#include "app/piloted_flight.h"
#include "app/run_model.h"
#include "app/window.h"
#include "bird/model.h"
#include "bird/pose.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "platform/text_files.h"
#include "record/flight_record.h"
#include "sim/energy.h"
#include "sim/flight.h"
#include "sim/names.h"
#include "view/camera.h"
#include "view/frame.h"
#include "view/scene.h"

namespace soar {

enum class PanDirection { up, down, left, right };

class Session {
  public:
    // `picture` is drawn on, `clock` gives the machine's time of day (pause
    // and pace are added here), `files` take the geometry export. All three
    // must outlive the session.
    Session(Surface& picture, Clock& clock, TextFiles& files);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- what the user does ---
    // The window opens: defaults, the bird model, the sea grid, the first view.
    void start_up();
    // An option of the pattern group is selected (the hidden "Profile Demo" too).
    void choose_pattern(Mode mode);
    // "OK": the selected pattern's flight set up (a running flight stops first),
    // or the bird drawn at the typed attitude in the fixed view.
    void set_up_flight();
    // "FLY": the flight set up by "OK" starts; the clock starts here.
    void start_flight();
    // "STOP": the flight stops where it is; a new flight needs a new "OK".
    void stop_flight();
    // "END": the program closes.
    void end_program();
    // One timer event: the flight advanced and its picture drawn. Nothing while
    // paused. A flight that fails stops with a message.
    void advance_tick();
    // The same without the picture: what it would draw from is kept in `frame`.
    void advance_tick(Frame& frame);
    // Zoom in (-1) or out (+1).
    void zoom(double sign);
    void pan(PanDirection direction);
    // A drag over the picture: the observer turned about the point looked at,
    // `turn_deg` more azimuth of the line of sight and `tilt_deg` more
    // depression (at most 85 deg above or below the horizontal), at the same
    // distance. The fixed view moves its observer (the observer boxes) and
    // draws again; the moving views turn the follow displacement that zoom
    // and the pan buttons scale.
    void orbit(double turn_deg, double tilt_deg);
    // "RESET": the attitude boxes to their start values and the bird drawn anew.
    void reset_view();
    // "DRAW": the bird (and in a moving view the wind figure) drawn on a clear picture.
    void draw_bird_now();
    // Space: pauses a flight where it is, or resumes it (from where it was,
    // whatever moment was looked back at); nothing outside a flight.
    void pause_or_resume();
    // "[" (-1) and "]" (+1): the next slower or faster pace.
    void change_pace(int step);
    // Flies the optimal loop instead of the selected pattern until "OK" sets
    // up the pattern again.
    void fly_loop(const LoopFlight& loop);
    // A flight you fly yourself (app/pilot.h), started at once as FLY starts
    // one: from the selected pattern's start, wings level at the lift of level
    // flight, watched as that pattern is (the upwind pattern's start and view
    // when the fixed view or the profile demo is selected). The keys held
    // move the stick at every step; "OK" sets up the pattern again.
    void fly_yourself();
    // The arrow keys held now, for the steps from now on.
    void set_pilot_keys(const PilotKeys& keys) { pilot_.set_keys(keys); }
    const PilotKeys& pilot_keys() const { return pilot_.keys(); }
    // Gusts for the flights flown by you from the next one on (calm: none).
    void set_pilot_gusts(const Turbulence& gusts) { pilot_.set_gusts(gusts); }
    const Turbulence& pilot_gusts() const { return pilot_.gusts(); }
    // The commands of the flight flown by you on the screen, for `fly
    // --commands`: one per step, at the flight time of the step's start, then
    // the stick at the time of the last step's end. Empty for any other flight.
    std::vector<TimedCommand> commands_given() const;
    // The state the flight flown by you started from (saved with its commands).
    const FlightState& pilot_start() const { return pilot_.start(); }
    // The optimal loop drawn as a ghost to follow in the flights flown by you
    // (nullptr: none); from the next picture on.
    void show_ghost(std::shared_ptr<const LoopFlight> loop);
    const LoopFlight* ghost() const { return ghost_.get(); }
    // The distance from the bird as the read-outs show it to the nearest point
    // of the ghost, m; nothing while no ghost is shown in a flight flown by you.
    std::optional<double> ghost_distance() const;
    // Stops the flight as STOP does and tells the user why.
    void stop_flight_with_message(const std::string& message);
    // With `on`, a gap between ticks far longer than the timer's interval (the
    // program held up) pauses the flight instead of integrating it; the window
    // sets it, a clock stepped on purpose (tests, the command line) does not.
    void set_pause_on_hold_up(bool on);

    // --- the window's controls, as a view sends them ---
    // A click: an option becomes selected, a check box toggles, then the
    // control's operation runs. Hidden or disabled controls ignore clicks.
    void click(Id id);
    // Selects an option of the group and runs its operation, whether or not the
    // option is shown.
    void choose_option(Id id);
    // Sets a check box's value and runs its operation, shown or not.
    void set_check(Id id, int value);
    // The user changed a text box's text.
    void edit_text(Id id, std::string text);

    // --- what there is to see ---
    // The run in typed values: the pattern, the values set, the parameters.
    RunModel& model() { return model_; }
    const RunModel& model() const { return model_; }
    // Where the run stands.
    RunState state() const;
    // What the main window shows of it.
    Window& window() { return w_; }
    const Window& window() const { return w_; }
    // The bird's state as the picture and the read-outs show it.
    const FlightState& flight_state() const { return now_; }
    const Camera& camera() const { return camera_; }
    const Scene& scene() const { return scene_; }
    const BirdModel& bird() const { return bird_; }
    const BirdPose& pose() const { return pose_; }
    // Ticks of this flight so far: one per timer event, several for an event
    // at a pace other than 1 that flew a long interval (FlightClock::steps_for).
    int64_t ticks() const { return ticks_; }
    // A flight is on (its ticks run, or it is paused): from "FLY" until it stops.
    bool flying() const { return phase_ == RunState::flying; }
    // How far apart the flight's ticks come, ms.
    int32_t tick_interval_ms() const { return model_.tick_interval_ms; }
    bool paused() const { return flight_clock_.paused(); }
    bool writing_files() const;
    // What stopped the last flight ("the bird touched the sea at t = 3.2 s"),
    // empty while none did.
    const std::string& fault() const { return fault_; }
    // Whether the flight on the screen (flying, paused or stopped) is flown by you.
    bool flown_by_you() const { return pilot_.on(); }
    // Where the stick stands (a flight flown by you only), and what the bird can do.
    const Stick& stick() const { return pilot_.stick(); }
    const PilotLimits& pilot_limits() const { return pilot_.limits(); }
    // The score of the flight on the screen, from its record.
    PilotScore score() const { return flight_score(record_); }
    // The optimal loop while it flies, else nullptr.
    const LoopFlight* loop() const { return loop_.get(); }
    FlightClock& flight_clock() { return flight_clock_; }
    const FlightClock& flight_clock() const { return flight_clock_; }
    FlightRecord& record() { return record_; }
    const FlightRecord& record() const { return record_; }
    // The view the picture is drawn in: the selected option's, or the loop's.
    Mode scene_mode() const;
    // The picture of `frame` drawn on `pic` (the render thread's work).
    void draw(const Frame& frame, Surface& pic) const;

    // --- what the picture explains (the Flight data window's View menu) ---
    // The air track coloured by the energy rate, its wind part, the height or
    // the airspeed, or plain. The points flown while it was plain take their
    // values from the flight's history, so the whole track is coloured.
    void set_track_colour(TrackColour by);
    TrackColour track_colour() const { return track_colour_; }
    // Wind and velocity arrows at the bird, with their legend.
    void set_arrows(bool on) { arrows_ = on; }
    bool arrows() const { return arrows_; }
    // What a picture of the flight as it stands now is drawn from, in the
    // view it stands in: the last tick's bird, every track point so far, the
    // colours and arrows as chosen now (a still for slides, at any size). While
    // a moment is looked back at, that moment's picture.
    Frame frame_now() const;

    // --- going back through a paused or stopped flight ---
    // Ticks of the flight on the screen that can be shown again (1 .. this):
    // its recorded ticks while it is paused or stopped and no set-up, pattern
    // choice or drawing has replaced it since; 0 otherwise.
    int64_t ticks_to_look_back() const;
    // Shows recorded tick `tick` again: the boxes give that moment's time and
    // attitude, the picture is frame_at(tick). Ignored outside 1 ..
    // ticks_to_look_back(). Any other action of the user (zoom and pan aside)
    // returns to the flight as it stands.
    void look_at(int64_t tick);
    // Back to the flight as it stands: the boxes as its last tick left them.
    void stop_looking_back();
    // The tick looked at, 0 while none.
    int64_t looked_at() const { return look_back_.looked_at(); }
    // The last tick's picture drawn again for the view as it is now: what a
    // paused or stopped flight shows after zoom, pan or a change of the View
    // menu. The tick looked at while there is one.
    int64_t tick_shown() const;
    // What recorded tick `tick` (1 .. ticks_to_look_back()) was drawn from: the
    // tracks up to it, the bird's place and attitude, the camera where the
    // follow rule puts it for that tick with the zoom and pan as they are now,
    // the colours and arrows as chosen now. With the view unchanged it is the
    // very frame the tick drew.
    Frame frame_at(int64_t tick) const;
    // The last recorded tick at or before flight time t (s), the first when t
    // is earlier; 0 while there is none to look back at.
    int64_t tick_at_time(double t) const;
    // The tick `steps` steps of flight time on from `tick` (back for a
    // negative count): the last tick of each step, as the ticks that advanced
    // no time repeat the one before.
    int64_t tick_steps_on(int64_t tick, int64_t steps) const;
    // The flight time of recorded tick `tick`, s.
    double time_of_tick(int64_t tick) const { return look_back_.time_of_tick(tick); }
    // The state of recorded tick `tick` as the history keeps it.
    FlightState recorded_state(int64_t tick) const { return look_back_.state_at(tick); }
    // What the read-outs show: the tick looked at; after a fault the last tick
    // flown (not the step that failed); else flight_state().
    FlightState shown_state() const;
    // The specific energy and its rates of that state, as the history keeps them
    // for a recorded tick.
    Energy shown_energy() const;

  private:
    // Another flight takes the screen (a set-up, the loop, one flown by you):
    // a look back ends, the flight shown can no longer be looked back at, a
    // flight on stops as STOP stops it, and the loop or the stick give way.
    void replace_flight();
    // The optimal loop or a flight flown by you, from `start` watched in
    // `view`, set up and started as "OK" and "FLY" would (model_.flight set).
    void start_at_once(Mode view, const FlightState& start);
    void advance_flight();
    void advance_scene(Frame& f);
    // The tracks take the bird's place (and, coloured, its values) at this tick.
    void record_track_point(const SceneSwitches& sw);
    // A fault stopped the flight: `fault` says what, `stopped` begins the
    // message that tells the user, which adds what to do next.
    void flight_failed(const std::string& fault, const std::string& stopped);
    // The flight time the flight reached, for a fault's message ("at t = 3.2 s").
    std::string time_reached();
    void prepare_moving_view();
    // A pattern, track or the profile demo chosen: "FLY" needs a new "OK".
    void undo_set_up();
    // One tick's flight, then `work`; a tick of a paused flight does nothing.
    template <class Work>
    void guarded_tick(Work&& work);
    void update_view_and_readouts();
    void draw_bird_exporting();
    void redraw_fixed();
    void pan_up_down(double sign);
    void pan_left_right(double sign);
    void place_camera_for(Mode mode);
    Attitude typed_attitude() const;
    SceneSwitches switches() const;
    void set_timer_interval();
    // Zoom and pan while a tick is looked at: its view read-outs anew.
    void show_looked_at_again();
    // The recorded tick the read-outs show (the one looked at, or the last one
    // flown after a fault), 0 for the state now.
    int64_t tick_of_readouts() const;
    // Whether the moving view frames the ghost with the bird (shown in a
    // flight flown by you), and the camera with the displacement it follows at.
    bool frames_ghost() const;
    Camera view_camera() const;

    Surface& pic_;
    FlightClock flight_clock_;
    TextFiles& files_;
    RunModel model_;
    Window w_;
    FlightRecord record_;
    // The run's life cycle: no flight, set up, flying (paused or not, the
    // pattern or the loop) or stopped; state() adds the pause and a look back.
    RunState phase_ = RunState::no_flight;

    std::optional<Flight> flight_;
    FlightState now_;
    FlightTimer timer_;
    int64_t ticks_ = 0;
    std::string fault_;
    bool pause_on_hold_up_ = false;
    std::shared_ptr<const LoopFlight> loop_;  // flying instead of the pattern
    PilotedFlight pilot_;  // the stick while a flight flown by you is on the screen
    std::shared_ptr<const LoopFlight> ghost_;  // the loop to follow, drawn in those flights
    GhostFraming ghost_view_;                  // the follow view backed off to take the ghost in

    Camera camera_;
    Scene scene_;
    BirdModel bird_;
    BirdPose pose_;
    // Where the bird is drawn outside the ticks (the fixed view, "DRAW"), m.
    Shift bird_shift_;
    TrackColour track_colour_ = TrackColour::plain;
    bool arrows_ = false;

    // Going back over the record of the flight on the screen.
    LookBack look_back_;
};

// The camera of the fixed view as a newly opened window sets it up at "OK":
// the observer at `o`, looking at the origin.
Camera fixed_view_camera(const Observer& o);

}  // namespace soar
