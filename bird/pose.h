// The bird as it is drawn: its attitude and size, and the turn of a model point
// (body lengths, bird frame) into metres at that attitude.
#pragma once

#include "sim/flight_state.h"

namespace soar {

struct BirdPose {
    Attitude attitude;  // deg
    float scale = 0;    // 1: a 3.5 m span; the "Bird Scale" box, -
};

// In place: model units to metres about mid-body, times `scale`.
void bird_scale_point(float scale, float& x, float& y, float& z);

// Roll angle (deg) at scaled body station x (m): none at the head (x <= -0.4),
// blending in along the neck, the full roll over the trunk (-0.2 < x <= 0.2),
// and falling back to 40 % of it towards the tail.
double bird_graded_roll(float roll, float x);

// A scaled point turned by the drawing attitude, m.
struct Rotated {
    float x, y, z;
};

// The drawing attitude of one pass: graded roll about x, pitch about y, yaw about z.
class BirdAttitude {
  public:
    explicit BirdAttitude(const Attitude& a);
    Rotated rotate(float x, float y, float z) const;

  private:
    float roll_;
    double cos_p_, sin_p_, cos_y_, sin_y_;
    // The trunk takes the full roll: most points share one graded roll angle, whose
    // sine and cosine are kept (the same doubles, evaluated once).
    mutable double last_a_ = 0.0, cos_a_ = 1.0, sin_a_ = 0.0;
};

}  // namespace soar
