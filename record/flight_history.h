// The flight so far at full rate: one sample per tick, column by column, in the
// order of the `fly` CSV (then the energy). Beside each column a min/max
// pyramid, so that the extremes over any run of ticks cost a few dozen steps
// however long the flight: a chart draws a flight of hours as fast as one of
// seconds.
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "sim/params.h"
#include "sim/flight_state.h"

namespace soar {

enum class Column : int {
    t, dt, X, Y, Z, V, gam_deg, psi_deg, mu_deg, Nz, Nx, CL, U, Up, alpha, roll_b, pitch_b, yaw_b,
    E, dE_wind, dE_drag, count_
};
inline constexpr int kColumnCount = static_cast<int>(Column::count_);
inline constexpr int kFlyColumnCount = static_cast<int>(Column::E);  // without the energy

// A tick's values in column order. Without `energy` the energy columns are left
// 0 (they cost three sines a tick).
std::array<float, kColumnCount> row_of(const FlightState& s, const Params& p, bool energy = true);

class FlightHistory {
  public:
    void clear();
    void add(const FlightState& s, const Params& p);
    size_t size() const { return col_[0].size(); }
    bool empty() const { return size() == 0; }
    float at(Column c, size_t i) const { return col_[idx(c)][i]; }
    const std::vector<float>& column(Column c) const { return col_[idx(c)]; }
    // Smallest and largest value of a column over samples [first, last), first < last.
    std::pair<float, float> range(Column c, size_t first, size_t last) const;
    // The first sample whose flight time is at least t (size() if none): the
    // flight time never runs backwards.
    size_t index_at_or_after(double t) const;

  private:
    static constexpr size_t kFan = 16;  // samples per block of the next level
    static size_t idx(Column c) { return static_cast<size_t>(c); }
    struct Level {
        std::vector<float> lo, hi;
    };
    void add_value(size_t c, float v);

    std::array<std::vector<float>, kColumnCount> col_;
    // levels_[c][k]: blocks of kFan^(k+1) samples of column c (whole blocks only).
    std::array<std::vector<Level>, kColumnCount> levels_;
};

// What a chart of `width` pixel columns shows of column c between flight times
// t0 and t1: per pixel column the smallest and the largest sample in it, as two
// points (time, value) at the column's middle time. Empty pixel columns are left
// out; a pixel column with one sample gives one point.
std::vector<std::pair<double, double>> decimated(const FlightHistory& h, Column c, double t0,
                                                 double t1, int width);

}  // namespace soar
