#include "sim/param_set.h"

namespace soar {

const Params& ParamSet::of(Mode mode) const {
    switch (mode) {
        case Mode::downwind:
        case Mode::profile:
            return downwind;
        case Mode::crosswind:
            return crosswind;
        case Mode::circlezoom:
            return circlezoom;
        case Mode::upwind:
        case Mode::fixed:
            break;
    }
    return upwind;
}

Params& ParamSet::of(Mode mode) {
    return const_cast<Params&>(static_cast<const ParamSet&>(*this).of(mode));
}

}  // namespace soar
