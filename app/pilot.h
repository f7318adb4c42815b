// Flying the bird yourself: the keys held move a stick, the stick is the
// command the flight flies towards, and the record gives the score.
//
// The stick moves no faster than the bird can answer (PilotLimits): a held
// Left or Right key rolls the commanded bank at the fastest roll rate, up to
// the bank limit; a held Up or Down key moves the commanded lift coefficient
// at its fastest rate, Up for more lift. A released key lets the stick come
// back at the same rate: the bank to wings level, the lift to the trim, the
// lift coefficient of level flight at the start. Up held past the stall
// (CL_max) stalls the wing, and the flight ends.
#pragma once

#include <vector>

#include "app/loop_flight.h"
#include "record/flight_record.h"
#include "sim/commands.h"
#include "view/camera.h"
#include "view/ghost_path.h"

namespace soar {

// The arrow keys held down now.
struct PilotKeys {
    bool bank_left = false, bank_right = false;  // Left, Right
    bool more_lift = false, less_lift = false;   // Up, Down
    friend bool operator==(const PilotKeys&, const PilotKeys&) = default;
};

// How far past the stall the stick can be pulled, -: far enough that a pull
// held on stalls the wing.
inline constexpr float kStickPastStall = 0.25f;

// Where the stick stands: the bank (deg) and the lift coefficient (-) it commands.
struct Stick {
    float mu_deg = 0;
    float CL = 0;
    float CL_trim = 0;  // where a released lift key brings CL back, -

    // The stick as `keys` held for `dt` seconds move it. Opposite keys held
    // together cancel, and the stick comes back as when both are released.
    void move(const PilotKeys& keys, double dt, const PilotLimits& limits);
    Command command() const { return {mu_deg, CL, LiftCommand::lift_coefficient}; }
};

// The score of a flight flown yourself, from its record.
struct CycleScore {
    int number = 0;
    double energy_gained_m = 0;  // specific energy at its end less at its start, m
    double time_s = 0;           // flight time it took, s
};
struct PilotScore {
    double time_aloft_s = 0;         // flight time from the first tick to the last, s
    double energy_gained_m = 0;      // specific energy at the last tick less at the first, m
    std::vector<CycleScore> cycles;  // the completed cycles
};
PilotScore flight_score(const FlightRecord& r);

// The optimal loop as a ghost to follow: its place over one period at
// `points` evenly spaced times (the loop closes on itself).
GhostPath loop_ghost(const LoopFlight& loop, int points = 400);

// The follow view backed off so that the ghost is in frame with the bird.
// The bird stays at the picture's centre and the observer on the line of sight
// the follow displacement gives (orbit and pan turn it); the observer stands
// back along it until the corners of the box around the ghost's points lie
// within kFill of the picture's half width and half height. The distance is
// kept as a multiple of the displacement (its reach), so zoom, which scales
// the displacement, still brings the bird nearer or farther; the reach moves
// at most kStep of itself a tick, so the view eases back and forth as the bird
// flies.
class GhostFraming {
  public:
    static constexpr double kFill = 0.85;  // of the picture's half extents, -
    static constexpr double kStep = 0.02;  // the reach's greatest change a tick, of itself

    // The loop to frame (its box's corners); an empty path frames nothing.
    void set_ghost(const GhostPath& g);
    bool empty() const { return corners_.empty(); }
    // A new flight with the displacement of `c` as set up: the first tick
    // frames the loop at once.
    void start(const Camera& c);
    // The ghost shown during a flight: the view eases out from where it is.
    void ease_in() { reach_ = 1.0; }

    // The follow displacement that frames the ghost with the bird at (X, Y, Z)
    // seen with `c` (its displacement, view angle and shape), the reach moved
    // one tick towards it: `c` with that displacement.
    Camera follow(const Camera& c, float X, float Y, float Z);
    // `c` with the displacement the reach gives now (no tick).
    Camera followed(const Camera& c) const;
    // The multiple of the follow displacement the observer stands at, at
    // least 1 (0 before the first tick of a flight).
    double reach() const { return reach_; }

  private:
    GhostPath corners_;
    double set_up_length_ = 1.0;  // of the follow displacement, m
    double reach_ = 0.0;
};

}  // namespace soar
