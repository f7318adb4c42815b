// Where each view mode puts the observer and the aim point at set-up. In the
// moving views the observer then rides along with the bird at (dx_ob, dy_ob, dz_ob).
#pragma once

#include "sim/state.h"

namespace soar {

// Observer, aim point, follow displacement and figure placement for a moving
// mode or the profile demo. The fixed view reads its observer from the window.
void view_mode_place(State& s, Mode mode);

// The follow rule of each tick in the moving views: aim and drawing shift at the
// bird, the observer displaced from it.
void follow_bird(State& s);

}  // namespace soar
