// The pattern flown and the view it is watched in: the user picks one of them,
// and it is at the same time the flight pattern and the way the picture follows it.
#pragma once

namespace soar {

// fixed: no flight, the bird rests at a typed attitude. upwind, crosswind:
// time-scheduled patterns. downwind, circlezoom (a windless, drag-free climbing
// circle): heading-scheduled patterns. profile: the downwind flight watched
// side-on from a fixed place.
enum class Mode { fixed, upwind, downwind, crosswind, circlezoom, profile };

// Heading-scheduled patterns: turn radius and flight-path angle follow the heading.
inline bool heading_scheduled(Mode m) {
    return m == Mode::circlezoom || m == Mode::downwind || m == Mode::profile;
}

}  // namespace soar
