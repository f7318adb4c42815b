// Wind profile along +X at the bird: the shape the parameters choose
// (exponential by default, logarithmic, power law or linear), its height ratio
// Z/Z_ref clamped to [zeta_min, zeta_max], or a logistic shear layer in its
// place; the profiles themselves are sim/wind_profile.h, the optimiser's too.
#pragma once

#include "sim/flight_state.h"
#include "sim/params.h"

namespace soar {

// Wind speed and gradient at one height.
struct WindAt {
    float U = 0;   // m/s
    float Up = 0;  // dU/dZ, 1/s
};
WindAt wind_at_height(const Params& p, float Z);

// U/U_ref at height Z (m), in double: the profile's shape, whatever its speed.
double wind_shape_at(const Params& p, double Z);

// The wind stands still at height Z (m): outside the profile's growing range
// (for the exponential profile, its stored height ratio outside the clamp).
// The exponential profile's equations keep their gradient there all the same.
bool wind_held_at(const Params& p, float Z);

// U, Up and Up_V_g = Up V/g at the bird's height Z and airspeed V.
void update_wind_at_bird(FlightState& s, const Params& p);

}  // namespace soar
