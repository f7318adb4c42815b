// A commanded flight on the command line: `fly --commands FILE.csv` replays a
// recorded sequence of commands (bank and lift at flight times) from a
// pattern's start, at the ticks `fly` flies, with gusts when asked.
//
// The command file: a header naming the lift's kind, then one row per
// command, the flight time from which it holds (s; rows in order):
//   t,mu_deg,CL          bank (deg) and lift coefficient (-)
//   t,mu_deg,Nz          bank (deg) and load factor (-)
// A file may begin, before its header, with the state its flight starts from:
//   # start: t=0,X=0,Y=0,Z=12,V=25,gam_deg=0,psi_deg=-90,mu_deg=0,CL=0.58
// (the window writes the start of the flight flown by you there); a file
// without it starts from the pattern's start (pattern_start, sim/flight.h).
// Every number is read exactly as written (the shortest text of a float
// reads back to the same float), so a flight recorded with its commands
// replays bit for bit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/flight_timer.h"
#include "sim/commands.h"
#include "sim/flight.h"
#include "sim/turbulence.h"

namespace soar {

// The file's text for `commands` (all of one lift kind: the first one's),
// with the start its flight flies from when `start` is given.
std::string command_csv(const std::vector<TimedCommand>& commands,
                        const FlightState* start = nullptr);
// Parses a command file's text; false with `error` (naming the line) when it
// is not one. `start` is the start the file names, or nothing.
bool parse_command_csv(const std::string& text, std::vector<TimedCommand>& out,
                       std::optional<FlightState>& start, std::string& error);
bool parse_command_csv(const std::string& text, std::vector<TimedCommand>& out, std::string& error);

// The ticks of a commanded flight as `fly` flies them (tick 1 the start, tick
// k at clock reading clock_at(k)): before each step, the last command whose
// time is at or before the flight time takes effect.
//
// At the commands' times instead, tick k is at the flight time of the k-th
// command (the first the start) and the step to it flies the command before:
// the steps of a flight recorded with one command per step (the window's
// ticks, however irregular, zero steps included) flown again.
//
// The flight starts from `start` when given, else from the pattern's start.
class CommandedTicks {
  public:
    enum class Times { clock, commands };
    CommandedTicks(const Params& p, Mode pattern, double clock_start,
                   std::vector<TimedCommand> commands, const Turbulence& gusts = {},
                   Times times = Times::clock, std::optional<FlightState> start = std::nullopt);
    // The ticks the commands' times give (Times::commands).
    long long command_ticks() const { return static_cast<long long>(commands_.size()); }
    bool tick(long long k, double dt);
    const FlightState& state() const { return flight_->state(); }
    const std::string& fault() const { return fault_; }

  private:
    Params p_;
    Mode mode_;
    double clock_start_;
    FlightTimer timer_;
    std::vector<TimedCommand> commands_;
    size_t next_ = 0;
    Turbulence gusts_;
    Times times_;
    std::optional<FlightState> start_;
    std::optional<Flight> flight_;
    std::string fault_;
};

}  // namespace soar
