// The flight clock: elapsed seconds since local midnight as a 32-bit float.
#pragma once

namespace soar {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual float seconds_since_midnight() = 0;
};

}  // namespace soar
