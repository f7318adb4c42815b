// The bird's body: bill, head, trunk and fanned tail in one analytic shape.
//
// At every station x (body lengths from the bill tip) the cross-section is two
// half-ellipses that share the half-width w and the centre (0, z_c): the upper one
// reaches z_top, the lower one z_bot. The wing builders reuse these functions to
// seat the wing root on the body and to place the body cross-sections.
#pragma once

#include "bird/model.h"

namespace soar {

// Cross-section at one station, model units.
struct BodySection {
    float w;      // half-width, the section's greatest y
    float z_c;    // height of the centre line
    float z_top;  // height of the back
    float z_bot;  // height of the belly
};

// A point (Y, Z) of a cross-section.
struct BodyPoint {
    float Y;
    float Z;
};

// Cross-section at station x (0 = bill tip, 1 = tail end). Also sets the shape
// constants x_bill (end of the bill shaping) and x_tailc (start of the tail fan).
BodySection body_station(BirdModel& m, float x);

// The point of the section hit by the ray from its centre (0, z_c) at elevation
// phi (rad, positive up): the upper half-ellipse for phi > 0, else the lower one.
// Y >= 0. The section must have w > 0 and non-zero semi-axes.
BodyPoint body_ray_point(const BodySection& c, float phi);

// Side profile in the plane of symmetry: back from bill tip to tail end, then the
// belly back to the bill tip (130 points, crowded at both ends).
void body_profile(BirdModel& m);

// Plan outline: the widest line of the body at centre height, bill tip to tail
// end (130 points).
void body_plan(BirdModel& m);

// The eye: three nested rings as one spiral on the lower side of the head
// (30 points); sets x_eye_c, z_eye_c and r_eye.
void bird_eye(BirdModel& m);

}  // namespace soar
