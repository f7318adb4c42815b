#include "app/loop_flight.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "optim/loop_dynamics.h"
#include "optim/loop_playback.h"
#include "platform/number_text.h"
#include "sim/wind.h"
#include "view/projection.h"
#include "view/view_modes.h"

namespace soar {

namespace {

constexpr double kR2D = 180.0 / 3.14159265358979323846;
// The loop is drawn as the upwind view draws its pattern: the observer
// follows the bird, and the wind figure stands beside the loop.
constexpr Mode kLoopView = Mode::upwind;

}  // namespace

LoopFlight make_loop_flight(const Params& flight, const optim::LoopProblem& problem,
                            const optim::LoopSolution& solution) {
    LoopFlight f{problem, solution, flight};
    // The loop's wind scale is the profile's far-field speed, as U_ref is.
    f.params.U_ref = float(solution.wind);
    f.params.T_cyc = float(solution.period);
    return f;
}

void set_loop_state(State& s, const LoopFlight& f, double t) {
    using namespace optim;
    const LoopPoint q = loop_point(f.problem, f.solution, t);
    LoopState rate;
    loop_rates(f.problem, q.x.data(), q.u.data(), f.solution.wind, rate.data());
    const double V = q.x[kV], gam = q.x[kGamma], psi = q.x[kPsi], mu = q.u[kBank];
    const double CL = q.u[kCL], g = f.problem.g;
    s.t = float(t);
    s.X = float(q.x[kX]);
    s.Y = float(q.x[kY]);
    s.Z = float(q.x[kZ]);
    s.V = float(V);
    s.gam = float(gam);
    s.gam_deg = float(gam * kR2D);
    s.gam_dot = float(rate[kGamma] * kR2D);
    s.psi = float(psi);
    s.psi_deg = float(psi * kR2D);
    s.psi_dot = float(rate[kPsi] * kR2D);
    s.mu = float(mu);
    s.mu_deg = float(mu * kR2D);
    s.U = float(q.U);
    s.Up = float(q.Up);
    s.Up_V_g = float(q.Up * V / g);
    s.CL = float(CL);
    s.CD = float(q.CD);
    // D/L times Nz is the drag over the weight; at zero lift D/L alone has no
    // value, so it is taken at a lift coefficient just above zero.
    s.D_L = float(q.CD / std::max(CL, 1e-6));
    s.Nz = float(q.n);
    s.Nx = float(rate[kV] / g);
    s.Xdot_air = float(-V * std::cos(gam) * std::cos(psi));
    s.Xdot = float(rate[kX]);
    s.Ydot = float(rate[kY]);
    // The attitude the flight model gives the bird: body axis at the angle of
    // attack above the flight path, tilted by the bank.
    s.alpha = float(CL / double(f.params.CL_alpha) - double(f.params.alpha_off));
    const double alpha = s.alpha;
    s.roll_b = -s.mu_deg;
    s.pitch_b = float(alpha * std::cos(double(s.mu)) + double(s.gam_deg));
    s.yaw_b = float(-double(s.psi_deg) - alpha * std::sin(double(s.mu)));
}

void start_loop_flight(State& s, Window& w, Io& io, LoopFlight& f) {
    if (w.timer.enabled) cmd_STOp_click(s, w, io);
    io.loop = &f;
    show(w, Id::cmd_RESUME);
    io.pic.clear();
    view_update(s, w, io);
    sky_sea(s, io.pic);
    s.zoom_deg = 45.0f;
    w.flight = f.params;
    wind_profile_setup(s, w.flight);
    set_loop_state(s, f, 0.0);
    view_mode_place(s, kLoopView);
    set_text(w, Id::txt_xep, float_text(s.xep));
    set_text(w, Id::txt_yep, float_text(s.yep));
    set_text(w, Id::txt_zep, float_text(s.zep));
    s.bird_scale = float(number_in(w, Id::txt_bird_scale));
    view_update(s, w, io);
    w.timer.interval_ms = timer_interval(w);
    s.n_step = 0;
    cmd_RESUME_Click(s, w, io);
}

bool loop_tick_flight(State& s, Window& w, Io& io) {
    const LoopFlight& f = *io.loop;
    ++s.n_step;
    const float clock = io.clock.seconds_since_midnight();
    if (double(clock) < s.clock_last - 43200.0) s.clock_days += 86400.0;
    s.clock_last = clock;
    const double raw = double(clock) + s.clock_days - double(s.t_start);
    // The first tick is the loop's start, as a pattern's first tick is.
    const double t = s.n_step == 1 ? 0.0 : raw;
    s.t_old = s.t;
    set_loop_state(s, f, t);
    s.dt = float(double(s.t) - double(s.t_old));
    if (s.n_step == 1) {
        if (io.record) io.record->begin(kLoopView, s, w.flight, std::time(nullptr));
    } else {
        set_text(w, Id::txt_time, float_text(s.t));
        set_text(w, Id::txt_rollR, float_text(s.mu_deg));
        set_text(w, Id::txt_pitchup, float_text(s.pitch_b));
        set_text(w, Id::txt_yawR, float_text(-s.yaw_b));
        if (io.record) io.record->add(s);
    }
    return true;
}

Mode scene_mode(const Window& w, const Io& io) {
    return io.loop ? kLoopView : selected_mode(w);
}

}  // namespace soar
