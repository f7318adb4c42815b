#include "app/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>

#include "app/half_turn.h"
#include "app/window_rules.h"
#include "bird/build.h"
#include "platform/number_text.h"
#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/param_fields.h"
#include "sim/wind.h"
#include "view/bird_drawing.h"
#include "view/grid.h"
#include "view/projection.h"
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

// How the user knows a text box: the caption of the label beside it, with its
// runs of blanks closed up ("Roll Rt.  deg" becomes "Roll Rt. deg").
std::string box_name(const Window& w, Id box) {
    Id label = Id::count_;
    switch (box) {
        case Id::roll_box:
            label = Id::roll_label;
            break;
        case Id::pitch_box:
            label = Id::pitch_label;
            break;
        case Id::yaw_box:
            label = Id::yaw_label;
            break;
        case Id::bird_scale_box:
            label = Id::bird_scale_label;
            break;
        case Id::step_box:
            label = Id::step_label;
            break;
        case Id::calc_box:
            label = Id::calc_label;
            break;
        case Id::observer_x_box:
            label = Id::observer_x_label;
            break;
        case Id::observer_y_box:
            label = Id::observer_y_label;
            break;
        case Id::observer_z_box:
            label = Id::observer_z_label;
            break;
        case Id::time_box:
            label = Id::time_label;
            break;
        case Id::azimuth_box:
            label = Id::azimuth_label;
            break;
        case Id::depression_box:
            label = Id::depression_label;
            break;
        default:
            return std::string(control(w, box).name);
    }
    std::string name;
    for (char ch : text(w, label))
        if (ch != ' ' || (!name.empty() && name.back() != ' ')) name += ch;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

// A text as it is quoted in a message: at most 40 characters.
std::string shortened(const std::string& t) {
    return t.size() <= 40 ? t : t.substr(0, 37) + "...";
}

}  // namespace

namespace {

// The camera as the window opens: 3 m on the -y side of the origin at sea
// level, looking along +y.
void open_camera(Camera& c) {
    c.aspect = 1.25f;
    c.zoom_deg = 45.0f;
    c.x_aim = c.y_aim = c.z_aim = 0.0f;
    c.x_eye = 0.0f, c.y_eye = -3.0f, c.z_eye = 0.0f;
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
    : pic_(picture), flight_clock_(clock), files_(files), w_(make_window()) {}

Attitude Session::typed_attitude() const {
    return drawn_attitude(model_);
}

bool Session::writing_files() const {
    return model_.write_files;
}

RunState Session::state() const {
    if (looked_at_ > 0) return RunState::looking_back;
    if (phase_ == RunState::flying) {
        if (flight_clock_.paused()) return RunState::paused;
        return loop_ ? RunState::flying_loop : RunState::flying;
    }
    return phase_;
}

void Session::show_number(Id box, float value) {
    set_text(w_, box, float_text(value));
    // The number is what the box now shows: seven significant digits at most.
    const float shown = shown_value(value);
    switch (box) {
        case Id::roll_box:
            model_.roll = shown;
            break;
        case Id::pitch_box:
            model_.pitch = shown;
            break;
        case Id::yaw_box:
            model_.yaw = shown;
            break;
        case Id::observer_x_box:
            model_.observer.x = shown;
            break;
        case Id::observer_y_box:
            model_.observer.y = shown;
            break;
        case Id::observer_z_box:
            model_.observer.z = shown;
            break;
        default:
            break;  // a read-out: nothing of the model
    }
}

void Session::undo_set_up() {
    // Without "FLY" nothing is set up any more; a flight on goes on. A
    // stopped flight gives way to the choice.
    if (phase_ != RunState::flying) phase_ = RunState::no_flight;
}

void Session::select(Id option) {
    select_option(w_, option);
    model_.pattern = mode_of_option(option).value_or(Mode::fixed);
}

void Session::set_switch(Id box, bool on) {
    control(w_, box).value = on ? 1 : 0;
    switch (box) {
        case Id::grid_box:
            model_.grid = on;
            break;
        case Id::ground_track_box:
            model_.ground_track = on;
            break;
        case Id::air_track_box:
            model_.air_track = on;
            break;
        case Id::write_files_box:
            model_.write_files = on;
            break;
        default:
            break;
    }
}

Mode Session::scene_mode() const {
    if (loop_) return kLoopView;
    return stick_ ? pilot_view_ : model_.pattern;
}

SceneSwitches Session::switches() const {
    SceneSwitches s{scene_mode(), model_.grid, model_.ground_track, model_.air_track};
    s.colour = track_colour_, s.arrows = arrows_;
    return s;
}

namespace {

// The arrows' velocities from a state, m/s.
BirdMotion motion_of(const FlightState& s) {
    BirdMotion m;
    m.wind = s.U;
    m.x_air = s.Xdot_air, m.x_ground = s.Xdot, m.y = s.Ydot;
    m.z = float(double(s.V) * std::sin(double(s.gam())));
    return m;
}

}  // namespace

namespace {

// The typed number of milliseconds rounded; an interval the timer cannot take
// (0, negative, huge, no number) becomes the nearest sensible one: 1 ms to 10 s.
int32_t tick_interval_of(double ms) {
    if (std::isnan(ms)) return 1;
    return std::clamp(to_i32(std::clamp(ms, -1e9, 1e9)), 1, 10000);
}

}  // namespace

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
    show_view_readouts(camera_);
}

void Session::show_view_readouts(const Camera& c) {
    show_number(Id::azimuth_box, c.azimuth_deg);
    show_number(Id::depression_box, c.depression_deg);
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

void Session::show_observer() {
    show_number(Id::observer_x_box, camera_.x_eye);
    show_number(Id::observer_y_box, camera_.y_eye);
    show_number(Id::observer_z_box, camera_.z_eye);
}

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
    show_observer();
}

void Session::set_up_flight() {
    end_look_back();
    can_look_back_ = false;
    // "OK" during a flight stops it first, as STOP does: set-up resets the state the
    // running ticks integrate, and the next tick would step from the old flight's
    // time to the new start in one huge step.
    if (phase_ == RunState::flying) stop_flight();
    // The optimal loop or a flight flown yourself, if one flew, gives way to
    // the selected pattern.
    loop_.reset();
    stick_.reset();
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
    set_switch(Id::write_files_box, false);
    w_.message = "The geometry files could not be written: " + r.error +
                 ". \"Write to File\" has been turned off.";
}

void Session::draw_bird_now() {
    end_look_back();
    can_look_back_ = false;
    show_drawn(w_);
    pic_.clear();
    draw_bird_exporting();
    const Mode mode = model_.pattern;
    if (mode != Mode::fixed && mode != Mode::circlezoom)
        draw_wind_figure(scene_.wind, camera_, pic_, bird_shift_);
}

// --- run control ---

void Session::start_flight() {
    end_look_back();
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

void Session::flight_failed(const std::string& fault, const std::string& message) {
    fault_ = fault;
    stop_flight_with_message(message);
}

void Session::pause_or_resume() {
    end_look_back();
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

bool Session::advance_flight() {
    ++ticks_;
    const Mode mode = scene_mode();
    try {
        if (ticks_ == 1) {
            if (loop_) {
                const std::shared_ptr<const LoopFlight> loop = loop_;
                flight_.emplace(model_.flight, mode,
                                [loop](double t) { return loop_state_at(*loop, t); });
            } else if (stick_) {
                flight_.emplace(
                    Flight::commanded(model_.flight, mode, pilot_start_, pilot_limits_));
                flight_->set_gusts(pilot_gusts_);
                commands_given_.clear();
            } else {
                flight_.emplace(model_.flight, mode, pose_.attitude);
            }
            now_ = flight_->state();
            record_.begin(mode, now_, model_.flight, std::time(nullptr));
            can_look_back_ = true;
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
                if (stick_) {
                    // The keys move the stick over the step, and the bird flies towards it.
                    stick_->move(pilot_keys_, dt, pilot_limits_);
                    flight_->command(stick_->command());
                    commands_given_.push_back({flight_->state().t, stick_->command()});
                }
                flight_->step(dt);
                now_ = flight_->state();
                record_.add(now_);
            }
            show_moment(now_);
        }
        pose_.attitude = now_.attitude;
    } catch (const SeaContact&) {
        if (flight_) now_ = flight_->state();
        const std::string t = float_text(now_.t);
        flight_failed(
            "the bird touched the sea at t = " + t + " s",
            "The flight was stopped: the bird touched the sea at t = " + t + " s." + kNextFlight);
        return false;
    } catch (const FlightFault& f) {
        if (flight_) now_ = flight_->state();
        const std::string t = float_text(now_.t);
        flight_failed("the flight stopped at t = " + t + " s: " + f.what(),
                      "The flight was stopped at t = " + t + " s: " + f.what() + "." + kNextFlight);
        return false;
    }
    return true;
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

void Session::advance_scene(Frame& f) {
    f.switches = switches();
    f.camera = camera_;
    f.scale = pic_.scale_setting();
    if (ticks_ == 1) first_camera_ = f.camera, first_scale_ = f.scale;
    f.tick = ticks_;
    f.pose = pose_;
    f.X = now_.X, f.Y = now_.Y, f.Z = now_.Z;
    f.valid = true;
    record_track_point(f.switches);
    if (f.switches.air && f.switches.colour != TrackColour::plain)
        f.colours = colour_scale(scene_.tracks, f.switches.colour);
    if (f.switches.arrows) f.motion = motion_of(now_);
    const Mode mode = f.switches.mode;
    if (mode != Mode::fixed) {
        move_camera(camera_, mode, now_.X, now_.Y, now_.Z);
        apply_view_scale(camera_, pic_);
        show_view_readouts(camera_);
    }
    bird_shift_ = {};
}

template <class Work>
void Session::guarded_tick(Work&& work) {
    // A paused flight stands still: its clock does not run, and no tick counts.
    if (flight_clock_.paused()) return;
    try {
        if (!advance_flight()) return;
        work();
    } catch (const std::exception& e) {
        const std::string t = float_text(now_.t);
        flight_failed(
            "the flight stopped at t = " + t + " s by an internal error: " + e.what(),
            "The flight was stopped at t = " + t + " s by an internal error: " + e.what());
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
            set_switch(Id::write_files_box, false);
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
    if (looked_at_ > 0) return frame_at(looked_at_);
    Frame f;
    f.switches = switches();
    f.camera = camera_;
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
    if (!can_look_back_ || !record_.keep_history) return 0;
    if (phase_ == RunState::flying && !flight_clock_.paused()) return 0;
    return int64_t(record_.history.size());
}

int64_t Session::tick_shown() const {
    return looked_at_ > 0 ? looked_at_ : ticks_to_look_back();
}

int64_t Session::tick_at_time(double t) const {
    const int64_t n = ticks_to_look_back();
    const FlightHistory& h = record_.history;
    if (n == 0 || h.samples() == 0) return 0;
    size_t j = h.index_at_or_after(t);
    if (j >= h.samples() || double(h.sample(Column::t, j)) > t) j = j > 0 ? j - 1 : 0;
    const auto [first, count] = h.ticks_of_sample(j);
    return std::min<int64_t>(n, int64_t(first + count));
}

int64_t Session::tick_steps_on(int64_t tick, int64_t steps) const {
    const int64_t n = ticks_to_look_back();
    const FlightHistory& h = record_.history;
    if (n == 0 || h.samples() == 0) return 0;
    tick = std::clamp<int64_t>(tick, 1, n);
    const auto j = int64_t(h.sample_of_tick(size_t(tick - 1)));
    const auto to = size_t(std::clamp<int64_t>(j + steps, 0, int64_t(h.samples()) - 1));
    const auto [first, count] = h.ticks_of_sample(to);
    return std::min<int64_t>(n, int64_t(first + count));
}

double Session::time_of_tick(int64_t tick) const {
    if (tick < 1 || size_t(tick) > record_.history.size()) return 0.0;
    return record_.history.at(Column::t, size_t(tick - 1));
}

FlightState Session::recorded_state(int64_t tick) const {
    FlightState s;
    if (tick < 1 || size_t(tick) > record_.history.size()) return s;
    const HistoryRow r = record_.history.row_at(size_t(tick - 1));
    const auto v = [&r](Column c) { return r[size_t(c)]; };
    s.t = v(Column::t), s.dt = v(Column::dt);
    s.X = v(Column::X), s.Y = v(Column::Y), s.Z = v(Column::Z), s.V = v(Column::V);
    s.gam_deg = v(Column::gam_deg), s.psi_deg = v(Column::psi_deg), s.mu_deg = v(Column::mu_deg);
    s.Nz = v(Column::Nz), s.Nx = v(Column::Nx), s.CL = v(Column::CL);
    s.U = v(Column::U), s.Up = v(Column::Up), s.alpha = v(Column::alpha);
    s.attitude = {v(Column::roll_b), v(Column::pitch_b), v(Column::yaw_b)};
    set_ground_velocity(s);
    return s;
}

FlightState Session::shown_state() const {
    if (looked_at_ > 0) return recorded_state(looked_at_);
    // A fault: the step that failed is not shown, the last one flown is.
    const auto flown = int64_t(record_.history.size());
    if (!fault_.empty() && flown > 0 && flown < ticks_) return recorded_state(flown);
    return now_;
}

Energy Session::shown_energy() const {
    const auto flown = int64_t(record_.history.size());
    const int64_t tick = looked_at_ > 0                                     ? looked_at_
                         : (!fault_.empty() && flown > 0 && flown < ticks_) ? flown
                                                                            : 0;
    if (tick == 0) return energy_of(now_, record_.params);
    const HistoryRow r = record_.history.row_at(size_t(tick - 1));
    Energy e;
    const double V = r[size_t(Column::V)];
    e.E_kin = float(kinetic_height(V, double(record_.params.g)));
    e.E_pot = r[size_t(Column::Z)];
    e.E = r[size_t(Column::E)];
    e.dE_wind = r[size_t(Column::dE_wind)];
    e.dE_drag = r[size_t(Column::dE_drag)];
    e.dE_held = held_energy_rate(record_.params, r[size_t(Column::Z)], r[size_t(Column::V)],
                                 r[size_t(Column::gam_deg)], r[size_t(Column::psi_deg)],
                                 r[size_t(Column::Up)]);
    return e;
}

Camera Session::camera_of_tick(int64_t tick) const {
    if (tick <= 1) return first_camera_;
    // The tick found the camera where the tick before had moved it.
    Camera c = camera_;
    const HistoryRow r = record_.history.row_at(size_t(tick - 2));
    move_camera(c, scene_mode(), r[size_t(Column::X)], r[size_t(Column::Y)], r[size_t(Column::Z)]);
    return c;
}

Frame Session::frame_at(int64_t tick) const {
    Frame f;
    if (tick < 1 || size_t(tick) > record_.history.size()) return f;
    const FlightState s = recorded_state(tick);
    f.switches = switches();
    f.camera = camera_of_tick(tick);
    f.scale = tick == 1 ? first_scale_ : ScaleSetting{f.camera.left,   f.camera.top, f.camera.right,
                                                      f.camera.bottom, kScaleUser,   false};
    f.tick = tick;
    f.pose = pose_;
    f.pose.attitude = s.attitude;
    f.X = s.X, f.Y = s.Y, f.Z = s.Z;
    if (f.switches.air && f.switches.colour != TrackColour::plain)
        f.colours = colour_scale(scene_.tracks, f.switches.colour, tick);
    if (f.switches.arrows) f.motion = motion_of(s);
    f.valid = true;
    return f;
}

namespace {

// The boxes a moment looked back at shows anew.
constexpr Id kMomentBoxes[] = {Id::time_box, Id::roll_box,    Id::pitch_box,
                               Id::yaw_box,  Id::azimuth_box, Id::depression_box};

}  // namespace

void Session::show_moment(const FlightState& s) {
    show_number(Id::time_box, s.t);
    show_number(Id::roll_box, s.mu_deg);
    show_number(Id::pitch_box, s.attitude.pitch);
    show_number(Id::yaw_box, -s.attitude.yaw);
    // The box shows the yaw within a half-turn; the model keeps the angle flown
    // (the same direction), so that what is drawn from it stays as it was.
    const double yaw = -double(s.attitude.yaw), shown = half_turn_deg(yaw);
    if (shown != yaw || (yaw == 0 && std::signbit(yaw)))
        set_text(w_, Id::yaw_box, float_text(float(shown)));
}

void Session::look_at(int64_t tick) {
    if (tick < 1 || tick > ticks_to_look_back()) return;
    if (looked_at_ == 0) {
        // The flight as it stands, to return to.
        for (size_t i = 0; i < live_texts_.size(); ++i) live_texts_[i] = text(w_, kMomentBoxes[i]);
        live_model_ = model_;
    }
    looked_at_ = tick;
    show_moment(recorded_state(tick));
    if (scene_mode() != Mode::fixed)
        show_view_readouts(camera_of_tick(tick + 1));  // as the tick left it
}

void Session::stop_looking_back() {
    if (looked_at_ == 0) return;
    for (size_t i = 0; i < live_texts_.size(); ++i) set_text(w_, kMomentBoxes[i], live_texts_[i]);
    model_.roll = live_model_.roll, model_.pitch = live_model_.pitch, model_.yaw = live_model_.yaw;
    looked_at_ = 0;
}

// --- the optimal loop ---

void Session::fly_loop(const LoopFlight& loop) {
    end_look_back();
    can_look_back_ = false;
    if (phase_ == RunState::flying) stop_flight();
    loop_ = std::make_shared<const LoopFlight>(loop);
    stick_.reset();
    show_flight_set_up(w_);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    camera_.zoom_deg = 45.0f;
    model_.flight = loop_->params;
    {
        // Its own least wind, not "own values": the rest is the user's set.
        char label[96];
        std::snprintf(label, sizeof label, "the optimal loop at its least wind, U_ref %.3g m/s",
                      double(loop_->params.U_ref));
        Params rest = loop_->params;
        rest.U_ref = model_.params.upwind.U_ref, rest.T_cyc = model_.params.upwind.T_cyc;
        const std::string base = params_note(rest, kLoopView);
        model_.flight_label = std::string(label) + (base.empty() ? "" : " (" + base + ")");
    }
    build_wind_figure(scene_.wind, model_.flight);
    now_ = loop_state_at(*loop_, 0.0);
    pose_.attitude = now_.attitude;
    place_camera(camera_, scene_.wind, kLoopView, now_.Z);
    show_observer();
    pose_.scale = model_.bird_scale;
    update_view_and_readouts();
    set_timer_interval();
    ticks_ = 0;
    start_flight();
}

// --- flying yourself ---

std::vector<TimedCommand> Session::commands_given() const {
    if (!stick_ || ticks_ == 0) return {};
    std::vector<TimedCommand> c = commands_given_;
    c.push_back({now_.t, stick_->command()});
    return c;
}

void Session::fly_yourself() {
    end_look_back();
    can_look_back_ = false;
    if (phase_ == RunState::flying) stop_flight();
    loop_.reset();
    stick_.reset();
    const Mode selected = model_.pattern;
    const Mode view =
        selected == Mode::fixed || selected == Mode::profile ? Mode::upwind : selected;
    const Params p = model_.params.of(view);
    FlightState start;
    try {
        start = pattern_start(p, view);
    } catch (const FlightFault& f) {
        w_.message =
            std::string("No flight of your own can start with these parameters: ") + f.what() + ".";
        return;
    }
    set_own_attitude(start, p);
    pilot_view_ = view;
    pilot_start_ = start;
    stick_ = Stick{0.0f, start.CL, start.CL};
    pilot_keys_ = {};
    show_flight_set_up(w_);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    camera_.zoom_deg = 45.0f;
    model_.flight = p;
    model_.flight_mode = view;
    model_.flight_label.clear();
    build_wind_figure(scene_.wind, model_.flight);
    now_ = start;
    pose_.attitude = now_.attitude;
    place_camera(camera_, scene_.wind, view, now_.Z);
    show_observer();
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
    if (looked_at_ > 0) look_at(looked_at_);  // the moment's view read-outs
    if (scene_mode() != Mode::fixed) return;
    pic_.clear();
    zoom_view_angle(camera_, sign);
    redraw_fixed();
}

void Session::pan_up_down(double sign) {
    pan_pitch(pose_.attitude, sign);
    pic_.clear();
    show_number(Id::pitch_box, pose_.attitude.pitch);
    redraw_fixed();
}

void Session::pan_left_right(double sign) {
    if (scene_mode() != Mode::fixed) return;
    pan_yaw(pose_.attitude, sign);
    pic_.clear();
    show_number(Id::yaw_box, -pose_.attitude.yaw);
    redraw_fixed();
}

void Session::pan(PanDirection direction) {
    switch (direction) {
        case PanDirection::up:
            pan_height(camera_, 1.1);
            if (looked_at_ > 0) look_at(looked_at_);
            if (scene_mode() == Mode::fixed) pan_up_down(+1.0);
            break;
        case PanDirection::down:
            pan_height(camera_, 0.9);
            if (looked_at_ > 0) look_at(looked_at_);
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

void Session::reset_view() {
    show_reset(w_);
    show_number(Id::pitch_box, 0.0f);
    show_number(Id::roll_box, 57.0f);
    show_number(Id::yaw_box, -90.0f);
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
    if (!view_only) end_look_back();
    // A check box toggles; an option is selected by its operation.
    if (c.kind == Kind::check) set_switch(id, c.value != 1);
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
    end_look_back();
    can_look_back_ = false;
    select(id);
    undo_set_up();
    if (model_.pattern != Mode::fixed && model_.pattern != Mode::profile) prepare_moving_view();
    show_pattern_chosen(w_, model_.pattern);
}

void Session::set_check(Id id, int value) {
    Control& c = control(w_, id);
    if (c.kind != Kind::check) return;
    end_look_back();
    set_switch(id, value == 1);
    if (id == Id::ground_track_box || id == Id::air_track_box) {
        show_track_chosen(w_);
        undo_set_up();
    }
}

void Session::edit_text(Id id, std::string text) {
    Control& c = control(w_, id);
    if (c.kind != Kind::text || w_.ended) return;
    end_look_back();
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
