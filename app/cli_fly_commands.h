// A commanded flight on the command line: `fly --commands FILE.csv` replays a
// recorded sequence of commands (bank and lift at flight times) from a
// pattern's start, at the ticks `fly` flies, with gusts when asked.
//
// The command file: a header naming the lift's kind, then one row per
// command, the flight time from which it holds (s; rows in order):
//   t,mu_deg,CL          bank (deg) and lift coefficient (-)
//   t,mu_deg,Nz          bank (deg) and load factor (-)
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

struct TimedCommand {
    float t = 0;  // flight time from which it holds, s
    Command command;
    friend bool operator==(const TimedCommand&, const TimedCommand&) = default;
};

// The file's text for `commands` (all of one lift kind: the first one's).
std::string command_csv(const std::vector<TimedCommand>& commands);
// Parses a command file's text; false with `error` (naming the line) when it
// is not one.
bool parse_command_csv(const std::string& text, std::vector<TimedCommand>& out, std::string& error);

// The ticks of a commanded flight as `fly` flies them (tick 1 the start, tick
// k at clock reading clock_at(k)): before each step, the last command whose
// time is at or before the flight time takes effect.
class CommandedTicks {
  public:
    CommandedTicks(const Params& p, Mode pattern, double clock_start,
                   std::vector<TimedCommand> commands, const Turbulence& gusts = {});
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
    std::optional<Flight> flight_;
    std::string fault_;
};

}  // namespace soar
