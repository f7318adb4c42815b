// The axes of a strip chart, chosen so that they change seldom: the time axis
// moves in whole steps rather than with every sample, and the value axis keeps
// its range while the data stays inside it and fills a fair part of it. A chart
// whose axes are unchanged only redraws its lines; a change of range lays out
// the axis labels and repaints the whole chart.
#pragma once

namespace soar {

struct AxisRange {
    double lo = 0, hi = 1;
    double tick = 0.25;  // spacing of the labelled ticks, anchored at 0
    bool operator==(const AxisRange&) const = default;
};

// The smallest of 1, 2 or 5 times a power of ten that is at least x (x > 0).
double nice_step(double x);

// The time axis, s, for a chart of the last `span` seconds (0: the whole
// flight) when the newest sample is at t_end. A span S moves in steps of S/6
// and is S + S/6 wide, so it always holds at least the last S seconds; the
// whole flight runs from 0 to the next step above t_end (at least 10 s).
AxisRange time_axis(double span, double t_end);

// The time axis of the charts saved for a slide: exactly the time chosen, its
// ends on whole seconds. A zoomed stretch [zoom_lo, zoom_hi] (zoom_hi >
// zoom_lo) is rounded out to whole seconds; otherwise the last `span` seconds
// up to the whole second at or after t_end (from 0 while the flight is
// shorter), or with span 0 the whole flight, from 0. Ticks as the live axis
// has them for that width.
AxisRange slide_time_axis(double span, double t_end, double zoom_lo = 0, double zoom_hi = 0);

// The value axis for data between lo and hi, given the range shown now: kept
// while it holds the data and the data fills at least 30 % of it, otherwise a
// new range on whole ticks with a margin, at most `intervals` ticks apart (so
// that a short chart's labels do not crowd). A flat line gets a small range.
AxisRange value_axis(double lo, double hi, const AxisRange& now, int intervals = 4);

}  // namespace soar
