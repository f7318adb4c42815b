// A flight at fixed clock steps, as `fly` flies it: tick 1 is the pattern's
// start (FLY at clock reading `clock_start`), each later tick k reads the clock
// at clock_at(k) and advances the flight by the difference of the two flight
// times, as the window's ticks do. The sweeps' flight summaries and the Python
// module fly through it, so that their rows are the command line's.
#pragma once

#include <optional>
#include <string>

#include "app/cli_args.h"
#include "app/flight_timer.h"
#include "platform/number_text.h"
#include "sim/fault.h"
#include "sim/flight.h"

namespace soar {

class SteppedFlight {
  public:
    SteppedFlight(const Params& p, Mode mode, double clock_start)
        : p_(p), mode_(mode), clock_start_(clock_start) {
        timer_.start(float(clock_start));
    }
    // Tick k (k = 1, 2, ... in order). False when the flight stopped; fault()
    // then says why.
    bool tick(long long k, double dt) {
        try {
            if (k == 1) {
                // Drawn at the attitude a newly opened window starts with.
                flight_.emplace(p_, mode_, kStartAttitude);
            } else {
                const float t = timer_.time_at(cli::clock_at(clock_start_, k, dt));
                flight_->step(double(t) - double(flight_->state().t));
            }
        } catch (const SeaContact&) {
            fault_ = "the bird touched the sea at t = " + float_text(flight_->state().t) + " s";
            return false;
        } catch (const FlightFault& f) {
            fault_ =
                "the flight stopped at t = " + float_text(flight_ ? flight_->state().t : 0.0f) +
                " s: " + f.what();
            return false;
        }
        return true;
    }
    const FlightState& state() const { return flight_->state(); }
    const std::string& fault() const { return fault_; }
    const Params& params() const { return p_; }

  private:
    Params p_;
    Mode mode_;
    double clock_start_;
    FlightTimer timer_;
    std::optional<Flight> flight_;
    std::string fault_;
};

}  // namespace soar
