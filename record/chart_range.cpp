#include "record/chart_range.h"

#include <algorithm>
#include <cmath>

namespace soar {

double nice_step(double x) {
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= x * (1 - 1e-12)) return m * p;
    return 10.0 * p;
}

AxisRange time_axis(double span, double t_end) {
    t_end = std::max(t_end, 0.0);
    if (span > 0) {
        const double step = span / 6.0;
        // The step index is counted, not accumulated, so the range is the same
        // whichever sample first crosses a boundary.
        const double hi = std::max(7.0, std::ceil(t_end / step)) * step;
        return {hi - 7.0 * step, hi, nice_step(span / 3.5)};
    }
    const double step = nice_step(std::max(t_end, 10.0) / 8.0);
    const double hi = std::max(10.0, std::ceil(t_end / step) * step);
    return {0.0, hi, nice_step(hi / 5.0)};
}

AxisRange slide_time_axis(double span, double t_end, double zoom_lo, double zoom_hi) {
    if (zoom_hi > zoom_lo) {
        const double lo = std::floor(zoom_lo), hi = std::max(std::ceil(zoom_hi), lo + 1.0);
        return {lo, hi, nice_step((hi - lo) / 5.0)};
    }
    const double end = std::ceil(std::max(t_end, 0.0));
    if (span > 0) {
        const double hi = std::max(end, std::ceil(span));
        return {hi - std::ceil(span), hi, nice_step(span / 3.5)};
    }
    const double hi = std::max(end, 1.0);
    return {0.0, hi, nice_step(hi / 5.0)};
}

AxisRange value_axis(double lo, double hi, const AxisRange& now, int intervals) {
    if (!(lo <= hi)) return now;  // no data (or not a number): nothing to fit
    const double width = now.hi - now.lo;
    if (width > 0 && lo >= now.lo && hi <= now.hi && hi - lo >= 0.3 * width) return now;
    const double extent = std::max({hi - lo, 1e-3 * std::max(std::fabs(lo), std::fabs(hi)), 0.01});
    intervals = std::max(intervals, 2);  // a range about 0 is two ticks at the least
    const double margin = 0.05 * extent;
    AxisRange r;
    // The rounding out to whole ticks can add up to two; the next step up then fits.
    for (double tick = nice_step(extent / intervals);; tick = nice_step(tick * 1.5)) {
        r = {std::floor((lo - margin) / tick) * tick, std::ceil((hi + margin) / tick) * tick, tick};
        if ((r.hi - r.lo) / tick <= intervals + 1e-9) return r;
    }
}

}  // namespace soar
