// The user's choice of parameters for every pattern at once: the air, bird and
// wind are shared by the patterns, each pattern has its own schedule, and the
// circle zoom (a drag-free, windless climb) keeps its own drag polar and wind.
#pragma once

#include "sim/params.h"

namespace soar {

struct ParamSet {
    Params upwind = pattern_defaults(Mode::upwind);
    Params downwind = pattern_defaults(Mode::downwind);  // also the profile demo's
    Params crosswind = pattern_defaults(Mode::crosswind);
    Params circlezoom = pattern_defaults(Mode::circlezoom);

    // The parameters a flight of `mode` flies with (the fixed view: the upwind
    // pattern's air and bird, its schedule unused).
    const Params& of(Mode mode) const;
    Params& of(Mode mode);

    friend bool operator==(const ParamSet&, const ParamSet&) = default;
};

}  // namespace soar
