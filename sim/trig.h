// Sines, cosines and tangents of the stored flight angles, each evaluated once
// per value. A pass of the integration step needs sin(gam) in four places and
// cos(psi) in three; evaluating each once per value gives the very same doubles
// (the same function of the same argument) at a fraction of the cost.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace soar {

class AngleTrig {
  public:
    double sin(float a) {
        at(a);
        return sin_;
    }
    double cos(float a) {
        at(a);
        return cos_;
    }
    double tan(float a) {
        at(a);
        if (!tan_valid_) tan_ = std::tan(double(a)), tan_valid_ = true;
        return tan_;
    }

  private:
    // Keyed on the float's bits, so that -0 and +0 keep their own signed results.
    void at(float a) {
        uint32_t bits;
        std::memcpy(&bits, &a, sizeof bits);
        if (valid_ && bits == bits_) return;
        bits_ = bits;
        valid_ = true;
        sin_ = std::sin(double(a));
        cos_ = std::cos(double(a));
        tan_valid_ = false;
    }
    uint32_t bits_ = 0;
    bool valid_ = false, tan_valid_ = false;
    double sin_ = 0, cos_ = 0, tan_ = 0;
};

// The trigonometry of gam, psi and mu, carried through one integration step.
struct FlightTrig {
    AngleTrig gam, psi, mu;
};

}  // namespace soar
