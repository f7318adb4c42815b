#include "sim/flight_step.h"

#include <cmath>
#include <string>

#include "sim/aero.h"
#include "sim/constants.h"
#include "sim/fault.h"
#include "sim/schedules.h"
#include "sim/wind.h"

namespace soar {

void law_A_bank(State& s, const Params& p, FlightTrig& trig) {
    const double Up = s.Up, V = s.V, g = p.g;
    const double tan_gam = trig.gam.tan(s.gam), sin_gam = trig.gam.sin(s.gam),
                 cos_gam = trig.gam.cos(s.gam);
    const double sin_psi = trig.psi.sin(s.psi), cos_psi = trig.psi.cos(s.psi);
    require_nonzero(V, "the airspeed is zero");
    require_nonzero(cos_gam, "the flight path is vertical");
    const double N = Up * tan_gam * sin_psi + double(s.psi_dot) * k::d2r;
    const double D =
        g / V + double(s.gam_dot) * k::d2r / cos_gam + Up * sin_gam * tan_gam * cos_psi;
    require_nonzero(D, "the bank angle is undefined (zero denominator)");
    // One-argument arctangent: the bank stays inside (-90, +90) degrees.
    s.mu_deg = float(1.0 / k::d2r * std::atan(N / D));
    s.mu = float(double(s.mu_deg) * k::d2r);
}

void law_B_heading_rate(State& s, const Params& p, FlightTrig& trig) {
    const double V = s.V, g = p.g;
    const double cos_gam = trig.gam.cos(s.gam);
    require_nonzero(V, "the airspeed is zero");
    require_nonzero(cos_gam, "the flight path is vertical");
    s.psi_dot = float((g / V * double(s.Nz) * trig.mu.sin(s.mu) / cos_gam -
                       double(s.Up) * trig.gam.tan(s.gam) * trig.psi.sin(s.psi)) *
                      k::r2d);
}

void law_C_radius(State& s, const Params& p) {
    s.R_turn = float(double(p.R_A) * std::cos(double(s.psi) + double(p.R_ph)) + double(p.R_0));
}

void law_C_heading_rate(State& s, FlightTrig& trig) {
    const double divisor = double(s.R_turn) * k::d2r;
    require_nonzero(divisor, "the turn radius is zero");
    s.psi_dot = float(double(s.V) * trig.gam.cos(s.gam) / divisor);
}

void law_D_path_angle(State& s, const Params& p) {
    // The heading is shifted to the start heading and rounded to float first.
    const float shifted = float(double(s.psi_deg) - (-90.0));
    const double u = double(shifted) * k::d2r;
    const double sin_half_u = std::sin(u / 2.0);
    // Schedule angle, deg: 0 to 360 while the heading turns once from -90 to 270.
    const double theta_s = (1.0 - std::cos(u / 2.0)) * 180.0;
    const double sn = std::sin(theta_s * k::d2r), cs = std::cos(theta_s * k::d2r);
    const double gam_A = p.gam_A, gam_B = p.gam_B;
    s.gam_deg = float(sn * sn * gam_B + gam_A * sn);
    s.gam = float(double(s.gam_deg) * k::d2r);
    s.dgam_dpsi =
        float(k::d2r * k::d2r * ((gam_B + gam_B) * sn * cs + gam_A * cs) * 90.0 * sin_half_u);
}

namespace {

// Trapezoidal airspeed update; an airspeed at or below zero ends the flight.
void airspeed_update(State& s, const Params& p) {
    s.V = float(double(s.V_old) +
                (double(s.Nx_old) + double(s.Nx)) * (double(p.g) * 0.5) * double(s.dt));
    if (!(s.V > 0.0f)) {
        throw FlightFault(std::isfinite(s.V)
                              ? "the airspeed fell to " + std::to_string(s.V) + " m/s"
                              : std::string("the airspeed is no longer finite"));
    }
}

// sin_gam_old: sin(gam_deg_old d2r), the same in every pass of a step.
void height_update(State& s, FlightTrig& trig, double sin_gam_old) {
    s.Z = float(double(s.Z_old) +
                0.5 * (double(s.V_old) * sin_gam_old + double(s.V) * trig.gam.sin(s.gam)) *
                    double(s.dt));
}

void ground_velocity(State& s, FlightTrig& trig) {
    const double V = s.V;
    const double cos_gam = trig.gam.cos(s.gam);
    s.Xdot_air = float(-V * cos_gam * trig.psi.cos(s.psi));
    s.Xdot = float(double(s.Xdot_air) + double(s.U));
    s.Ydot = float(V * cos_gam * trig.psi.sin(s.psi));
}

// Everything the tick carries to the next one must still be a number.
void check_state(const State& s) {
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

void start_clock(State& s, float clock) {
    s.t_start = clock;
    s.clock_last = clock;
    s.clock_days = 0.0;
}

void first_tick(State& s, const Params& p, Mode mode) {
    FlightTrig trig;
    s.t = 0.0f;
    s.V = 25.0f;
    U_V_Z_Up(s, p);
    s.psi = -1.570795f;
    s.psi_deg = -90.0f;
    s.gam_deg = 0.0f;
    s.gam = 0.0f;
    s.dgam_dpsi = 0.0f;
    s.gam_dot = 0.0f;
    s.X = 0.0f;
    s.Y = 0.0f;
    if (heading_scheduled(mode)) {
        law_C_radius(s, p);
        law_C_heading_rate(s, trig);
        s.gam_dot = float(double(s.dgam_dpsi) * double(s.psi_dot));
        law_A_bank(s, p, trig);
        Nz_CL_CD_Nx(s, p, trig);
    } else {
        tau_schedules(s, p, mode);
        if (mode == Mode::upwind) {
            Nz_CL_CD_Nx(s, p, trig);
            law_B_heading_rate(s, p, trig);
        } else if (mode == Mode::crosswind) {
            law_A_bank(s, p, trig);
            Nz_CL_CD_Nx(s, p, trig);
        }
    }
    // The ground velocity of the start state, so that the second tick's position
    // step averages two real velocities (not zero or the last flight's).
    ground_velocity(s, trig);
}

void integration_step(State& s, const Params& p, Mode mode, float clock) {
    s.t_old = s.t;
    s.Z_old = s.Z;
    s.V_old = s.V;
    s.gam_deg_old = s.gam_deg;
    s.psi_deg_old = s.psi_deg;
    s.Nx_old = s.Nx;
    s.psi_dot_old = s.psi_dot;
    s.X_old = s.X;
    s.Y_old = s.Y;
    s.Xdot_old = s.Xdot;
    s.Ydot_old = s.Ydot;

    // The clock counts seconds since midnight: a reading far below the last one
    // means midnight has passed, and a day is added so the flight time runs on.
    if (double(clock) < s.clock_last - 43200.0) s.clock_days += 86400.0;
    s.clock_last = clock;
    s.t = float(double(clock) + s.clock_days - double(s.t_start));
    s.dt = float(double(s.t) - double(s.t_old));

    if (mode == Mode::upwind || mode == Mode::crosswind) tau_schedules(s, p, mode);
    FlightTrig trig;
    const double sin_gam_old = std::sin(double(s.gam_deg_old) * k::d2r);

    // Four passes, no convergence test: pass 1 is an Euler predictor (the rates
    // still equal the saved ones), passes 2 to 4 are trapezoidal corrections.
    for (int pass = 1; pass <= 4; ++pass) {
        if (mode != Mode::crosswind) {
            s.psi_deg = float(double(s.psi_deg_old) +
                              0.5 * (double(s.psi_dot_old) + double(s.psi_dot)) * double(s.dt));
            // One full turn is one cycle: the heading wraps from 270 back to -90.
            if (heading_scheduled(mode) && s.psi_deg > 270.0f)
                s.psi_deg = float(double(s.psi_deg) - 360.0);
            s.psi = float(double(s.psi_deg) * k::d2r);
            law_C_radius(s, p);
        }
        if (heading_scheduled(mode)) {
            law_D_path_angle(s, p);
            airspeed_update(s, p);
            height_update(s, trig, sin_gam_old);
            U_V_Z_Up(s, p);
            law_C_heading_rate(s, trig);
            s.gam_dot = float(double(s.dgam_dpsi) * double(s.psi_dot));
            law_A_bank(s, p, trig);
            Nz_CL_CD_Nx(s, p, trig);
        } else if (mode == Mode::upwind) {
            airspeed_update(s, p);
            height_update(s, trig, sin_gam_old);
            U_V_Z_Up(s, p);
            Nz_CL_CD_Nx(s, p, trig);
            law_B_heading_rate(s, p, trig);
        } else if (mode == Mode::crosswind) {
            airspeed_update(s, p);
            height_update(s, trig, sin_gam_old);
            U_V_Z_Up(s, p);
            Nz_CL_CD_Nx(s, p, trig);
            law_A_bank(s, p, trig);
            Nz_CL_CD_Nx(s, p, trig);  // again, so that Nx and Nz belong to the new bank angle
        }
    }

    s.alpha = float(double(s.CL) / double(p.CL_alpha) - double(p.alpha_off));
    const double alpha = s.alpha;
    s.roll_b = -s.mu_deg;
    s.pitch_b = float(alpha * trig.mu.cos(s.mu) + double(s.gam_deg));
    s.yaw_b = float(-double(s.psi_deg) - alpha * trig.mu.sin(s.mu));

    ground_velocity(s, trig);
    s.X = float(double(s.X_old) + 0.5 * (double(s.Xdot_old) + double(s.Xdot)) * double(s.dt));
    s.Y = float(double(s.Y_old) + 0.5 * (double(s.Ydot_old) + double(s.Ydot)) * double(s.dt));
    check_state(s);
    // Only the step's end counts: the passes may try a height below the surface
    // on their way to one above it.
    if (s.Z < 0.0f) throw SeaContact();
}

}  // namespace soar
