// Builds every component array of the bird model, in the order the components
// depend on each other (the wing root points first).
#pragma once

#include "bird/model.h"

namespace soar {

void bird_build(BirdModel& m);

}  // namespace soar
