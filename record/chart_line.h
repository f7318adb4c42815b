// The line a strip chart draws of one column of the flight's history. A chart
// is a few hundred pixels wide and a flight has up to millions of samples, so
// each pixel column gets at most two points, and which two matters: points
// at the column's middle time make a rising line climb vertically there and
// then run flat to the next column, a staircase that shows on a slide even
// where the screen hid it. Here the points are samples, at their own times.
#pragma once

#include <utility>
#include <vector>

#include "record/flight_history.h"

namespace soar {

// The points (time s, value) of column c between flight times t0 and t1 on a
// chart of `width` pixel columns, in time order:
// - a pixel column of one or two samples gives those samples;
// - one of more gives its lowest and its highest sample (the first of each),
//   each at its own time, in the order flown: a stretch that only rises or
//   falls gives its first and last sample, so the line stays straight;
// - where a pixel column holds two blocks of the history or more (or the
//   samples are older than those kept decoded), its extremes come from the
//   history's pyramid without decoding a sample, at the column's two ends, in
//   the order that continues the line from the column before.
// Empty pixel columns are left out.
std::vector<std::pair<double, double>> chart_line(const FlightHistory& h, Column c, double t0,
                                                  double t1, int width);

}  // namespace soar
