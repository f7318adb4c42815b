// Draws the bird model at its position (the drawing shift), attitude (roll_b,
// pitch_b, yaw_b, deg) and scale (bird_scale), and, while write_flag is 1, writes
// every drawn point to the eight export files.
#pragma once

#include <string>

#include "platform/surface.h"
#include "platform/text_files.h"
#include "sim/state.h"
#include "view/projection.h"

namespace soar {

struct ExportResult {
    bool ok = true;     // false: a file could not be created or written
    std::string error;  // which file and why
};

// Never throws for a file problem: the drawing is completed and the result says
// which file failed. Files are only touched while s.write_flag == 1.
ExportResult bird_draw(State& s, Surface& pic, TextFiles& files);

// In place: model units to metres about mid-body, times bird_scale.
void bird_scale_point(const State& s, float& x, float& y, float& z);

// Roll angle (deg) at scaled body station x (m): none at the head (x <= -0.4),
// blending in along the neck, the full roll_b over the trunk (-0.2 < x <= 0.2),
// and falling back to 40 % of it towards the tail.
double bird_graded_roll(float roll_b, float x);

// A scaled point turned by the drawing attitude, m.
struct Rotated {
    float x, y, z;
};

// The drawing attitude of one pass: graded roll about x, pitch about y, yaw about z.
class BirdAttitude {
  public:
    explicit BirdAttitude(const State& s);
    Rotated rotate(float x, float y, float z) const;

  private:
    float roll_b_;
    double cos_p_, sin_p_, cos_y_, sin_y_;
    // The trunk takes the full roll: most points share one graded roll angle, whose
    // sine and cosine are kept (the same doubles, evaluated once).
    mutable double last_a_ = 0.0, cos_a_ = 1.0, sin_a_ = 0.0;
};

// Rotates a scaled point and projects it: out.px, out.py keep the previous point's
// values when the point is not visible; out.u, depth, v and vis are always set.
void bird_attitude(const BirdAttitude& att, const Projector& proj, float x, float y, float z,
                   Projected& out);

}  // namespace soar
