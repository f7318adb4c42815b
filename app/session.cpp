#include "app/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>

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

constexpr Id kMovingOptions[] = {Id::circle_zoom_option, Id::upwind_option, Id::crosswind_option,
                                 Id::downwind_option};

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

Attitude typed_attitude(const Window& w) {
    return {float(-number_in(w, Id::roll_box)), float(number_in(w, Id::pitch_box)),
            float(-number_in(w, Id::yaw_box))};
}

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

Camera fixed_view_camera(const Window& w) {
    Camera c;
    open_camera(c);
    c.x_eye = float(number_in(w, Id::observer_x_box));
    c.y_eye = float(number_in(w, Id::observer_y_box));
    c.z_eye = float(number_in(w, Id::observer_z_box));
    update_view(c);
    return c;
}

Session::Session(Surface& picture, Clock& clock, TextFiles& files)
    : pic_(picture), flight_clock_(clock), files_(files), w_(make_window()) {}

Attitude Session::typed_attitude() const {
    return soar::typed_attitude(w_);
}

bool Session::writing_files() const {
    return checked(w_, Id::write_files_box);
}

Mode Session::scene_mode() const {
    return loop_ ? kLoopView : selected_mode(w_);
}

SceneSwitches Session::switches() const {
    SceneSwitches s{scene_mode(), checked(w_, Id::grid_box), checked(w_, Id::ground_track_box),
                    checked(w_, Id::air_track_box)};
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

int32_t Session::timer_interval() const {
    // The box's rounded number; an interval the timer cannot take (0, negative,
    // huge, no number) becomes the nearest sensible one: 1 ms to 10 s.
    const double v = number_in(w_, Id::step_box);
    if (std::isnan(v)) return 1;
    return std::clamp(to_i32(std::clamp(v, -1e9, 1e9)), 1, 10000);
}

void Session::set_timer_interval() {
    w_.timer.interval_ms = timer_interval();
    // Far above any ordinary gap between two ticks, whatever the interval.
    const double interval = double(w_.timer.interval_ms) / 1000.0;
    flight_clock_.set_stall_bound(pause_on_hold_up_ ? std::max(0.25, 2.0 * interval + 0.1) : 0.0);
}

void Session::set_pause_on_hold_up(bool on) {
    pause_on_hold_up_ = on;
    set_timer_interval();
}

// --- start-up ---

void Session::start_up() {
    show(w_, Id::picture);
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
    set_text(w_, Id::azimuth_box, float_text(camera_.azimuth_deg));
    set_text(w_, Id::depression_box, float_text(camera_.depression_deg));
}

// --- choosing a pattern ---

void Session::choose_pattern(Mode mode) {
    choose_option(option_of(mode));
}

void Session::prepare_moving_view(bool fixed_first) {
    pic_.clear();
    hide(w_, Id::pan_left_button);
    hide(w_, Id::pan_right_button);
    show(w_, Id::ground_track_box);
    show(w_, Id::air_track_box);
    if (fixed_first) {
        hide(w_, Id::fixed_option);
        hide(w_, Id::fly_button);
    } else {
        hide(w_, Id::fly_button);
        hide(w_, Id::fixed_option);
    }
}

// --- set-up ---

void Session::place_camera_for(Mode mode) {
    if (mode == Mode::fixed) {
        camera_.x_eye = float(number_in(w_, Id::observer_x_box));
        camera_.y_eye = float(number_in(w_, Id::observer_y_box));
        camera_.z_eye = float(number_in(w_, Id::observer_z_box));
    } else {
        place_camera(camera_, scene_.wind, mode, now_.Z);
        // The profile demo draws the bird beside its figure at the bird's height.
        if (mode == Mode::profile) bird_shift_.x = 8, bird_shift_.z = now_.Z;
    }
    set_text(w_, Id::observer_x_box, float_text(camera_.x_eye));
    set_text(w_, Id::observer_y_box, float_text(camera_.y_eye));
    set_text(w_, Id::observer_z_box, float_text(camera_.z_eye));
}

void Session::set_up_flight() {
    end_look_back();
    can_look_back_ = false;
    // "OK" during a flight stops it first, as STOP does: set-up resets the state the
    // running ticks integrate, and the next tick would step from the old flight's
    // time to the new start in one huge step.
    if (w_.timer.enabled) stop_flight();
    // The optimal loop, if one flew, gives way to the selected pattern.
    loop_.reset();
    const Mode mode = selected_mode(w_);
    const bool moving = mode != Mode::fixed;
    if (moving) show(w_, Id::fly_button);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    if (moving) camera_.zoom_deg = 45.0f;
    w_.flight = w_.params.of(mode);
    w_.flight_mode = mode;
    w_.flight_label.clear();
    build_wind_figure(scene_.wind, w_.flight);
    if (!moving) pose_.attitude = typed_attitude();
    place_camera_for(mode);
    if (moving) {
        // The bird waits at the pattern's start height, at the origin.
        pose_.attitude = typed_attitude();
        now_.Z = w_.flight.Z_start;
        now_.t = 0, now_.X = 0, now_.Y = 0;
        update_wind_at_bird(now_, w_.flight);
    }
    pose_.scale = float(number_in(w_, Id::bird_scale_box));
    update_view_and_readouts();
    if (moving) {
        set_timer_interval();
        ticks_ = 0;
    } else {
        draw_bird_exporting();
    }
}

void Session::draw_bird_exporting() {
    const ExportResult r =
        draw_bird(bird_, pose_, camera_, bird_shift_, pic_, writing_files() ? &files_ : nullptr);
    if (r.ok) return;
    // Nothing more is written until the user ticks the box again.
    control(w_, Id::write_files_box).value = 0;
    w_.message = "The geometry files could not be written: " + r.error +
                 ". \"Write to File\" has been turned off.";
}

void Session::draw_bird_now() {
    end_look_back();
    can_look_back_ = false;
    show(w_, Id::ok_button);
    pic_.clear();
    draw_bird_exporting();
    const Mode mode = selected_mode(w_);
    if (mode != Mode::fixed && mode != Mode::circlezoom)
        draw_wind_figure(scene_.wind, camera_, pic_, bird_shift_);
}

// --- run control ---

void Session::start_flight() {
    end_look_back();
    // A second FLY during a flight would restart the clock under the running
    // integration and give the next step a negative dt: it is ignored, but for
    // a paused flight, which goes on from where it was.
    if (w_.timer.enabled) {
        if (flight_clock_.paused()) flight_clock_.resume();
        return;
    }
    hide(w_, Id::fixed_option);
    for (Id id : kMovingOptions)
        if (!selected(w_, id)) hide(w_, id);
    hide(w_, Id::ground_track_box);
    hide(w_, Id::air_track_box);
    show(w_, Id::stop_button);
    camera_.y_eye = float(number_in(w_, Id::observer_y_box));
    pose_.attitude = typed_attitude();
    set_timer_interval();
    w_.timer.enabled = true;
    fault_.clear();
    flight_clock_.restart();
    timer_.start(flight_clock_.seconds_since_midnight());
}

void Session::stop_flight() {
    // A paused flight that is stopped is stopped: the next FLY runs the clock.
    flight_clock_.resume();
    record_.end("stopped with STOP");
    hide(w_, Id::fly_button);
    for (Id id : kMovingOptions) show(w_, id);
    w_.timer.enabled = false;
}

void Session::end_program() {
    w_.timer.enabled = false;
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
    } else if (w_.timer.enabled) {
        flight_clock_.pause();
    }
}

void Session::change_pace(int step) {
    flight_clock_.set_pace(flight_clock_.pace_index() + step);
}

// --- the tick ---

bool Session::advance_flight() {
    ++ticks_;
    const Mode mode = loop_ ? kLoopView : selected_mode(w_);
    try {
        if (ticks_ == 1) {
            if (loop_) {
                const std::shared_ptr<const LoopFlight> loop = loop_;
                flight_.emplace(w_.flight, mode,
                                [loop](double t) { return loop_state_at(*loop, t); });
            } else {
                flight_.emplace(w_.flight, mode, pose_.attitude);
            }
            now_ = flight_->state();
            record_.begin(mode, now_, w_.flight, std::time(nullptr));
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
            flight_->step(double(t) - double(flight_->state().t));
            now_ = flight_->state();
            set_text(w_, Id::time_box, float_text(now_.t));
            set_text(w_, Id::roll_box, float_text(now_.mu_deg));
            set_text(w_, Id::pitch_box, float_text(now_.attitude.pitch));
            set_text(w_, Id::yaw_box, float_text(-now_.attitude.yaw));
            record_.add(now_);
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

void Session::advance_scene(Frame& f) {
    f.switches = switches();
    f.camera = camera_;
    f.scale = pic_.scale_setting();
    if (ticks_ == 1) first_camera_ = f.camera, first_scale_ = f.scale;
    f.tick = ticks_;
    f.pose = pose_;
    f.X = now_.X, f.Y = now_.Y, f.Z = now_.Z;
    f.valid = true;
    if (f.switches.ground || f.switches.air)
        track_record(scene_.tracks, ticks_, now_.X, now_.Y, now_.Z);
    if (f.switches.air && f.switches.colour != TrackColour::plain) {
        const Energy e = energy_of(now_, w_.flight);
        track_record_values(scene_.tracks, ticks_,
                            {float(double(e.dE_wind) + double(e.dE_drag)), e.dE_wind, now_.V});
        f.colours = colour_scale(scene_.tracks, f.switches.colour);
    }
    if (f.switches.arrows) f.motion = motion_of(now_);
    const Mode mode = f.switches.mode;
    if (mode != Mode::fixed) {
        move_camera(camera_, mode, now_.X, now_.Y, now_.Z);
        apply_view_scale(camera_, pic_);
        set_text(w_, Id::azimuth_box, float_text(camera_.azimuth_deg));
        set_text(w_, Id::depression_box, float_text(camera_.depression_deg));
    }
    bird_shift_ = {};
}

void Session::advance_tick() {
    // The flight is advanced before the picture is cleared (nothing of the flight
    // depends on the picture), so a flight stopped by a fault leaves the last
    // complete picture on the screen.
    if (flight_clock_.paused()) return;
    try {
        if (!advance_flight()) return;
        Frame f;
        advance_scene(f);
        const ExportResult r =
            draw_frame(f, scene_, bird_, pic_, writing_files() ? &files_ : nullptr);
        if (!r.ok) {
            control(w_, Id::write_files_box).value = 0;
            w_.message = "The geometry files could not be written: " + r.error +
                         ". \"Write to File\" has been turned off.";
        }
    } catch (const std::exception& e) {
        const std::string t = float_text(now_.t);
        flight_failed(
            "the flight stopped at t = " + t + " s by an internal error: " + e.what(),
            "The flight was stopped at t = " + t + " s by an internal error: " + e.what());
    }
}

void Session::advance_tick(Frame& frame) {
    try {
        if (!advance_flight()) return;
        advance_scene(frame);
    } catch (const std::exception& e) {
        const std::string t = float_text(now_.t);
        flight_failed(
            "the flight stopped at t = " + t + " s by an internal error: " + e.what(),
            "The flight was stopped at t = " + t + " s by an internal error: " + e.what());
    }
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
    if (w_.timer.enabled && !flight_clock_.paused()) return 0;
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

void Session::look_at(int64_t tick) {
    if (tick < 1 || tick > ticks_to_look_back()) return;
    constexpr Id kShown[] = {Id::time_box, Id::roll_box,    Id::pitch_box,
                             Id::yaw_box,  Id::azimuth_box, Id::depression_box};
    if (looked_at_ == 0)
        for (size_t i = 0; i < live_texts_.size(); ++i) live_texts_[i] = text(w_, kShown[i]);
    looked_at_ = tick;
    const FlightState s = recorded_state(tick);
    set_text(w_, Id::time_box, float_text(s.t));
    set_text(w_, Id::roll_box, float_text(s.mu_deg));
    set_text(w_, Id::pitch_box, float_text(s.attitude.pitch));
    set_text(w_, Id::yaw_box, float_text(-s.attitude.yaw));
    if (scene_mode() != Mode::fixed) {
        const Camera c = camera_of_tick(tick + 1);  // as the tick left it
        set_text(w_, Id::azimuth_box, float_text(c.azimuth_deg));
        set_text(w_, Id::depression_box, float_text(c.depression_deg));
    }
}

void Session::stop_looking_back() {
    constexpr Id kShown[] = {Id::time_box, Id::roll_box,    Id::pitch_box,
                             Id::yaw_box,  Id::azimuth_box, Id::depression_box};
    if (looked_at_ == 0) return;
    for (size_t i = 0; i < live_texts_.size(); ++i) set_text(w_, kShown[i], live_texts_[i]);
    looked_at_ = 0;
}

// --- the optimal loop ---

void Session::fly_loop(const LoopFlight& loop) {
    end_look_back();
    can_look_back_ = false;
    if (w_.timer.enabled) stop_flight();
    loop_ = std::make_shared<const LoopFlight>(loop);
    show(w_, Id::fly_button);
    pic_.clear();
    update_view_and_readouts();
    sky_sea(camera_, pic_);
    camera_.zoom_deg = 45.0f;
    w_.flight = loop_->params;
    {
        // Its own least wind, not "own values": the rest is the user's set.
        char label[96];
        std::snprintf(label, sizeof label, "the optimal loop at its least wind, U_ref %.3g m/s",
                      double(loop_->params.U_ref));
        Params rest = loop_->params;
        rest.U_ref = w_.params.upwind.U_ref, rest.T_cyc = w_.params.upwind.T_cyc;
        const std::string base = params_note(rest, kLoopView);
        w_.flight_label = std::string(label) + (base.empty() ? "" : " (" + base + ")");
    }
    build_wind_figure(scene_.wind, w_.flight);
    now_ = loop_state_at(*loop_, 0.0);
    pose_.attitude = now_.attitude;
    place_camera(camera_, scene_.wind, kLoopView, now_.Z);
    set_text(w_, Id::observer_x_box, float_text(camera_.x_eye));
    set_text(w_, Id::observer_y_box, float_text(camera_.y_eye));
    set_text(w_, Id::observer_z_box, float_text(camera_.z_eye));
    pose_.scale = float(number_in(w_, Id::bird_scale_box));
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
    set_text(w_, Id::pitch_box, float_text(pose_.attitude.pitch));
    redraw_fixed();
}

void Session::pan_left_right(double sign) {
    if (scene_mode() != Mode::fixed) return;
    pan_yaw(pose_.attitude, sign);
    pic_.clear();
    set_text(w_, Id::yaw_box, float_text(-pose_.attitude.yaw));
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
    show(w_, Id::fixed_option);
    show(w_, Id::ground_track_box);
    show(w_, Id::air_track_box);
    set_text(w_, Id::pitch_box, "0");
    set_text(w_, Id::roll_box, "57");
    set_text(w_, Id::yaw_box, "-90");
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
    if (c.kind == Kind::option) {
        select_option(w_, id);
    } else if (c.kind == Kind::check) {
        c.value = c.value == 1 ? 0 : 1;
    }
    switch (id) {
        case Id::ground_track_box:
        case Id::air_track_box:
            hide(w_, Id::fly_button);
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
    select_option(w_, id);
    switch (id) {
        case Id::upwind_option:
            prepare_moving_view(true);
            break;
        case Id::downwind_option:
        case Id::crosswind_option:
        case Id::circle_zoom_option:
            prepare_moving_view(false);
            break;
        case Id::fixed_option:
            hide(w_, Id::fly_button);
            hide(w_, Id::ground_track_box);
            hide(w_, Id::air_track_box);
            break;
        case Id::profile_option:
            hide(w_, Id::draw_button);
            show(w_, Id::stop_button);
            hide(w_, Id::fly_button);
            if (selected(w_, Id::profile_option)) show(w_, Id::ok_button);
            break;
        default:
            break;
    }
}

void Session::set_check(Id id, int value) {
    Control& c = control(w_, id);
    if (c.kind != Kind::check) return;
    end_look_back();
    c.value = value == 1 ? 1 : 0;
    if (id == Id::ground_track_box || id == Id::air_track_box) hide(w_, Id::fly_button);
}

void Session::edit_text(Id id, std::string text) {
    Control& c = control(w_, id);
    if (c.kind != Kind::text || w_.ended) return;
    end_look_back();
    // Every number of the program is a 32-bit float: a typed value beyond its
    // range (about 3.4E+38) would turn into infinity and, through the attitude,
    // scale or observer, into NaN in the picture and the read-outs.
    if (!std::isfinite(float(text_value(text)))) {
        w_.message = "The value typed in the box \"" + box_name(w_, id) + "\", \"" +
                     shortened(text) +
                     "\", is too large: the program's numbers reach about 3.4E+38. The box "
                     "keeps its previous value, \"" +
                     shortened(c.text) + "\".";
        return;
    }
    c.text = std::move(text);
    if (id == Id::step_box) set_timer_interval();
    if (id == Id::bird_scale_box) pose_.scale = float(number_in(w_, Id::bird_scale_box));
}

// --- names ---

Id option_of(Mode mode) {
    switch (mode) {
        case Mode::upwind:
            return Id::upwind_option;
        case Mode::downwind:
            return Id::downwind_option;
        case Mode::crosswind:
            return Id::crosswind_option;
        case Mode::circlezoom:
            return Id::circle_zoom_option;
        case Mode::profile:
            return Id::profile_option;
        case Mode::fixed:
            break;
    }
    return Id::fixed_option;
}

}  // namespace soar
