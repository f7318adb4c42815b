// The soaring cycles of a flight, found as the flight goes, and one row of
// figures per completed cycle.
//
// A cycle is each period T_cyc of flight time in the time-scheduled patterns
// (upwind, crosswind: the schedules repeat with the phase t/T_cyc), and one full
// turn of the heading in the heading-scheduled ones (downwind, circle zoom,
// profile demo: the heading climbs from -90 to 270 deg and wraps back).
//
// Use: start() when a flight begins, add() once per tick in order, with the
// tick's stored state. add() returns true on the tick that completes a cycle;
// that tick is the last of the finished cycle and the first of the next one.
#pragma once

#include <string>
#include <vector>

#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/params.h"

namespace soar {

struct CycleRow {
    int number = 0;               // 1, 2, ...
    double t_start = 0;           // flight time at the cycle's first tick, s
    double period = 0;            // flight time from its first tick to its last, s
    double E_start = 0;           // specific energy at the start, m
    double dE = 0;                // energy gained (+) or lost (-) over the cycle, m
    double V_min = 0, V_max = 0;  // airspeed, m/s
    double Z_min = 0, Z_max = 0;  // height, m
    double Nz_max = 0;            // highest load factor
    double distance = 0;          // distance made good over the ground, m
    // Direction of that displacement, deg, measured as the heading is: 0 straight
    // into the wind (-X), +-180 straight downwind, -90 along -Y.
    double track_deg = 0;
};

class CycleTable {
  public:
    // The flight's parameters give the cycle period and g.
    void start(Mode mode, const Params& p);
    bool add(const FlightState& s);
    const std::vector<CycleRow>& rows() const { return rows_; }
    // Completed cycles, and the cycle in progress so far (its period is the
    // time flown in it).
    int completed() const { return int(rows_.size()); }
    CycleRow current() const { return with_displacement(cur_); }
    // Mean energy gained per completed cycle, m (0 without one).
    double mean_dE() const;

  private:
    void open(const FlightState& s, double E);
    void take(const FlightState& s);
    CycleRow with_displacement(CycleRow row) const;

    Mode mode_ = Mode::fixed;
    Params p_;
    bool open_ = false;
    long long phase_ = 0;            // whole periods flown (time-scheduled patterns)
    float psi_last_ = 0;             // last heading, deg (heading-scheduled patterns)
    double X0_ = 0, Y0_ = 0;         // where the cycle began, m
    float X_last_ = 0, Y_last_ = 0;  // where it is now, m
    CycleRow cur_;
    std::vector<CycleRow> rows_;
};

// What the last completed cycle says about the pattern, in words.
std::string cycle_verdict(const std::vector<CycleRow>& rows);

}  // namespace soar
