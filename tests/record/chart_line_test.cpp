// The strip charts' lines: straight where the flight is, every pixel column's
// extremes kept, at most two points a column.
#include "record/chart_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace soar {
namespace {

// `n` samples `dt` apart with airspeed v(t).
FlightHistory history_of(size_t n, double dt, const std::function<double(double)>& v) {
    FlightHistory h;
    FlightState s;
    for (size_t i = 0; i < n; ++i) {
        s.t = float(double(i) * dt);
        s.V = float(v(double(s.t)));
        h.add(s, pattern_defaults(Mode::upwind));
    }
    return h;
}

TEST(ChartLine, ARampIsOneStraightLineAtEveryDensity) {
    const auto ramp = [](double t) { return 10.0 + 2.0 * t; };
    constexpr int kWidth = 200;
    constexpr double kSpan = 20.0;  // s, from 0
    // From one sample every second pixel column to hundreds a column.
    for (const double per_column : {0.5, 1.0, 2.0, 3.0, 7.0, 40.0, 600.0}) {
        const double dt = kSpan / (kWidth * per_column);
        const FlightHistory h = history_of(size_t(kSpan / dt) + 1, dt, ramp);
        const auto pts = chart_line(h, Column::V, 0.0, kSpan, kWidth);
        ASSERT_FALSE(pts.empty());
        EXPECT_LE(pts.size(), 2u * kWidth) << per_column;
        const double column_rise = 2.0 * kSpan / kWidth;
        for (size_t i = 0; i < pts.size(); ++i) {
            const auto [t, v] = pts[i];
            // On the ramp: at a sample's own time to the float's precision;
            // where a column is read from the pyramid, within its rise.
            const double off = std::fabs(v - ramp(t));
            if (per_column < 300) {
                EXPECT_LT(off, 1e-4) << per_column << " samples a column, t = " << t;
            } else {
                EXPECT_LE(off, column_rise) << "t = " << t;
            }
            if (i > 0) {
                // Never back in time or value: no step of a staircase.
                EXPECT_GE(t, pts[i - 1].first) << per_column;
                EXPECT_GE(v, pts[i - 1].second) << per_column;
                if (per_column < 300) {
                    EXPECT_GT(t, pts[i - 1].first) << per_column;
                }
            }
        }
        // The line reaches both ends of the data shown.
        EXPECT_NEAR(pts.front().second, ramp(0.0), column_rise);
        EXPECT_NEAR(pts.back().second, ramp(kSpan), column_rise);
    }
}

TEST(ChartLine, APixelColumnKeepsItsExtremesInTheOrderFlown) {
    // A swing of about seven samples: several crests and troughs a column.
    const double dt = 0.01;
    const auto swing = [](double t) { return 25.0 + 8.0 * std::sin(t * 90.0) + 0.5 * t; };
    const FlightHistory h = history_of(30000, dt, swing);
    constexpr int kWidth = 150;
    const double t0 = 40.0, t1 = 250.0, w = (t1 - t0) / kWidth;
    const auto pts = chart_line(h, Column::V, t0, t1, kWidth);
    EXPECT_LE(pts.size(), 2u * kWidth);
    for (int px = 0; px < kWidth; px += 7) {
        // The samples of pixel column px, and the points drawn in it.
        const size_t a = h.index_at_or_after(t0 + px * w),
                     b = h.index_at_or_after(t0 + (px + 1) * w);
        ASSERT_LT(a, b);
        const auto [lo, hi] = h.range(Column::V, a, b);
        size_t lo_j = a, hi_j = a;
        for (size_t j = a; j < b; ++j) {
            if (h.sample(Column::V, j) == lo && h.sample(Column::V, lo_j) != lo) lo_j = j;
            if (h.sample(Column::V, j) == hi && h.sample(Column::V, hi_j) != hi) hi_j = j;
        }
        std::vector<std::pair<double, double>> in;
        for (const auto& p : pts)
            if (p.first >= double(h.sample(Column::t, a)) &&
                p.first <= double(h.sample(Column::t, b - 1)))
                in.push_back(p);
        ASSERT_EQ(in.size(), 2u) << "pixel column " << px;
        // The lowest and the highest sample, each at its own time, as flown.
        const bool low_first = lo_j < hi_j;
        EXPECT_EQ(in[0].second, low_first ? lo : hi) << px;
        EXPECT_EQ(in[1].second, low_first ? hi : lo) << px;
        EXPECT_EQ(in[0].first, h.sample(Column::t, low_first ? lo_j : hi_j)) << px;
        EXPECT_EQ(in[1].first, h.sample(Column::t, low_first ? hi_j : lo_j)) << px;
    }
}

}  // namespace
}  // namespace soar
