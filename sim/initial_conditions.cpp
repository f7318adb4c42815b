#include "sim/initial_conditions.h"

namespace soar {

void math_start(State& s, const Params& p, Mode mode, const TypedAttitude& typed) {
    s.pitch_b = float(typed.pitch);
    s.roll_b = float(-typed.roll);
    s.yaw_b = float(-typed.yaw);
    // The fixed view flies nothing and keeps the bird where it is.
    if (mode != Mode::fixed) s.Z = p.Z_start;
    s.t_old = 0, s.X_old = 0, s.Y_old = 0;
    s.Z_old = s.Z;
    s.t = 0, s.X = 0, s.Y = 0;
}

}  // namespace soar
