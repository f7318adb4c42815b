// Flight time from the clock's readings. The clock gives seconds since
// midnight as a 32-bit float; a flight's time counts from the reading at FLY,
// with a day added each time the readings pass midnight, so that it never runs
// backwards. Each tick integrates the difference of two flight times.
#pragma once

namespace soar {

class FlightTimer {
  public:
    // FLY at clock reading `reading`, s.
    void start(float reading) {
        t_start_ = reading;
        last_ = reading;
        days_ = 0.0;
    }
    // The flight time of `reading`, s, rounded to float as the flight stores it.
    float time_at(float reading) {
        // A reading far below the last one means midnight has passed.
        if (double(reading) < last_ - 43200.0) days_ += 86400.0;
        last_ = reading;
        return float(double(reading) + days_ - double(t_start_));
    }

  private:
    float t_start_ = 0;
    double last_ = 0, days_ = 0;  // s
};

}  // namespace soar
