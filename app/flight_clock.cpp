#include "app/flight_clock.h"

#include <algorithm>
#include <cmath>

namespace soar {

double FlightClock::machine_now() {
    const double raw = machine_.seconds_since_midnight();
    if (raw < last_raw_ - 43200.0) days_ += 86400.0;  // midnight has passed
    last_raw_ = raw;
    return raw + days_;
}

double FlightClock::flight_now(double machine) {
    if (paused_) return flight_paused_;
    return flight_anchor_ + (machine - machine_anchor_) * pace();
}

float FlightClock::seconds_since_midnight() {
    const double now = machine_now();
    if (stall_bound_ > 0 && !paused_ && have_read_ && now - last_read_ > stall_bound_) {
        // Held up: the flight goes on from where the last reading left it.
        flight_anchor_ = identity_ ? last_read_ : flight_now(last_read_);
        machine_anchor_ = now;
        identity_ = false;
        stall_ = now - last_read_;
    }
    last_read_ = now;
    have_read_ = true;
    if (identity_) {
        // The machine's reading itself (the midnight bookkeeping is kept
        // current for a later pause or pace).
        return float(now - days_);
    }
    return float(std::fmod(flight_now(now), 86400.0));
}

int FlightClock::steps_for(double seconds, double tick_seconds) const {
    if (pace_ == kRealTime || !(seconds > 0)) return 1;
    const double longest = std::max(kPacedStep, tick_seconds);
    // A bound on the count keeps a gap of days (no stall bound set) a number.
    return int(std::min(std::ceil(seconds / longest), 1e7));
}

void FlightClock::restart() {
    const double now = machine_now();
    paused_ = false;
    identity_ = pace_ == kRealTime;
    machine_anchor_ = flight_anchor_ = now;
    last_read_ = now;
    have_read_ = true;
    stall_ = 0;
}

void FlightClock::pause() {
    if (paused_) return;
    const double now = machine_now();
    flight_paused_ = identity_ ? now : flight_now(now);
    identity_ = false;
    paused_ = true;
}

void FlightClock::resume() {
    if (!paused_) return;
    machine_anchor_ = machine_now();
    flight_anchor_ = flight_paused_;
    paused_ = false;
    last_read_ = machine_anchor_;  // the pause was the user's, not a hold-up
}

void FlightClock::set_pace(int index) {
    index = std::clamp(index, 0, kPaceCount - 1);
    if (index == pace_) return;
    const double now = machine_now();
    const double flight = identity_ ? now : flight_now(now);
    if (paused_) {
        flight_paused_ = flight;
    } else {
        machine_anchor_ = now;
        flight_anchor_ = flight;
    }
    identity_ = false;
    pace_ = index;
}

}  // namespace soar
