#include "sim/flight.h"

#include <cmath>
#include <string>
#include <utility>

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

}  // namespace

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

Flight::Flight(const Params& p, Mode pattern, FlightPath path)
    : p_(p), mode_(pattern), path_(std::move(path)) {
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

}  // namespace soar
