#include "bird/build.h"

#include "bird/body.h"
#include "bird/wing.h"

namespace soar {

void bird_build(State& s) {
    s.droop_off = 0;  // wings drooped
    // The root section comes first: the outline, the spar line and the body
    // cross-sections start from or stand at its leading-edge, trailing-edge and
    // spar points.
    wing_sections(s);
    body_profile(s);
    body_plan(s);
    wing_outline(s);
    wing_spar(s);
    body_sections(s);
    bird_eye(s);
}

}  // namespace soar
