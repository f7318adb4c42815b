#include "record/chart_range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace soar {
namespace {

TEST(ChartRange, TimeAxisHoldsTheLastSpanAndMovesInWholeSteps) {
    for (const double span : {30.0, 60.0, 300.0}) {
        SCOPED_TRACE(span);
        AxisRange last = time_axis(span, 0.0);
        EXPECT_EQ(last.lo, 0.0);
        int moves = 0;
        for (double t = 0.0; t <= 3600.0; t += 0.01) {
            const AxisRange a = time_axis(span, t);
            EXPECT_GE(a.lo, 0.0);
            ASSERT_LE(a.lo, std::max(0.0, t - span));
            ASSERT_GE(a.hi, t);
            EXPECT_NEAR(a.hi - a.lo, span * 7.0 / 6.0, 1e-9);
            moves += !(a == last);
            last = a;
        }
        // One move per sixth of the span, not one per sample.
        EXPECT_NEAR(moves, 3600.0 / (span / 6.0) - 6.0, 1.0);
        // Labelled ticks (at multiples of the spacing) fit the axis a few times.
        const double labels = (last.hi - last.lo) / last.tick;
        EXPECT_GE(labels, 2.0);
        EXPECT_LE(labels, 7.0);
    }
}

TEST(ChartRange, WholeFlightAxisStartsAtZeroAndStaysMostlyFull) {
    AxisRange last = time_axis(0.0, 0.0);
    EXPECT_EQ(last.hi, 10.0);
    int moves = 0;
    for (double t = 0.0; t <= 36000.0; t += 0.05) {
        const AxisRange a = time_axis(0.0, t);
        ASSERT_EQ(a.lo, 0.0);
        ASSERT_GE(a.hi, t);
        if (t >= 10.0) {
            ASSERT_GE(t, 0.5 * a.hi) << t;
        }
        moves += !(a == last);
        last = a;
    }
    EXPECT_LT(moves, 100);  // ten hours of flight, a few dozen layouts
}

TEST(ChartRange, ValueAxisKeepsItsRangeUntilTheDataLeavesOrShrinks) {
    AxisRange now{0, 0, 0};
    now = value_axis(22.1, 26.4, now);
    EXPECT_LE(now.lo, 22.1);
    EXPECT_GE(now.hi, 26.4);
    EXPECT_NEAR(std::remainder(now.lo, now.tick), 0.0, 1e-9);
    EXPECT_NEAR(std::remainder(now.hi, now.tick), 0.0, 1e-9);
    // A fit is stable: the same data keeps it, and so does a little less swing.
    EXPECT_EQ(value_axis(22.1, 26.4, now), now);
    EXPECT_EQ(value_axis(22.5, 26.0, now), now);
    // Data beyond it widens it; data in a sliver of it narrows it.
    const AxisRange wider = value_axis(20.0, 26.4, now);
    EXPECT_LE(wider.lo, 20.0);
    const AxisRange narrower = value_axis(24.0, 24.2, wider);
    EXPECT_GE(narrower.lo, 23.5);
    EXPECT_LE(narrower.hi, 24.7);
    EXPECT_GT(narrower.hi, narrower.lo);
    // A flat line, large or zero, still gets a range around it; no data keeps the axis.
    for (const double v : {0.0, 1.0, -1e4}) {
        const AxisRange flat = value_axis(v, v, AxisRange{0, 0, 0});
        EXPECT_LT(flat.lo, v);
        EXPECT_GT(flat.hi, v);
        EXPECT_GT(flat.tick, 0.0);
    }
    // However few labels the chart has room for, the range holds the data.
    for (int intervals = 2; intervals <= 4; ++intervals) {
        for (const auto& [lo, hi] : {std::pair{22.1, 26.4}, {-1.9, 2.1}, {0.5, 2.0}}) {
            const AxisRange a = value_axis(lo, hi, AxisRange{0, 0, 0}, intervals);
            EXPECT_LE(a.lo, lo);
            EXPECT_GE(a.hi, hi);
            EXPECT_LE((a.hi - a.lo) / a.tick, intervals + 1e-9);
            EXPECT_EQ(value_axis(lo, hi, a, intervals), a);
        }
    }
    EXPECT_EQ(value_axis(1e300, -1e300, now), now);
    EXPECT_EQ(value_axis(NAN, NAN, now), now);
}

TEST(ChartRange, NiceStepIsOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_DOUBLE_EQ(nice_step(0.7), 1.0);
    EXPECT_DOUBLE_EQ(nice_step(1.0), 1.0);
    EXPECT_DOUBLE_EQ(nice_step(1.5), 2.0);
    EXPECT_DOUBLE_EQ(nice_step(3.0), 5.0);
    EXPECT_DOUBLE_EQ(nice_step(17.1), 20.0);
    EXPECT_DOUBLE_EQ(nice_step(0.0031), 0.005);
    EXPECT_DOUBLE_EQ(nice_step(6.0), 10.0);
}

TEST(ChartRange, ASlideShowsExactlyTheTimeChosenOnWholeSeconds) {
    // The last 60 s of a flight at 123.4 s, to the whole second after it.
    const AxisRange last = slide_time_axis(60.0, 123.4);
    EXPECT_EQ(last.lo, 64.0);
    EXPECT_EQ(last.hi, 124.0);
    // A flight shorter than the span: the span from 0, the line ending short.
    EXPECT_EQ(slide_time_axis(300.0, 12.3).lo, 0.0);
    EXPECT_EQ(slide_time_axis(300.0, 12.3).hi, 300.0);
    // The whole flight from 0; a zoom rounded out, never to nothing.
    EXPECT_EQ(slide_time_axis(0.0, 3599.2).hi, 3600.0);
    EXPECT_EQ(slide_time_axis(0.0, 3599.2).lo, 0.0);
    const AxisRange zoom = slide_time_axis(60.0, 500.0, 41.2, 41.7);
    EXPECT_EQ(zoom.lo, 41.0);
    EXPECT_EQ(zoom.hi, 42.0);
    for (const AxisRange& r : {last, zoom, slide_time_axis(0.0, 0.0)}) {
        EXPECT_GT(r.hi, r.lo);
        EXPECT_GT(r.tick, 0.0);
        EXPECT_LE((r.hi - r.lo) / r.tick, 10.0);  // a handful of labels
    }
}

}  // namespace
}  // namespace soar
