// The least-wind periodic loop: the bird, the air, the wind profile and the
// bounds of the loop. SI units throughout; every angle in radians.
#pragma once

#include <string>

#include "sim/constants.h"
#include "sim/params.h"

namespace soar::optim {

// The shape of the wind speed over height: the flight model's profiles, with
// their reference height, clamp and constants (sim/wind_profile.h; above the
// clamp only the exponential one stands still, see optim/wind_shape.h). The wind
// blows along +X; its scale w (the quantity the loop minimises) is the
// profile's U_ref, in m/s (the wind far above the sea for the exponential
// profile, at Z_ref for the others), and for the linear profile its gradient
// in 1/s (U = w Z within the clamp).
using WindProfile = soar::WindShape;

struct LoopProblem {
    // Bird and air.
    double g = 9.8;               // gravity, m/s^2
    double rho = 1.22;            // air density, kg/m^3
    double wing_loading = 140.8;  // weight over wing area W/S, N/m^2
    double CD0 = 0.015;           // zero-lift drag coefficient, -
    double K = 1.0 / 45.0;        // induced-drag factor, CD = CD0 + K CL^2, -
    double CL_min = 0.0;          // lift coefficient range, -
    double CL_max = 1.5;
    double n_min = -2.0;  // load factor L/W range, -
    double n_max = 5.0;
    double bank_max = 75.0 * k::exact_pi / 180.0;  // |bank| bound, rad
    double half_span = 0.0;  // wing tip to body centre, m: the tip is half_span |sin bank| below
    double tip_min = 0.0;    // lowest height of the wing tip (or the body when half_span = 0), m
    // The load factor and wing-tip bounds hold at the segments' midpoints as
    // well as at the nodes (false: at the nodes alone, as a coarser
    // transcription would pose them).
    bool midpoint_limits = true;
    // Speed and flight-path-angle bounds that keep the equations regular
    // (V > 0, |gamma| < 90 deg); they are not meant to be active.
    double V_min = 3.0, V_max = 150.0;              // m/s
    double gamma_max = 80.0 * k::exact_pi / 180.0;  // rad

    // The loop: it starts and ends at X = Y = 0; at height Z_start when
    // start_height_fixed, otherwise at a free height that it returns to.
    bool start_height_fixed = false;
    double Z_start = 0.0;               // m
    double T_min = 10.0, T_max = 30.0;  // loop period bounds, s
    // A travelling loop repeats its airspeed, flight-path angle, height and
    // heading (one turn on) but may end anywhere over the ground: the cycle
    // of a bird on passage rather than one that holds its station.
    bool travel = false;
    double turn = 1.0;  // +1: the heading advances one full turn, -1: it goes back one
    // A travelling loop may be held to drift along one direction over the
    // ground: the heading of its drift, rad (0 straight into the wind, -X;
    // +-pi downwind; measured as the flight's heading is).
    // drift_speed: its least mean speed over the ground along that heading, m/s.
    bool drift_heading_fixed = false;
    double drift_heading = 0.0;
    double drift_speed = 0.0;

    // Wind: the flight model's profile and constants (sim/wind_profile.h).
    WindProfile profile = WindProfile::exponential;
    double Z_ref = 20.0;                        // reference height, m
    double lam_U = 7.0;                         // exponential: shape exponent, -
    double zeta_min = 0.001, zeta_max = 0.999;  // clamp of Z/Z_ref, -
    double z0 = 0.03;                           // logarithmic: roughness length, m
    double p_exp = 1.0 / 7.0;                   // power law: exponent, -
    // A logistic shear layer instead of the profile when shear_delta > 0
    // (optim/wind_shape.h): its thickness and the height of its centre, m. The
    // wind scale is then the wind above the layer, m/s.
    double shear_delta = 0.0, shear_height = 5.0;
    double wind_min = 1e-4, wind_max = 100.0;  // bounds of the wind scale (its unit above)
    double wind_guess = 0.0;                   // starting wind scale; 0 picks one for the profile

    // Starting circle: the bank and lift coefficient it is flown with.
    double guess_bank = 45.0 * k::exact_pi / 180.0;  // rad
    double guess_CL = 0.5;
};

// The unit of the wind scale w of a profile: "1/s" or "m/s".
const char* wind_unit(WindProfile p);
// "exponential", "log", "power", "linear" (sim/names.h); the parse takes every
// spelling the names table takes ("logarithmic", "exp").
const char* profile_name(WindProfile p);
bool profile_named(const std::string& name, WindProfile& out);

// Wind speed U (m/s) and gradient dU/dZ (1/s) at height Z for scale w.
template <typename T>
void wind_at(const LoopProblem& p, const T& Z, const T& w, T& U, T& Up);

// The program's albatross (wing loading 107.8 * 16 / 3.5^2 N/m^2, the parabolic
// polar CD0 = 0.015, K = 1/45, rho = 1.22, g = 9.8) in the given profile.
LoopProblem albatross(WindProfile profile);
// Zhao's (2004) glider in SI units, linear profile (growing from the sea up to
// 10 km), the loop from and to the origin at sea level.
LoopProblem zhao_glider();
// A wandering albatross from the figures Sachs (2005) gives: 8.5 kg, wing
// area 0.65 m^2, span 3.4 m, best glide ratio about 20, in the logarithmic
// profile (z0 0.03 m, the wind given at 10 m and growing up to 1000 m); the albatross's bounds, and
// a loop that may travel over the ground.
LoopProblem sachs_albatross();

}  // namespace soar::optim

#include "optim/wind_shape.h"
