// The flight clock: what the tick reads as "the clock". It sits between the
// machine's clock and the flight and adds pause and pace. Paused, it stands
// still, so the paused time never reaches the flight; at pace p it runs p times
// as fast as the machine's clock. At pace 1, never paused since FLY, each
// reading is the machine's reading itself, bit for bit.
//
// Readings stay seconds since midnight as 32-bit floats, like the machine's,
// and wrap at midnight the same way.
//
// Pace changes how fast the flight plays, never how it is flown: at a pace
// other than 1 a tick's flight interval is flown in steps no longer than the
// timer's own (steps_for), so that a machine interval made four times as long
// by the pace is not integrated as one coarse step.
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

    // The shortest step a tick at a pace other than 1 is allowed to be cut
    // into the steps of, s: the timer's interval at real time, at least this.
    static constexpr double kPacedStep = 0.02;
    // How many equal steps a tick flies `seconds` of flight time in, with the
    // timer `tick_seconds` apart: one at pace 1 (the machine's interval as it
    // came, bit for bit the flight it always was), else as many as keep each
    // step within max(kPacedStep, tick_seconds).
    int steps_for(double seconds, double tick_seconds) const;

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
