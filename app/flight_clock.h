// The flight clock: what the tick reads as "the clock". It sits between the
// machine's clock and the flight and adds pause and pace. Paused, it stands
// still, so the paused time never reaches the flight; at pace p it runs p times
// as fast as the machine's clock. At pace 1, never paused since FLY, each
// reading is the machine's reading itself, bit for bit.
//
// Readings stay seconds since midnight as 32-bit floats, like the machine's,
// and wrap at midnight the same way.
#pragma once

#include "platform/clock.h"

namespace soar {

class FlightClock final : public Clock {
  public:
    // The paces offered, as multiples of real time.
    static constexpr double kPaces[] = {0.125, 0.25, 0.5, 1.0, 2.0, 4.0};
    static constexpr int kPaceCount = 6;
    static constexpr int kRealTime = 3;

    explicit FlightClock(Clock& machine) : machine_(machine) {}

    float seconds_since_midnight() override;

    // A flight starts (FLY): the readings are the machine's again if the pace is 1;
    // a pause is over.
    void restart();
    void pause();
    void resume();
    bool paused() const { return paused_; }
    // Index into kPaces, clamped to the offered ones.
    void set_pace(int index);
    int pace_index() const { return pace_; }
    double pace() const { return kPaces[pace_]; }

    // A gap of more than `seconds` of the machine's time between two readings
    // (the program held up: a long save, a stopped process, a suspended
    // machine) is a pause: the flight time does not run on over it. 0: off,
    // every gap reaches the flight (a clock the caller steps on purpose).
    void set_stall_bound(double seconds) { stall_bound_ = seconds; }
    double stall_bound() const { return stall_bound_; }
    // The length of the gap the last reading paused over, s (0 if none), once.
    double take_stall() {
        const double s = stall_;
        stall_ = 0;
        return s;
    }

  private:
    double machine_now();  // the machine's reading, unwrapped past midnight
    double flight_now(double machine);

    Clock& machine_;
    bool identity_ = true;  // readings are the machine's own
    bool paused_ = false;
    int pace_ = kRealTime;
    double machine_anchor_ = 0, flight_anchor_ = 0;  // unwrapped seconds
    double flight_paused_ = 0;
    double last_raw_ = 0, days_ = 0;
    double stall_bound_ = 0, stall_ = 0;
    double last_read_ = 0;  // unwrapped machine time of the last reading
    bool have_read_ = false;
};

}  // namespace soar
