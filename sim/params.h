// The parameters of one flight: the air, the bird, the wind profile and the
// pattern's schedule, constant while the bird flies (what a flight changes lives
// in FlightState). Stored as 32-bit floats like every physical quantity of the model;
// each formula reads them and evaluates in double.
#pragma once

#include "sim/mode.h"

namespace soar {

struct Params {
    // --- air ---
    float g = 9.8f;     // gravitational acceleration, m/s^2
    float rho = 1.22f;  // air density, kg/m^3

    // --- bird ---
    // Wing-loading parameter, N/m^2; the loading in the lift coefficient is W_S 16/3.5^2.
    float W_S = 107.8f;
    float CD0 = 0.015f;                         // zero-lift drag coefficient, -
    float K_ind = float(1.0 / (720.0 / 16.0));  // induced-drag factor, CD = CD0 + K_ind CL^2, -
    float CL_alpha = float(1.76 / 19.0);        // lift-curve slope, 1/deg
    float alpha_off = 3.0f;                     // angle of attack at zero lift is -alpha_off, deg

    // --- wind profile along +X, its height ratio zeta = Z/Z_ref clamped ---
    //   exponential (the default): U = U_ref (1 - exp(-lam_U zeta))
    //   logarithmic:               U = U_ref ln(Z/z0) / ln(Z_ref/z0), Z at least 2 z0
    //   power law:                 U = U_ref zeta^p_exp
    //   linear:                    U = U_ref zeta
    //   or a shear layer:          U = U_ref / (1 + exp(-(Z - shear_height) / shear_delta))
    float U_ref = 7.0f;              // speed scale of the profile, m/s
    float Z_ref = 20.0f;             // reference height, m
    float lam_U = 7.0f;              // shape exponent (exponential), -
    float zeta_min = 0.001f;         // lower clamp of Z/Z_ref, -
    float zeta_max = 0.999f;         // upper clamp of Z/Z_ref, -
    float profile = 0;               // the profile's shape: a WindShape, kept as its number
    float z0 = 0.03f;                // roughness length (logarithmic), m
    float p_exp = float(1.0 / 7.0);  // exponent (power law), -
    // A logistic shear layer in place of the profile when shear_delta > 0
    // (sim/wind_profile.h): calm below, U_ref above.
    float shear_delta = 0;      // the layer's thickness, m
    float shear_height = 5.0f;  // the height of its centre, m

    // --- pattern ---
    float Z_start = 0;  // start height, m
    float T_cyc = 0;    // cycle period of the time-scheduled patterns, s
    float c_warp = 0;   // phase-warp coefficient of the time schedules, -
    float gam_A = 0;    // flight-path-angle schedule, sin term, deg
    float gam_B = 0;    // flight-path-angle schedule, sin^2 term, deg
    float mu_max = 0;   // bank amplitude (upwind), deg
    float mu_ph = 0;    // bank phase shift (upwind), cycles
    float psi_A = 0;    // heading schedule, sin term (crosswind), deg
    float psi_B = 0;    // heading schedule, sin^2 term (crosswind), deg
    float R_0 = 0;      // mean turn radius (heading-scheduled patterns), m
    float R_A = 0;      // turn-radius amplitude over the heading, m
    float R_ph = 0;     // turn-radius phase, rad

    friend bool operator==(const Params&, const Params&) = default;
};

// The shapes of the wind profile.
enum class WindShape { exponential = 0, logarithmic = 1, power = 2, linear = 3 };
inline WindShape wind_shape(const Params& p) {
    return p.profile == 1.0f   ? WindShape::logarithmic
           : p.profile == 2.0f ? WindShape::power
           : p.profile == 3.0f ? WindShape::linear
                               : WindShape::exponential;
}

// The parameters each pattern flies with unless the user chooses others. The
// circle zoom is a climb without drag and without wind: CD0 = K_ind = U_ref = 0.
// The profile demo flies the downwind pattern; the fixed view flies nothing and
// gets the air and bird alone.
Params pattern_defaults(Mode mode);

}  // namespace soar
