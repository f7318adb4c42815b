// The state of the point-mass bird at one instant: what the equations of
// motion integrate and what the control laws and load factors derive from it.
// Every quantity is a 32-bit float, as the model stores it; every formula
// evaluates in double and rounds when it stores.
#pragma once

#include "sim/constants.h"

namespace soar {

// The bird's attitude as it is drawn, deg: roll about its length (the bank
// with the opposite sign), pitch of the body axis up, yaw (the heading with the
// opposite sign, turned by the angle of attack).
struct Attitude {
    float roll = 0, pitch = 0, yaw = 0;
    friend bool operator==(const Attitude&, const Attitude&) = default;
};

// The attitude a flight is drawn at until its first step, as a newly opened
// window shows the bird: wings level, the body 2 deg nose up, no yaw. Roll and
// yaw are the typed zeros turned to the drawing's signs, hence negative zeros.
inline constexpr Attitude kStartAttitude{-0.0f, 2.0f, -0.0f};

struct FlightState {
    // --- time ---
    float t = 0;   // flight time since the first tick, s
    float dt = 0;  // the last step, s (0 before the first)

    // --- position and speed ---
    float X = 0, Y = 0;  // position over the sea, m (+X downwind)
    float Z = 0;         // height above the sea surface, m
    float V = 0;         // airspeed, m/s

    // --- flight angles, deg; the radians each formula takes are derived ---
    float gam_deg = 0;  // flight-path angle, up positive
    float psi_deg = 0;  // heading: 0 straight into the wind (-X), -90 along -Y
    float mu_deg = 0;   // bank angle, right wing down positive
    float gam_dot = 0;  // rate of the flight-path angle, deg/s
    float psi_dot = 0;  // rate of the heading, deg/s
    // Slope of the flight-path angle over the heading in the heading-scheduled
    // patterns, deg per deg.
    float dgam_dpsi = 0;

    // --- the commanded path's aerodynamics ---
    float R_turn = 0;  // turn radius of the heading-scheduled patterns, m
    float alpha = 0;   // angle of attack, deg
    float Nz = 0;      // normal load factor, lift over weight, -
    float Nx = 0;      // tangential load factor, airspeed acceleration over g, -
    float CL = 0;      // lift coefficient, -
    float CD = 0;      // drag coefficient, -
    float D_L = 0;     // drag over lift, -

    // --- wind at the bird ---
    float U = 0;       // wind speed along +X, m/s
    float Up = 0;      // its gradient dU/dZ, 1/s
    float Up_V_g = 0;  // Up V / g, -

    // --- velocity over the ground, m/s ---
    float Xdot_air = 0;  // the airspeed's part along X
    float Xdot = 0, Ydot = 0;

    // --- gusts, 0 in calm air (sim/turbulence.h) ---
    float u_g = 0, v_g = 0, w_g = 0;  // gust wind at the bird along +X, +Y and up, m/s
    // Rate at which the gusts changed the specific energy over the last step, m/s.
    float dE_gust = 0;

    // The attitude drawn for this state.
    Attitude attitude;

    // The flight angles in radians, each rounded to float: the sines and
    // cosines of the model are taken of these.
    float gam() const { return float(double(gam_deg) * k::d2r); }
    float psi() const { return float(double(psi_deg) * k::d2r); }
    float mu() const { return float(double(mu_deg) * k::d2r); }
};

}  // namespace soar
