// Builds every component array of the bird model, in the order the components
// depend on each other (the wing root points first).
#pragma once

#include "sim/state.h"

namespace soar {

void bird_build(State& s);

}  // namespace soar
