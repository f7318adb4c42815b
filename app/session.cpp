#include "app/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

#include "app/window_boxes.h"
#include "app/window_rules.h"
#include "bird/build.h"
#include "platform/number_text.h"
#include "sim/constants.h"
#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/wind.h"
#include "view/bird_drawing.h"
#include "view/grid.h"
#include "view/projection.h"
#include "view/track_colour.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"
#include "view/zoom_pan.h"

namespace soar {

namespace {

// What the user does next. The message box that shows it closes with "Close",
// so the window's own "OK" is not confused with the box's button.
constexpr const char* kNextFlight =
    " To fly again, set up a new flight with \"OK\" in the window, then press \"FLY\".";

// The camera as the window opens: 3 m on the -y side of the origin at sea
// level, looking along +y.
void open_camera(Camera& c) {
    c.aspect = 1.25f;
    c.zoom_deg = 45.0f;
    c.x_aim = c.y_aim = c.z_aim = 0.0f;
    c.x_eye = 0.0f, c.y_eye = -3.0f, c.z_eye = 0.0f;
}

// The steepest line of sight an orbit leaves, deg: straight down the view's
// "up" would have no direction.
constexpr double kSteepestOrbitDeg = 85.0;

// The observer's offset from the point looked at, m, turned about the vertical
// by `turn_deg` (the line of sight's azimuth grows with it) and tilted by
// `tilt_deg` (its depression grows), its length kept.
void turn_offset(float& dx, float& dy, float& dz, double turn_deg, double tilt_deg) {
    const double x = dx, y = dy, z = dz;
    const double across = std::sqrt(x * x + y * y);
    const double length = std::sqrt(across * across + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return;
    constexpr double kRad = k::exact_d2r;  // the user's degrees
    // The bearing of the observer from the point looked at, from +y towards
    // +x; straight overhead it stands on the -y side, as the views start.
    const double bearing = across > 0.0 ? std::atan2(x, y) : 180.0 * kRad;
    const double elevation = std::atan2(z, across);
    const double steepest = kSteepestOrbitDeg * kRad;
    double tilted = elevation + tilt_deg * kRad;
    // Never past the steepest view, but a view already steeper is not pulled back.
    if (tilt_deg > 0.0) tilted = std::min(tilted, std::max(elevation, steepest));
    if (tilt_deg < 0.0) tilted = std::max(tilted, std::min(elevation, -steepest));
    const double turned = bearing + turn_deg * kRad;
    const double level = length * std::cos(tilted);
    dx = float(level * std::sin(turned));
    dy = float(level * std::cos(turned));
    dz = float(length * std::sin(tilted));
}

}  // namespace

Camera fixed_view_camera(const Observer& o) {
    Camera c;
    open_camera(c);
    c.x_eye = o.x, c.y_eye = o.y, c.z_eye = o.z;
    update_view(c);
    return c;
}

Session::Session(Surface& picture, Clock& clock, TextFiles& files)
    : pic_(picture), flight_clock_(clock), files_(files), w_(make_window()), look_back_(record_) {}

Attitude Session::typed_attitude() const {
    return drawn_attitude(model_);
}

bool Session::writing_files() const {
    return model_.write_files;
}

RunState Session::state() const {
    if (look_back_.looked_at() > 0) return RunState::looking_back;
    if (phase_ == RunState::flying) {
        if (flight_clock_.paused()) return RunState::paused;
        return loop_ ? RunState::flying_loop : RunState::flying;
    }
    return phase_;
}

void Session::undo_set_up() {
    // Without "FLY" nothing is set up any more; a flight on goes on. A
    // stopped flight gives way to the choice.
    if (phase_ != RunState::flying) phase_ = RunState::no_flight;
}

Mode Session::scene_mode() const {
    if (loop_) return kLoopView;
    return pilot_.on() ? pilot_.view() : model_.pattern;
}

SceneSwitches Session::switches() const {
    SceneSwitches s{scene_mode(), model_.grid, model_.ground_track, model_.air_track};
    s.colour = track_colour_, s.arrows = arrows_;
    s.ghost = ghost_ && pilot_.on();
    return s;
}

void Session::set_timer_interval() {
    // Far above any ordinary gap between two ticks, whatever the interval.
    const double interval = double(model_.tick_interval_ms) / 1000.0;
    flight_clock_.set_stall_bound(pause_on_hold_up_ ? std::max(0.25, 2.0 * interval + 0.1) : 0.0);
}

void Session::set_pause_on_hold_up(bool on) {
    pause_on_hold_up_ = on;
    set_timer_interval();
}

// --- start-up ---

void Session::start_up() {
    show_opened(w_);
    bird_build(bird_);

    open_camera(camera_);
    bird_shift_ = {};
    now_.X = 0.0f, now_.Y = 0.0f, now_.t = 0.0f;
    ticks_ = 0;

    SeaGrid& g = scene_.grid;
    g.x_min = -100.0f, g.x_max = 0.0f;
    g.y_min = -50.0f, g.y_max = 50.0f;
    g.spacing = 10.0f;
    grid_setup(g);

    update_view_and_readouts();
    sky_sea(camera_, pic_);
}

void Session::update_view_and_readouts() {
    update_view(camera_, pic_);
    show_view_readouts(w_, model_, camera_);
}

// --- choosing a pattern ---

void Session::choose_pattern(Mode mode) {
    choose_option(option_of(mode));
}

void Session::prepare_moving_view() {
    // A moving view starts from a clear picture.
    pic_.clear();
}

// --- set-up ---

void Session::place_camera_for(Mode mode) {
    if (mode == Mode::fixed) {
        camera_.x_eye = model_.observer.x;
        camera_.y_eye = model_.observer.y;
        camera_.z_eye = model_.observer.z;
    } else {
        place_camera(camera_, scene_.wind, mode, now_.Z);
        // The profile demo draws the bird beside its figure at the bird's height.
        if (mode == Mode::profile) bird_shift_.x = 8, bird_shift_.z = now_.Z;
    }
    show_observer(w_, model_, camera_);
}

void Session::replace_flight() {
    stop_looking_back();
    look_back_.forget();
    // A flight on stops first, as STOP stops it: what comes next resets the
    // state the running ticks integrate, and the next tick would step from the
    // old flight's time to the new start in one huge step.
    if (phase_ == RunState::flying) stop_flight();
    loop_.reset();
    pilot_.leave();
}

void Session::set_up_flight() {
    // The optimal loop or a flight flown yourself, if one flew, gives way to
    // the selected pattern.
    replace_flight();
    const Mode mode = model_.pattern;
    const bool moving = mode != Mode::fixed;
    if (moving) show_flight_set_up(w_);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    if (moving) camera_.zoom_deg = 45.0f;
    model_.flight = model_.params.of(mode);
    model_.flight_mode = mode;
    model_.flight_label.clear();
    build_wind_figure(scene_.wind, model_.flight);
    if (!moving) pose_.attitude = typed_attitude();
    place_camera_for(mode);
    if (moving) {
        // The bird waits at the pattern's start height, at the origin.
        pose_.attitude = typed_attitude();
        now_.Z = model_.flight.Z_start;
        now_.t = 0, now_.X = 0, now_.Y = 0;
        update_wind_at_bird(now_, model_.flight);
    }
    pose_.scale = model_.bird_scale;
    update_view_and_readouts();
    if (moving) {
        set_timer_interval();
        ticks_ = 0;
        phase_ = RunState::set_up;
    } else {
        phase_ = RunState::no_flight;
        draw_bird_exporting();
    }
}

void Session::draw_bird_exporting() {
    const ExportResult r =
        draw_bird(bird_, pose_, camera_, bird_shift_, pic_, writing_files() ? &files_ : nullptr);
    if (r.ok) return;
    // Nothing more is written until the user ticks the box again.
    set_switch(w_, model_, Id::write_files_box, false);
    w_.message = "The geometry files could not be written: " + r.error +
                 ". \"Write to File\" has been turned off.";
}

void Session::draw_bird_now() {
    stop_looking_back();
    look_back_.forget();
    show_drawn(w_);
    pic_.clear();
    draw_bird_exporting();
    const Mode mode = model_.pattern;
    if (mode != Mode::fixed && mode != Mode::circlezoom)
        draw_wind_figure(scene_.wind, camera_, pic_, bird_shift_);
}

// --- run control ---

void Session::start_flight() {
    stop_looking_back();
    // A second FLY during a flight would restart the clock under the running
    // integration and give the next step a negative dt: it is ignored, but for
    // a paused flight, which goes on from where it was.
    if (phase_ == RunState::flying) {
        if (flight_clock_.paused()) flight_clock_.resume();
        return;
    }
    show_flight_started(w_);
    camera_.y_eye = model_.observer.y;
    pose_.attitude = typed_attitude();
    set_timer_interval();
    phase_ = RunState::flying;
    fault_.clear();
    flight_clock_.restart();
    timer_.start(flight_clock_.seconds_since_midnight());
}

void Session::stop_flight() {
    // A paused flight that is stopped is stopped: the next FLY runs the clock.
    flight_clock_.resume();
    record_.end("stopped with STOP");
    show_flight_stopped(w_);
    // Without "FLY" a set-up is no more: a new flight needs a new "OK".
    if (phase_ != RunState::no_flight) phase_ = RunState::stopped;
}

void Session::end_program() {
    if (phase_ != RunState::no_flight) phase_ = RunState::stopped;
    w_.ended = true;
}

void Session::stop_flight_with_message(const std::string& message) {
    record_.end(message);
    stop_flight();
    w_.message = message;
}

void Session::flight_failed(const std::string& fault, const std::string& stopped) {
    fault_ = fault;
    stop_flight_with_message(stopped + "." + kNextFlight);
}

std::string Session::time_reached() {
    if (flight_) now_ = flight_->state();
    return "at t = " + float_text(now_.t) + " s";
}

void Session::pause_or_resume() {
    stop_looking_back();
    if (flight_clock_.paused()) {
        flight_clock_.resume();
    } else if (phase_ == RunState::flying) {
        flight_clock_.pause();
    }
}

void Session::change_pace(int step) {
    flight_clock_.set_pace(flight_clock_.pace_index() + step);
}

// --- the tick ---

void Session::advance_flight() {
    ++ticks_;
    const Mode mode = scene_mode();
    if (ticks_ == 1) {
        if (loop_) {
            const std::shared_ptr<const LoopFlight> loop = loop_;
            flight_.emplace(model_.flight, mode,
                            [loop](double t) { return loop_state_at(*loop, t); });
        } else if (pilot_.on()) {
            flight_.emplace(pilot_.flight(model_.flight));
        } else {
            flight_.emplace(model_.flight, mode, pose_.attitude);
        }
        now_ = flight_->state();
        record_.begin(mode, now_, model_.flight, std::time(nullptr));
    } else {
        const float t = timer_.time_at(flight_clock_.seconds_since_midnight());
        if (const double held = flight_clock_.take_stall(); held > 0) {
            record_.held_up(held);
            char note[160];
            std::snprintf(note, sizeof note,
                          "The program was held up for %.1f s; the flight paused there.", held);
            w_.notice = note;
        }
        // At a pace other than 1 the interval is flown in steps no longer
        // than the timer's, each a tick of its own: its row, its track point.
        const double from = flight_->state().t;
        const int steps =
            flight_clock_.steps_for(double(t) - from, double(model_.tick_interval_ms) / 1000.0);
        for (int k = 1; k <= steps; ++k) {
            if (k > 1) {
                record_track_point(switches());
                ++ticks_;
            }
            const float to = k == steps ? t : float(from + (double(t) - from) * k / steps);
            const double dt = double(to) - double(flight_->state().t);
            // The keys move the stick over the step, and the bird flies towards it.
            if (pilot_.on()) flight_->command(pilot_.steer(dt, flight_->state().t));
            flight_->step(dt);
            now_ = flight_->state();
            record_.add(now_);
        }
        show_moment(w_, model_, now_);
    }
    pose_.attitude = now_.attitude;
}

void Session::record_track_point(const SceneSwitches& sw) {
    if (sw.ground || sw.air) track_record(scene_.tracks, ticks_, now_.X, now_.Y, now_.Z);
    if (sw.air && sw.colour != TrackColour::plain) {
        const Energy e = energy_of(now_, model_.flight);
        track_record_values(
            scene_.tracks, ticks_,
            {float(double(e.dE_wind) + double(e.dE_held) + double(e.dE_drag)), e.dE_wind, now_.V});
    }
}

void Session::set_track_colour(TrackColour by) {
    track_colour_ = by;
    Tracks& tr = scene_.tracks;
    // Point k is tick k, kept in the history's row k - 1.
    const int64_t n = std::min<int64_t>(tr.n, int64_t(record_.history.size()));
    if (by == TrackColour::plain || n < 1 || !track_values_missing(tr, n)) return;
    std::vector<PointValues> v;
    v.reserve(size_t(n) + 1);
    v.emplace_back();
    const Params& p = record_.params;
    record_.history.for_each_tick([&](const HistoryRow& r) {
        if (int64_t(v.size()) > n) return;
        const auto c = [&r](Column k) { return r[size_t(k)]; };
        const float held = held_energy_rate(p, c(Column::Z), c(Column::V), c(Column::gam_deg),
                                            c(Column::psi_deg), c(Column::Up));
        // dE/dt as the tick recorded it: its wind part, the part held, the drag.
        v.push_back({float(double(c(Column::dE_wind)) + double(held) + double(c(Column::dE_drag))),
                     c(Column::dE_wind), c(Column::V)});
    });
    track_fill_values(tr, v);
}

void Session::advance_scene(Frame& f) {
    f.switches = switches();
    f.camera = camera_;
    f.scale = pic_.scale_setting();
    if (ticks_ == 1) look_back_.first_tick(f.camera, f.scale);
    f.tick = ticks_;
    f.pose = pose_;
    f.X = now_.X, f.Y = now_.Y, f.Z = now_.Z;
    f.valid = true;
    record_track_point(f.switches);
    if (f.switches.air && f.switches.colour != TrackColour::plain)
        f.colours = colour_scale(scene_.tracks, f.switches.colour);
    if (f.switches.arrows) f.motion = motion_of(now_);
    const Mode mode = f.switches.mode;
    if (frames_ghost()) {
        // The observer stands back to take in the ghost; the displacement the
        // user zoomed and turned stays the camera's own.
        Camera framed = ghost_view_.follow(camera_, now_.X, now_.Y, now_.Z);
        f.camera.dx_follow = framed.dx_follow;
        f.camera.dy_follow = framed.dy_follow;
        f.camera.dz_follow = framed.dz_follow;
        move_camera(framed, mode, now_.X, now_.Y, now_.Z);
        framed.dx_follow = camera_.dx_follow;
        framed.dy_follow = camera_.dy_follow;
        framed.dz_follow = camera_.dz_follow;
        camera_ = framed;
        apply_view_scale(camera_, pic_);
        show_view_readouts(w_, model_, camera_);
    } else if (mode != Mode::fixed) {
        move_camera(camera_, mode, now_.X, now_.Y, now_.Z);
        apply_view_scale(camera_, pic_);
        show_view_readouts(w_, model_, camera_);
    }
    bird_shift_ = {};
}

template <class Work>
void Session::guarded_tick(Work&& work) {
    // A paused flight stands still: its clock does not run, and no tick counts.
    if (flight_clock_.paused()) return;
    // A fault stops the flight at the state it reached (not the step that
    // failed), and leaves the last complete picture.
    try {
        advance_flight();
        work();
    } catch (const SeaContact&) {
        const std::string at = time_reached();
        flight_failed("the bird touched the sea " + at,
                      "The flight was stopped: the bird touched the sea " + at);
    } catch (const FlightFault& f) {
        const std::string at = time_reached();
        flight_failed("the flight stopped " + at + ": " + f.what(),
                      "The flight was stopped " + at + ": " + f.what());
    } catch (const std::exception& e) {
        const std::string at = time_reached(),
                          why = std::string(" by an internal error: ") + e.what();
        flight_failed("the flight stopped " + at + why, "The flight was stopped " + at + why);
    }
}

void Session::advance_tick() {
    // The flight is advanced before the picture is cleared (nothing of the flight
    // depends on the picture), so a flight stopped by a fault leaves the last
    // complete picture on the screen.
    guarded_tick([this] {
        Frame f;
        advance_scene(f);
        const ExportResult r =
            draw_frame(f, scene_, bird_, pic_, writing_files() ? &files_ : nullptr);
        if (!r.ok) {
            set_switch(w_, model_, Id::write_files_box, false);
            w_.message = "The geometry files could not be written: " + r.error +
                         ". \"Write to File\" has been turned off.";
        }
    });
}

void Session::advance_tick(Frame& frame) {
    guarded_tick([this, &frame] { advance_scene(frame); });
}

void Session::draw(const Frame& frame, Surface& pic) const {
    if (frame.valid) draw_frame(frame, scene_, bird_, pic);
}

Frame Session::frame_now() const {
    if (look_back_.looked_at() > 0) return frame_at(look_back_.looked_at());
    Frame f;
    f.switches = switches();
    f.camera = view_camera();
    f.scale = pic_.scale_setting();
    // Every point recorded so far is drawn: the picture's tick is the next one.
    f.tick = ticks_ + 1;
    f.pose = pose_;
    f.X = now_.X, f.Y = now_.Y, f.Z = now_.Z;
    if (f.switches.mode == Mode::fixed) {
        // The fixed view shows the bird alone, as the window draws it.
        f.switches.ground = f.switches.air = f.switches.arrows = false;
        f.switches.colour = TrackColour::plain;
    }
    if (f.switches.colour != TrackColour::plain)
        f.colours = colour_scale(scene_.tracks, f.switches.colour);
    f.switches.arrows = f.switches.arrows && ticks_ > 0;  // no motion before the first tick
    if (ticks_ > 0) f.motion = motion_of(now_);
    f.valid = true;
    return f;
}

// --- looking back ---

int64_t Session::ticks_to_look_back() const {
    return look_back_.ticks(phase_ != RunState::flying || flight_clock_.paused());
}

int64_t Session::tick_shown() const {
    return look_back_.looked_at() > 0 ? look_back_.looked_at() : ticks_to_look_back();
}

int64_t Session::tick_at_time(double t) const {
    return look_back_.tick_at_time(t, ticks_to_look_back());
}

int64_t Session::tick_steps_on(int64_t tick, int64_t steps) const {
    return look_back_.tick_steps_on(tick, steps, ticks_to_look_back());
}

int64_t Session::tick_of_readouts() const {
    if (look_back_.looked_at() > 0) return look_back_.looked_at();
    // A fault: the step that failed is not shown, the last one flown is.
    const auto flown = int64_t(record_.history.size());
    return !fault_.empty() && flown > 0 && flown < ticks_ ? flown : 0;
}

FlightState Session::shown_state() const {
    const int64_t tick = tick_of_readouts();
    return tick > 0 ? look_back_.state_at(tick) : now_;
}

Energy Session::shown_energy() const {
    const int64_t tick = tick_of_readouts();
    return tick > 0 ? look_back_.energy_at(tick) : energy_of(now_, record_.params);
}

Frame Session::frame_at(int64_t tick) const {
    return look_back_.frame_at(tick, switches(), view_camera(), pose_, scene_.tracks);
}

void Session::look_at(int64_t tick) {
    if (tick < 1 || tick > ticks_to_look_back()) return;
    look_back_.look_at(tick, w_, model_);
    show_moment(w_, model_, look_back_.state_at(tick));
    if (scene_mode() != Mode::fixed)  // the view read-outs as the tick left them
        show_view_readouts(w_, model_,
                           look_back_.camera_of_tick(tick + 1, view_camera(), scene_mode()));
}

void Session::stop_looking_back() {
    look_back_.end(w_, model_);
}

void Session::show_looked_at_again() {
    if (look_back_.looked_at() > 0) look_at(look_back_.looked_at());
}

// --- the optimal loop ---

void Session::fly_loop(const LoopFlight& loop) {
    replace_flight();
    loop_ = std::make_shared<const LoopFlight>(loop);
    model_.flight = loop_->params;
    model_.flight_label = loop_flight_label(*loop_, model_.params);
    start_at_once(kLoopView, loop_state_at(*loop_, 0.0));
    // No pattern flies: the selected one goes with the others (STOP or OK
    // shows them again), so that the form does not name a flight not flown.
    for (Id id :
         {Id::upwind_option, Id::downwind_option, Id::crosswind_option, Id::circle_zoom_option})
        hide(w_, id);
}

// --- flying yourself ---

void Session::show_ghost(std::shared_ptr<const LoopFlight> loop) {
    ghost_ = std::move(loop);
    scene_.ghost = ghost_ ? loop_ghost(*ghost_) : GhostPath{};
    ghost_view_.set_ghost(scene_.ghost);
    if (ticks_ > 0) ghost_view_.ease_in();  // from the view as it is
}

bool Session::frames_ghost() const {
    const Mode mode = scene_mode();
    return ghost_ && pilot_.on() && !ghost_view_.empty() && mode != Mode::fixed &&
           mode != Mode::profile;
}

Camera Session::view_camera() const {
    return frames_ghost() ? ghost_view_.followed(camera_) : camera_;
}

std::optional<double> Session::ghost_distance() const {
    if (!ghost_ || !pilot_.on()) return std::nullopt;
    const FlightState s = shown_state();
    return distance_to_ghost(scene_.ghost, s.X, s.Y, s.Z);
}

std::vector<TimedCommand> Session::commands_given() const {
    if (!pilot_.on() || ticks_ == 0) return {};
    return pilot_.commands_given(now_.t);
}

void Session::fly_yourself() {
    replace_flight();
    try {
        pilot_.take_off(model_.pattern, model_.params);
    } catch (const FlightFault& f) {
        w_.message =
            std::string("No flight of your own can start with these parameters: ") + f.what() + ".";
        return;
    }
    model_.flight = pilot_.params();
    model_.flight_mode = pilot_.view();
    model_.flight_label.clear();
    start_at_once(pilot_.view(), pilot_.start());
}

void Session::start_at_once(Mode view, const FlightState& start) {
    show_flight_set_up(w_);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    camera_.zoom_deg = 45.0f;
    build_wind_figure(scene_.wind, model_.flight);
    now_ = start;
    pose_.attitude = now_.attitude;
    place_camera(camera_, scene_.wind, view, now_.Z);
    ghost_view_.start(camera_);
    show_observer(w_, model_, camera_);
    pose_.scale = model_.bird_scale;
    update_view_and_readouts();
    set_timer_interval();
    ticks_ = 0;
    start_flight();
}

// --- zoom and pan ---

void Session::redraw_fixed() {
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    draw_bird_exporting();
}

void Session::zoom(double sign) {
    zoom_displacement(camera_, sign);
    show_looked_at_again();  // the moment's view read-outs
    if (scene_mode() != Mode::fixed) return;
    pic_.clear();
    zoom_view_angle(camera_, sign);
    redraw_fixed();
}

void Session::pan_up_down(double sign) {
    pan_pitch(pose_.attitude, sign);
    pic_.clear();
    show_number(w_, model_, Id::pitch_box, pose_.attitude.pitch);
    redraw_fixed();
}

void Session::pan_left_right(double sign) {
    if (scene_mode() != Mode::fixed) return;
    pan_yaw(pose_.attitude, sign);
    pic_.clear();
    show_number(w_, model_, Id::yaw_box, -pose_.attitude.yaw);
    redraw_fixed();
}

void Session::pan(PanDirection direction) {
    switch (direction) {
        case PanDirection::up:
            pan_height(camera_, 1.1);
            show_looked_at_again();
            if (scene_mode() == Mode::fixed) pan_up_down(+1.0);
            break;
        case PanDirection::down:
            pan_height(camera_, 0.9);
            show_looked_at_again();
            if (scene_mode() == Mode::fixed) pan_up_down(-1.0);
            break;
        case PanDirection::left:
            pan_left_right(-1.0);
            break;
        case PanDirection::right:
            pan_left_right(+1.0);
            break;
    }
}

void Session::orbit(double turn_deg, double tilt_deg) {
    const Mode mode = scene_mode();
    if (mode == Mode::fixed) {
        float dx = float(double(camera_.x_eye) - double(camera_.x_aim));
        float dy = float(double(camera_.y_eye) - double(camera_.y_aim));
        float dz = float(double(camera_.z_eye) - double(camera_.z_aim));
        turn_offset(dx, dy, dz, turn_deg, tilt_deg);
        camera_.x_eye = float(double(camera_.x_aim) + double(dx));
        camera_.y_eye = float(double(camera_.y_aim) + double(dy));
        camera_.z_eye = float(double(camera_.z_aim) + double(dz));
        show_observer(w_, model_, camera_);
        pic_.clear();
        redraw_fixed();
    } else if (mode != Mode::profile) {  // the views that follow the bird
        turn_offset(camera_.dx_follow, camera_.dy_follow, camera_.dz_follow, turn_deg, tilt_deg);
        show_looked_at_again();  // the moment's view read-outs
    }
}

void Session::reset_view() {
    show_reset(w_);
    show_number(w_, model_, Id::pitch_box, 0.0f);
    show_number(w_, model_, Id::roll_box, 57.0f);
    show_number(w_, model_, Id::yaw_box, -90.0f);
    pose_.attitude = typed_attitude();
    now_.X = 0.0f, now_.Y = 0.0f, now_.t = 0.0f;
    bird_shift_ = {};
    ticks_ = 0;
    set_up_flight();
    draw_bird_now();
}

// --- the window's controls ---

void Session::click(Id id) {
    Control& c = control(w_, id);
    if (!c.visible || !c.enabled || w_.ended) return;
    // Zoom and pan act on the moment looked at; every other control returns
    // to the flight as it stands.
    const bool view_only = id == Id::zoom_in_button || id == Id::zoom_out_button ||
                           id == Id::pan_up_button || id == Id::pan_down_button;
    if (!view_only) stop_looking_back();
    // A check box toggles; an option is selected by its operation.
    if (c.kind == Kind::check) set_switch(w_, model_, id, c.value != 1);
    switch (id) {
        case Id::ground_track_box:
        case Id::air_track_box:
            show_track_chosen(w_);
            undo_set_up();
            return;
        case Id::profile_option:
        case Id::fixed_option:
        case Id::upwind_option:
        case Id::downwind_option:
        case Id::crosswind_option:
        case Id::circle_zoom_option:
            choose_option(id);
            return;
        case Id::zoom_in_button:
            return zoom(-1.0);
        case Id::zoom_out_button:
            return zoom(+1.0);
        case Id::pan_up_button:
            return pan(PanDirection::up);
        case Id::pan_down_button:
            return pan(PanDirection::down);
        case Id::pan_left_button:
            return pan(PanDirection::left);
        case Id::pan_right_button:
            return pan(PanDirection::right);
        case Id::reset_button:
            return reset_view();
        case Id::ok_button:
            return set_up_flight();
        case Id::draw_button:
            return draw_bird_now();
        case Id::fly_button:
            return start_flight();
        case Id::stop_button:
            return stop_flight();
        case Id::end_button:
            return end_program();
        default:
            return;  // labels, shapes, text boxes, the picture and "Write to File" do no more
    }
}

void Session::choose_option(Id id) {
    if (control(w_, id).kind != Kind::option) return;
    stop_looking_back();
    look_back_.forget();
    select(w_, model_, id);
    undo_set_up();
    if (model_.pattern != Mode::fixed && model_.pattern != Mode::profile) prepare_moving_view();
    show_pattern_chosen(w_, model_.pattern);
}

void Session::set_check(Id id, int value) {
    Control& c = control(w_, id);
    if (c.kind != Kind::check) return;
    stop_looking_back();
    set_switch(w_, model_, id, value == 1);
    if (id == Id::ground_track_box || id == Id::air_track_box) {
        show_track_chosen(w_);
        undo_set_up();
    }
}

void Session::edit_text(Id id, std::string text) {
    Control& c = control(w_, id);
    if (c.kind != Kind::text || w_.ended) return;
    stop_looking_back();
    // Every number of the program is a 32-bit float: a typed value beyond its
    // range (about 3.4E+38) would turn into infinity and, through the attitude,
    // scale or observer, into NaN in the picture and the read-outs.
    const double typed = text_value(text);
    if (!std::isfinite(float(typed))) {
        w_.message = "The value typed in the box \"" + box_name(w_, id) + "\", \"" +
                     shortened(text) +
                     "\", is too large: the program's numbers reach about 3.4E+38. The box "
                     "keeps its previous value, \"" +
                     shortened(c.text) + "\".";
        return;
    }
    c.text = std::move(text);
    // The number typed, read once here: the model keeps it.
    switch (id) {
        case Id::roll_box:
            model_.roll = float(typed);
            break;
        case Id::pitch_box:
            model_.pitch = float(typed);
            break;
        case Id::yaw_box:
            model_.yaw = float(typed);
            break;
        case Id::observer_x_box:
            model_.observer.x = float(typed);
            break;
        case Id::observer_y_box:
            model_.observer.y = float(typed);
            break;
        case Id::observer_z_box:
            model_.observer.z = float(typed);
            break;
        case Id::bird_scale_box:
            model_.bird_scale = float(typed);
            pose_.scale = model_.bird_scale;
            break;
        case Id::step_box:
            model_.tick_interval_ms = tick_interval_of(typed);
            set_timer_interval();
            break;
        default:
            break;  // the read-outs and "calc_msec" hold no value of the model
    }
}

}  // namespace soar
