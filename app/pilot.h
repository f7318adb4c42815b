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

}  // namespace soar
