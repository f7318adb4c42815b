// The flight clock: elapsed seconds since local midnight as a 32-bit float,
// and two clocks: the machine's time of day, and one the caller sets (tests,
// command-line flights at fixed steps).
#pragma once

namespace soar {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual float seconds_since_midnight() = 0;
};

class ManualClock final : public Clock {
  public:
    explicit ManualClock(float now = 0.0f) : now_(now) {}
    void set(float now) { now_ = now; }
    float seconds_since_midnight() override { return now_; }

  private:
    float now_;
};

class SystemClock final : public Clock {
  public:
    float seconds_since_midnight() override;
};

}  // namespace soar
