// The wing: planform (chord, chordwise position, droop) along the span station
// eta = y / 1.4, and a thin, strongly cambered section traced by a polar
// parameter theta (0 trailing edge, pi leading edge over the upper surface, 2 pi
// back at the trailing edge along the lower surface). Also the body
// cross-sections, whose stations are tied to the wing root.
#pragma once

#include "bird/model.h"

namespace soar {

// Planform at one span station, model units.
struct WingStation {
    float frac;   // fraction of the chord ahead of the reference point (0.5: mid-chord)
    float x_ref;  // x of the reference point
    float y;      // spanwise position, 1.4 eta
    float z_d;    // droop: height of the chord line
    float ch;     // chord
};

// A point of the wing in the model frame.
struct WingPoint {
    float X;
    float Y;
    float Z;
};

// Planform at span station eta (0 <= eta < 1; the chord closes to 0 at the tip).
// The droop is applied while droop_off < 0.5.
WingStation wing_station(const BirdModel& m, float eta);

// The section point at parameter theta (rad).
WingPoint wing_section_point(const WingStation& w, float theta);

// The wing section point at theta moved onto the body surface: a three-pass secant
// search for the span position where the wing meets the body, starting at y_start.
WingPoint wing_root_point(BirdModel& m, float theta, float y_start);

// Section indices of the 39-point wing sections: leading edge and spar point.
int wing_le_index(int n_wpt);
int wing_spar_index(int n_wpt);

// Two wing sections: the root seated on the body, and one at eta = 0.515. Sets the
// root leading-edge, trailing-edge and spar points.
void wing_sections(BirdModel& m);
// Trailing edge from the root out to the tip, then the leading edge back (30 points).
void wing_outline(BirdModel& m);
// A line along the upper surface near 30 % chord from the root to the tip (13 points).
void wing_spar(BirdModel& m);
// Six half-rings of the body from belly to back, at stations tied to the wing root.
void body_sections(BirdModel& m);

}  // namespace soar
