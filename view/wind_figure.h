// Drawing of the wind-profile figure (built by wind_profile_setup): ten arrows in
// dark red whose lengths show the profile's shape.
#pragma once

#include "platform/surface.h"
#include "sim/state.h"

namespace soar {

void wind_profile_draw(const State& s, Surface& pic);

}  // namespace soar
