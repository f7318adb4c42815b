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
    if (identity_) {
        // Keep the midnight bookkeeping current for a later pause or pace.
        const double raw = machine_now() - days_;
        return float(raw);
    }
    const double t = flight_now(machine_now());
    return float(std::fmod(t, 86400.0));
}

void FlightClock::restart() {
    const double now = machine_now();
    paused_ = false;
    identity_ = pace_ == kRealTime;
    machine_anchor_ = flight_anchor_ = now;
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
