// Clocks without a toolkit: one the caller sets (tests, the command line), and
// the machine's local time of day.
#pragma once

#include "platform/clock.h"

namespace soar {

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
