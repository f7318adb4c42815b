// A flight that leaves the range where its equations mean anything (airspeed at
// or below zero, a division by zero, a value that is no longer finite) throws a
// FlightFault. The caller stops the flight and tells the user what happened.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

namespace soar {

class FlightFault : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The sea is solid: a step that ends with the bird below the surface (Z < 0 m)
// ends the flight there, as a stall does.
class SeaContact : public FlightFault {
  public:
    SeaContact() : FlightFault("the bird touched the sea") {}
};

// Throws when a divisor is zero: the place where the equations break down.
inline void require_nonzero(double divisor, const char* what) {
    if (divisor == 0.0) throw FlightFault(std::string(what));
}

inline void require_finite(float value, const char* name) {
    if (!std::isfinite(value)) throw FlightFault(std::string(name) + " is no longer finite");
}

}  // namespace soar
