#include "app/look_back.h"

#include <algorithm>
#include <cmath>

#include "sim/flight.h"
#include "view/projection.h"
#include "view/track_colour.h"

namespace soar {

namespace {

// The boxes a moment looked back at shows anew.
constexpr Id kMomentBoxes[] = {Id::time_box, Id::roll_box,    Id::pitch_box,
                               Id::yaw_box,  Id::azimuth_box, Id::depression_box};
static_assert(std::size(kMomentBoxes) == std::tuple_size_v<std::array<std::string, 6>>);

// The views whose observer rides with the bird at the follow displacement.
bool follows_bird(Mode mode) {
    return mode != Mode::fixed && mode != Mode::profile;
}

// How far `now`'s follow displacement reaches beside and above the bird, as a
// share of `then`'s: zoom scales both, pan up and down the height alone. 1
// where `then` reaches nowhere that way.
double reach_across(const Camera& now, const Camera& then) {
    const double was = std::sqrt(double(then.dx_follow) * double(then.dx_follow) +
                                 double(then.dy_follow) * double(then.dy_follow));
    const double is = std::sqrt(double(now.dx_follow) * double(now.dx_follow) +
                                double(now.dy_follow) * double(now.dy_follow));
    return was > 0 ? is / was : 1.0;
}

double reach_up(const Camera& now, const Camera& then) {
    return then.dz_follow != 0 ? double(now.dz_follow) / double(then.dz_follow) : 1.0;
}

}  // namespace

BirdMotion motion_of(const FlightState& s) {
    BirdMotion m;
    m.wind = s.U;
    m.x_air = s.Xdot_air, m.x_ground = s.Xdot, m.y = s.Ydot;
    m.z = float(double(s.V) * std::sin(double(s.gam())));
    return m;
}

void LookBack::first_tick(const Camera& camera, const ScaleSetting& scale) {
    first_camera_ = camera, first_scale_ = scale;
    possible_ = true;
}

int64_t LookBack::ticks(bool stands_still) const {
    if (!possible_ || !record_.keep_history || !stands_still) return 0;
    return int64_t(record_.history.size());
}

void LookBack::look_at(int64_t tick, const Window& w, const RunModel& m) {
    if (looked_at_ == 0) {
        for (size_t i = 0; i < live_texts_.size(); ++i) live_texts_[i] = text(w, kMomentBoxes[i]);
        live_roll_ = m.roll, live_pitch_ = m.pitch, live_yaw_ = m.yaw;
    }
    looked_at_ = tick;
}

void LookBack::end(Window& w, RunModel& m) {
    if (looked_at_ == 0) return;
    for (size_t i = 0; i < live_texts_.size(); ++i) set_text(w, kMomentBoxes[i], live_texts_[i]);
    m.roll = live_roll_, m.pitch = live_pitch_, m.yaw = live_yaw_;
    looked_at_ = 0;
}

int64_t LookBack::tick_at_time(double t, int64_t last) const {
    const FlightHistory& h = record_.history;
    if (last == 0 || h.samples() == 0) return 0;
    size_t j = h.index_at_or_after(t);
    if (j >= h.samples() || double(h.sample(Column::t, j)) > t) j = j > 0 ? j - 1 : 0;
    const auto [first, count] = h.ticks_of_sample(j);
    return std::min<int64_t>(last, int64_t(first + count));
}

int64_t LookBack::tick_steps_on(int64_t tick, int64_t steps, int64_t last) const {
    const FlightHistory& h = record_.history;
    if (last == 0 || h.samples() == 0) return 0;
    tick = std::clamp<int64_t>(tick, 1, last);
    const auto j = int64_t(h.sample_of_tick(size_t(tick - 1)));
    const auto to = size_t(std::clamp<int64_t>(j + steps, 0, int64_t(h.samples()) - 1));
    const auto [first, count] = h.ticks_of_sample(to);
    return std::min<int64_t>(last, int64_t(first + count));
}

double LookBack::time_of_tick(int64_t tick) const {
    if (tick < 1 || size_t(tick) > record_.history.size()) return 0.0;
    return record_.history.at(Column::t, size_t(tick - 1));
}

FlightState LookBack::state_at(int64_t tick) const {
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

Energy LookBack::energy_at(int64_t tick) const {
    Energy e;
    if (tick < 1 || size_t(tick) > record_.history.size()) return e;
    const HistoryRow r = record_.history.row_at(size_t(tick - 1));
    const Params& p = record_.params;
    e.E_kin = float(kinetic_height(r[size_t(Column::V)], double(p.g)));
    e.E_pot = r[size_t(Column::Z)];
    e.E = r[size_t(Column::E)];
    e.dE_wind = r[size_t(Column::dE_wind)];
    e.dE_drag = r[size_t(Column::dE_drag)];
    e.dE_held =
        held_energy_rate(p, r[size_t(Column::Z)], r[size_t(Column::V)], r[size_t(Column::gam_deg)],
                         r[size_t(Column::psi_deg)], r[size_t(Column::Up)]);
    return e;
}

Camera LookBack::camera_of_tick(int64_t tick, const Camera& now, Mode mode) const {
    if (tick <= 1) {
        Camera c = first_camera_;
        if (!follows_bird(mode)) return c;
        const double across = reach_across(now, first_camera_), up = reach_up(now, first_camera_);
        if (across == 1.0 && up == 1.0) return c;  // the very camera the tick drew from
        // Zoom and pan move the set-up observer towards or away from the point
        // it looks at, as they move a following observer towards or away from
        // the bird.
        c.x_eye = float(double(c.x_aim) + (double(c.x_eye) - double(c.x_aim)) * across);
        c.y_eye = float(double(c.y_aim) + (double(c.y_eye) - double(c.y_aim)) * across);
        c.z_eye = float(double(c.z_aim) + (double(c.z_eye) - double(c.z_aim)) * up);
        c.dx_follow = now.dx_follow, c.dy_follow = now.dy_follow, c.dz_follow = now.dz_follow;
        update_view(c);
        return c;
    }
    // The tick found the camera where the tick before had moved it.
    Camera c = now;
    const HistoryRow r = record_.history.row_at(size_t(tick - 2));
    move_camera(c, mode, r[size_t(Column::X)], r[size_t(Column::Y)], r[size_t(Column::Z)]);
    return c;
}

Frame LookBack::frame_at(int64_t tick, const SceneSwitches& switches, const Camera& now,
                         const BirdPose& pose, const Tracks& tracks) const {
    Frame f;
    if (tick < 1 || size_t(tick) > record_.history.size()) return f;
    const FlightState s = state_at(tick);
    f.switches = switches;
    f.camera = camera_of_tick(tick, now, switches.mode);
    // The first tick's own scale while its camera is the one it drew from.
    const bool as_drawn = tick == 1 && f.camera.x_eye == first_camera_.x_eye &&
                          f.camera.y_eye == first_camera_.y_eye &&
                          f.camera.z_eye == first_camera_.z_eye;
    f.scale = as_drawn ? first_scale_ : ScaleSetting{f.camera.left,   f.camera.top, f.camera.right,
                                                     f.camera.bottom, kScaleUser,   false};
    f.tick = tick;
    f.pose = pose;
    f.pose.attitude = s.attitude;
    f.X = s.X, f.Y = s.Y, f.Z = s.Z;
    if (f.switches.air && f.switches.colour != TrackColour::plain)
        f.colours = colour_scale(tracks, f.switches.colour, tick);
    if (f.switches.arrows) f.motion = motion_of(s);
    f.valid = true;
    return f;
}

}  // namespace soar
