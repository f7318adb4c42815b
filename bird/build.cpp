#include "bird/build.h"

#include "bird/body.h"
#include "bird/wing.h"

namespace soar {

void bird_build(BirdModel& m) {
    m.droop_off = 0;  // wings drooped
    // The root section comes first: the outline, the spar line and the body
    // cross-sections start from or stand at its leading-edge, trailing-edge and
    // spar points.
    wing_sections(m);
    body_profile(m);
    body_plan(m);
    wing_outline(m);
    wing_spar(m);
    body_sections(m);
    bird_eye(m);
}

}  // namespace soar
