#include "sim/flight.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "platform/number_text.h"
#include "sim/aero.h"
#include "sim/constants.h"
#include "sim/control_laws.h"
#include "sim/fault.h"
#include "sim/schedules.h"
#include "sim/trig.h"
#include "sim/wind.h"

namespace soar {

namespace {

// Trapezoidal airspeed update; an airspeed at or below zero ends the flight.
void airspeed_update(FlightState& s, const FlightState& old, const Params& p) {
    s.V =
        float(double(old.V) + (double(old.Nx) + double(s.Nx)) * (double(p.g) * 0.5) * double(s.dt));
    if (!(s.V > 0.0f)) {
        throw FlightFault(std::isfinite(s.V)
                              ? "the airspeed fell to " + std::to_string(s.V) + " m/s"
                              : std::string("the airspeed is no longer finite"));
    }
}

// sin_gam_old: sin of the step's first flight-path angle, the same in every pass.
void height_update(FlightState& s, const FlightState& old, FlightTrig& trig, double sin_gam_old) {
    s.Z = float(double(old.Z) +
                0.5 * (double(old.V) * sin_gam_old + double(s.V) * trig.gam.sin(s.gam())) *
                    double(s.dt));
}

void ground_velocity(FlightState& s, FlightTrig& trig) {
    const double V = s.V;
    const double cos_gam = trig.gam.cos(s.gam());
    s.Xdot_air = float(-V * cos_gam * trig.psi.cos(s.psi()));
    s.Xdot = float(double(s.Xdot_air) + double(s.U));
    s.Ydot = float(V * cos_gam * trig.psi.sin(s.psi()));
}

// Everything the step carries to the next one must still be a number.
void check_state(const FlightState& s) {
    require_finite(s.t, "the flight time");
    require_finite(s.V, "the airspeed");
    require_finite(s.X, "X");
    require_finite(s.Y, "Y");
    require_finite(s.Z, "the height");
    require_finite(s.gam_deg, "the flight-path angle");
    require_finite(s.psi_deg, "the heading");
    require_finite(s.psi_dot, "the heading rate");
    require_finite(s.mu_deg, "the bank angle");
    require_finite(s.Nz, "the load factor Nz");
    require_finite(s.Nx, "the load factor Nx");
    require_finite(s.CL, "the lift coefficient");
    require_finite(s.alpha, "the angle of attack");
    require_finite(s.Xdot, "the ground speed");
    require_finite(s.Ydot, "the ground speed");
}

// Lift, drag and the path's rates of a commanded flight, from its airspeed,
// angles, bank and lift coefficient: the load factor follows from the lift
// coefficient, and the flight-path angle and the heading turn by what the
// lift, the weight and the wind's change along the path leave over:
//   V dgam/dt = g (Nz cos mu - cos gam) - Up V sin^2 gam cos psi
//   dV/dt = g Nx,  Nx = Up_V_g sin gam cos gam cos psi - D/W - sin gam
// Writes Nz, CD, D_L, Nx, gam_dot and psi_dot (deg/s).
void commanded_rates(FlightState& s, const Params& p, FlightTrig& trig) {
    const double V = s.V, g = p.g, Up_V_g = s.Up_V_g;
    require_nonzero(V, "the airspeed is zero");
    // Dynamic pressure over the wing loading W_S 16/3.5^2: lift over weight per unit CL.
    const double q_wl = 0.5 * double(p.rho) * (V * V) / (double(p.W_S) * 16.0 / 12.25);
    const double CL = s.CL;
    s.Nz = float(CL * q_wl);
    s.CD = float(CL * CL * double(p.K_ind) + double(p.CD0));
    const double D_W = double(s.CD) * q_wl;
    // D/L times Nz is D/W; at no lift at all D/L has no value and is left 0.
    s.D_L = CL != 0.0 ? float(double(s.CD) / CL) : 0.0f;
    const double sin_gam = trig.gam.sin(s.gam()), cos_gam = trig.gam.cos(s.gam());
    const double cos_psi = trig.psi.cos(s.psi());
    const double cos_mu = trig.mu.cos(s.mu());
    s.Nx = float(Up_V_g * sin_gam * cos_gam * cos_psi - D_W - sin_gam);
    s.gam_dot = float(
        g / V * (double(s.Nz) * cos_mu - cos_gam - Up_V_g * sin_gam * sin_gam * cos_psi) * k::r2d);
    heading_rate_for_bank(s, p, trig);
}

// `from` moved towards `to` by at most `most`.
float toward(float from, double to, double most) {
    return float(double(from) + std::clamp(to - double(from), -most, most));
}

}  // namespace

namespace {

// Wings level, at the lift coefficient that holds the path of `s` at its
// airspeed (the loading is W_S 16/3.5^2).
void level_wings(FlightState& s, const Params& p) {
    const double V = s.V;
    s.mu_deg = 0.0f;
    s.CL = float(std::cos(double(s.gam())) /
                 (0.5 * double(p.rho) * (V * V) / (double(p.W_S) * 16.0 / 12.25)));
}

}  // namespace

FlightState pattern_start(const Params& p, Mode pattern) {
    FlightState s = Flight(p, pattern).state();
    // Wings level, at the lift of level flight: the designed start's bank
    // would put the lower wing tip in the sea at the start height.
    level_wings(s, p);
    return s;
}

FlightState level_start(const Params& p, Mode pattern) {
    FlightState s = Flight(p, pattern).state();
    s.Z = kLevelStartHeight;
    s.gam_deg = 0.0f;
    level_wings(s, p);
    return s;
}

void set_own_attitude(FlightState& s, const Params& p) {
    s.alpha = float(double(s.CL) / double(p.CL_alpha) - double(p.alpha_off));
    const double alpha = s.alpha;
    const double mu = s.mu();
    s.attitude.roll = -s.mu_deg;
    s.attitude.pitch = float(alpha * std::cos(mu) + double(s.gam_deg));
    s.attitude.yaw = float(-double(s.psi_deg) - alpha * std::sin(mu));
}

void set_ground_velocity(FlightState& s) {
    FlightTrig trig;
    ground_velocity(s, trig);
}

Flight::Flight(const Params& p, Mode pattern, Attitude attitude) : p_(p), mode_(pattern) {
    FlightState& s = s_;
    FlightTrig trig;
    s.attitude = attitude;
    s.Z = p.Z_start;
    s.V = 25.0f;
    update_wind_at_bird(s, p);
    s.psi_deg = -90.0f;
    if (heading_scheduled(pattern)) {
        turn_radius_for_heading(s, p);
        heading_rate_for_turn_radius(s, trig);
        s.gam_dot = float(double(s.dgam_dpsi) * double(s.psi_dot));
        bank_for_path_rates(s, p, trig);
        update_load_factors(s, p, trig);
    } else {
        update_time_schedules(s, p, pattern);
        if (pattern == Mode::upwind) {
            update_load_factors(s, p, trig);
            heading_rate_for_bank(s, p, trig);
        } else if (pattern == Mode::crosswind) {
            bank_for_path_rates(s, p, trig);
            update_load_factors(s, p, trig);
        }
    }
    // The ground velocity of the start state, so that the first step's position
    // update averages two real velocities.
    ground_velocity(s, trig);
}

Flight::Flight(const Params& p, Mode view, const FlightState& start, PilotLimits limits)
    : p_(p), mode_(view), steering_(Steering::commands), limits_(limits) {
    FlightState& s = s_;
    s.t = start.t;
    s.X = start.X, s.Y = start.Y, s.Z = start.Z, s.V = start.V;
    s.gam_deg = start.gam_deg, s.psi_deg = start.psi_deg, s.mu_deg = start.mu_deg;
    s.CL = start.CL;
    require_nonzero(s.V, "the airspeed is zero");
    update_wind_at_bird(s, p);
    FlightTrig trig;
    commanded_rates(s, p, trig);
    set_own_attitude(s, p);
    ground_velocity(s, trig);
    check_state(s);
    command_ = {s.mu_deg, s.CL, LiftCommand::lift_coefficient};
}

Flight::Flight(const Params& p, Mode pattern, FlightPath path)
    : p_(p), mode_(pattern), path_(std::move(path)), steering_(Steering::playback) {
    s_ = path_(0.0);
    s_.t = 0.0f;
    s_.dt = 0.0f;
}

void Flight::step(double dt) {
    if (path_) {
        const float t_old = s_.t;
        const float t = float(double(t_old) + dt);
        s_ = path_(double(t));
        s_.t = t;
        s_.dt = float(double(t) - double(t_old));
        return;
    }
    if (steering_ == Steering::commands) {
        step_commanded(dt);
        return;
    }
    FlightState& s = s_;
    const Params& p = p_;
    const Mode mode = mode_;
    const FlightState old = s;
    s.t = float(double(old.t) + dt);
    s.dt = float(double(s.t) - double(old.t));

    if (mode == Mode::upwind || mode == Mode::crosswind) update_time_schedules(s, p, mode);
    FlightTrig trig;
    const double sin_gam_old = std::sin(double(old.gam_deg) * k::d2r);

    // Four passes, no convergence test: pass 1 is an Euler predictor (the rates
    // still equal the saved ones), passes 2 to 4 are trapezoidal corrections.
    for (int pass = 1; pass <= 4; ++pass) {
        if (mode != Mode::crosswind) {
            s.psi_deg = float(double(old.psi_deg) +
                              0.5 * (double(old.psi_dot) + double(s.psi_dot)) * double(s.dt));
            // One full turn is one cycle: the heading wraps from 270 back to -90.
            if (heading_scheduled(mode) && s.psi_deg > 270.0f)
                s.psi_deg = float(double(s.psi_deg) - 360.0);
            turn_radius_for_heading(s, p);
        }
        if (heading_scheduled(mode)) {
            path_angle_for_heading(s, p);
            airspeed_update(s, old, p);
            height_update(s, old, trig, sin_gam_old);
            update_wind_at_bird(s, p);
            heading_rate_for_turn_radius(s, trig);
            s.gam_dot = float(double(s.dgam_dpsi) * double(s.psi_dot));
            bank_for_path_rates(s, p, trig);
            update_load_factors(s, p, trig);
        } else if (mode == Mode::upwind) {
            airspeed_update(s, old, p);
            height_update(s, old, trig, sin_gam_old);
            update_wind_at_bird(s, p);
            update_load_factors(s, p, trig);
            heading_rate_for_bank(s, p, trig);
        } else if (mode == Mode::crosswind) {
            airspeed_update(s, old, p);
            height_update(s, old, trig, sin_gam_old);
            update_wind_at_bird(s, p);
            update_load_factors(s, p, trig);
            bank_for_path_rates(s, p, trig);
            update_load_factors(s, p, trig);  // again, so that Nx and Nz belong to the new bank
        }
    }

    s.alpha = float(double(s.CL) / double(p.CL_alpha) - double(p.alpha_off));
    const double alpha = s.alpha;
    s.attitude.roll = -s.mu_deg;
    s.attitude.pitch = float(alpha * trig.mu.cos(s.mu()) + double(s.gam_deg));
    s.attitude.yaw = float(-double(s.psi_deg) - alpha * trig.mu.sin(s.mu()));

    ground_velocity(s, trig);
    s.X = float(double(old.X) + 0.5 * (double(old.Xdot) + double(s.Xdot)) * double(s.dt));
    s.Y = float(double(old.Y) + 0.5 * (double(old.Ydot) + double(s.Ydot)) * double(s.dt));
    check_state(s);
    // Only the step's end counts: the passes may try a height below the surface
    // on their way to one above it.
    if (s.Z < 0.0f) throw SeaContact();
}

void Flight::step_commanded(double dt) {
    FlightState& s = s_;
    const Params& p = p_;
    const PilotLimits& lim = limits_;
    const FlightState old = s;
    s.t = float(double(old.t) + dt);
    s.dt = float(double(s.t) - double(old.t));
    const double h = s.dt;

    // The controls at the step's end: bank and lift coefficient moved towards
    // the command, no faster than the bird can.
    const double bank_to =
        std::clamp(double(command_.mu_deg), -double(lim.bank_max), double(lim.bank_max));
    double CL_to = command_.lift;
    if (command_.kind == LiftCommand::load_factor) {
        const double V = old.V;
        CL_to = double(command_.lift) /
                (0.5 * double(p.rho) * (V * V) / (double(p.W_S) * 16.0 / 12.25));
    }
    CL_to = std::max(CL_to, double(lim.CL_min));
    s.mu_deg = toward(old.mu_deg, bank_to, double(lim.bank_rate_max) * h);
    s.CL = toward(old.CL, CL_to, double(lim.CL_rate_max) * h);

    // The gust's change over the step acts at once, as a change of the wind
    // along the path does: the airspeed and the path angles take the part of
    // it along and across the flight path at the step's start.
    const Gust g_old{old.u_g, old.v_g, old.w_g};
    const Gust g_new = gusts_.active() ? gusts_.advance(h, old.Z, old.V) : Gust{};
    const double du = double(g_new.u) - double(g_old.u), dv = double(g_new.v) - double(g_old.v),
                 dw = double(g_new.w) - double(g_old.w);
    const double sg = std::sin(double(old.gam())), cg = std::cos(double(old.gam()));
    const double sp = std::sin(double(old.psi())), cp = std::cos(double(old.psi()));
    const double dV_gust = -(du * (-cg * cp) + dv * (cg * sp) + dw * sg);
    const double dgam_gust = -(du * sg * cp - dv * sg * sp + dw * cg) / double(old.V) * k::r2d;
    const double dpsi_gust = -(du * sp + dv * cp) / (double(old.V) * cg) * k::r2d;
    const double w_mean = 0.5 * (double(g_old.w) + double(g_new.w));
    s.u_g = g_new.u, s.v_g = g_new.v, s.w_g = g_new.w;

    FlightTrig trig;
    for (int pass = 1; pass <= 4; ++pass) {
        s.psi_deg = float(double(old.psi_deg) +
                          0.5 * (double(old.psi_dot) + double(s.psi_dot)) * h + dpsi_gust);
        s.gam_deg = float(double(old.gam_deg) +
                          0.5 * (double(old.gam_dot) + double(s.gam_dot)) * h + dgam_gust);
        s.V = float(double(old.V) + (double(old.Nx) + double(s.Nx)) * (double(p.g) * 0.5) * h +
                    dV_gust);
        if (!(s.V > 0.0f)) {
            throw FlightFault(std::isfinite(s.V)
                                  ? "the airspeed fell to " + std::to_string(s.V) + " m/s"
                                  : std::string("the airspeed is no longer finite"));
        }
        if (!(std::fabs(s.gam_deg) < 89.0f))
            throw FlightFault("the flight path turned vertical (" + std::to_string(s.gam_deg) +
                              " deg)");
        s.Z = float(double(old.Z) +
                    0.5 * (double(old.V) * sg + double(s.V) * trig.gam.sin(s.gam())) * h +
                    w_mean * h);
        update_wind_at_bird(s, p);
        commanded_rates(s, p, trig);
    }
    const double g = p.g;
    s.dE_gust = h > 0.0
                    ? float((w_mean * h + 0.5 * (double(old.V) + double(s.V)) * dV_gust / g) / h)
                    : 0.0f;

    s.alpha = float(double(s.CL) / double(p.CL_alpha) - double(p.alpha_off));
    const double alpha = s.alpha;
    s.attitude.roll = -s.mu_deg;
    s.attitude.pitch = float(alpha * trig.mu.cos(s.mu()) + double(s.gam_deg));
    s.attitude.yaw = float(-double(s.psi_deg) - alpha * trig.mu.sin(s.mu()));

    ground_velocity(s, trig);
    s.Xdot = float(double(s.Xdot) + double(s.u_g));
    s.Ydot = float(double(s.Ydot) + double(s.v_g));
    s.X = float(double(old.X) + 0.5 * (double(old.Xdot) + double(s.Xdot)) * h);
    s.Y = float(double(old.Y) + 0.5 * (double(old.Ydot) + double(s.Ydot)) * h);
    check_state(s);
    if (s.Z < 0.0f) throw SeaContact();
    const double tip = double(s.Z) - double(lim.half_span) * std::fabs(std::sin(double(s.mu())));
    if (tip < 0.0)
        throw WingTipContact(std::string("the ") + (s.mu_deg > 0.0f ? "right" : "left") +
                             " wing tip touched the sea");
    if (s.CL > lim.CL_max)
        throw Stall("the bird stalled: the lift coefficient " + float_text(s.CL) +
                    " is above the wing's " + float_text(lim.CL_max));
    if (s.Nz > lim.Nz_max)
        throw Overload("the load factor " + float_text(s.Nz) + " is beyond the bird's " +
                       float_text(lim.Nz_max));
}

}  // namespace soar
